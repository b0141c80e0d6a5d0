#pragma once
// The module's per-user settings file,
// <local application data>\Ondrel\RestoreWizard.xml: a "RESTOREWIZARD"
// element with one "PATH" child per backup folder, the folder in its "Name"
// attribute. The module keeps it; the host seeds and reads it without any
// of the module's code, so both take its place and names from here.
#include <string>

namespace settings {

inline constexpr wchar_t kFolderName[] = L"Ondrel";
inline constexpr wchar_t kFileName[] = L"RestoreWizard.xml";
inline constexpr wchar_t kRootElement[] = L"RESTOREWIZARD";
inline constexpr wchar_t kPathElement[] = L"PATH";
inline constexpr wchar_t kFolderAttribute[] = L"Name";

// The settings folder under base, or under the current user's local
// application data folder when base is empty (that one made when create is
// set); empty when the base folder cannot be found.
std::wstring SettingsFolder(const std::wstring& base, bool create);
// The settings file under base as above; empty when the folder cannot be found.
std::wstring SettingsFilePath(const std::wstring& base);

}  // namespace settings

#include "settings/WizardSettings.h"

#include <windows.h>
#include <shlobj.h>

namespace settings {

std::wstring SettingsFolder(const std::wstring& base, bool create) {
  std::wstring folder = base;
  if (folder.empty()) {
    wchar_t path[MAX_PATH] = {};
    const int id = CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
    if (FAILED(::SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    folder = path;
  }
  return folder + L"\\" + kFolderName;
}

std::wstring SettingsFilePath(const std::wstring& base) {
  const std::wstring folder = SettingsFolder(base, false);
  return folder.empty() ? folder : folder + L"\\" + kFileName;
}

}  // namespace settings

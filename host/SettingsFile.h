#pragma once
// The module's per-user settings file (see settings/WizardSettings.h). The
// host seeds it for an unattended run and reads it back when saving answers;
// it reads and writes the document itself so that it needs none of the
// module's code.
#include <windows.h>

#include <string>
#include <vector>

namespace host {

class SettingsFile {
 public:
  // The current user's local application data folder.
  SettingsFile() = default;
  // Another base folder in its place (tests).
  explicit SettingsFile(std::wstring baseFolder) : base_(std::move(baseFolder)) {}

  // Empty when the base folder cannot be found.
  std::wstring Path() const;
  // The folders in file order; S_FALSE and none when the file cannot be loaded.
  // Needs COM on the thread.
  HRESULT ReadFolders(std::vector<std::wstring>* folders) const;
  // Replaces the file with exactly these folders, making the Ondrel folder
  // when it is missing. Needs COM on the thread.
  HRESULT WriteFolders(const std::vector<std::wstring>& folders) const;

 private:
  std::wstring base_;  // empty: the real one
};

}  // namespace host

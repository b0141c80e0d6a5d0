#pragma once
// The per-user list of backup folders, kept in
// <local application data>\Ondrel\RestoreWizard.xml.
#include <windows.h>

#include <string>
#include <vector>

#include "comlib/Bstr.h"

class Persistency {
 public:
  // The current user's local application data folder.
  Persistency() = default;
  // Another base folder in its place (tests, tools).
  explicit Persistency(std::wstring baseFolder) : base_(std::move(baseFolder)) {}
  virtual ~Persistency() = default;

  // Appends the folders of the file in file order. S_FALSE when the file
  // cannot be loaded (the list is then unchanged), else S_OK.
  HRESULT ReadPaths(std::vector<comlib::Bstr>* paths) const;
  // Replaces the file with exactly this list, making the module's folder first.
  HRESULT WritePaths(const std::vector<comlib::Bstr>& paths) const;
  // The settings file's path; empty when the base folder cannot be found.
  std::wstring SettingsFile() const;

 private:
  std::wstring Folder(bool create) const;

  std::wstring base_;  // empty: the real one
};

#pragma once
// The per-user list of backup folders, kept in the settings file of
// settings/WizardSettings.h.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/LoadFailure.h"
#include "comlib/Bstr.h"

class Persistency {
 public:
  // The current user's local application data folder.
  Persistency() = default;
  // Another base folder in its place (tests, tools).
  explicit Persistency(std::wstring baseFolder) : base_(std::move(baseFolder)) {}

  // Appends the folders of the file in file order. S_FALSE when the file
  // cannot be loaded (the list is then unchanged; failure says why), else S_OK.
  HRESULT ReadPaths(std::vector<comlib::Bstr>* paths, xml::LoadFailure* failure = nullptr) const;
  // Replaces the file with exactly this list, making the module's folder
  // first. The new file is written beside the old one and takes its place
  // in one step, so a failed write leaves the old file as it was. A file
  // that exists but cannot be loaded is first copied beside it, under a
  // new name given through keptCopy. A list with a text the file cannot
  // carry is refused with E_INVALIDARG; a read-only file is not replaced.
  HRESULT WritePaths(const std::vector<comlib::Bstr>& paths, std::wstring* keptCopy = nullptr) const;
  // Whether an XML 1.0 file can carry the text; the position of the first
  // character it cannot through bad.
  static bool CanCarry(const std::wstring& text, size_t* bad = nullptr) noexcept;
  // The settings file's path; empty when the base folder cannot be found.
  std::wstring SettingsFile() const;

 private:
  std::wstring base_;  // empty: the real one
};

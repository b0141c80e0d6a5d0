#pragma once
// Finds files by name under folders, at any depth.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

class FileFinder {
 public:
  void AddFolder(const wchar_t* folder);
  void AddFileName(const wchar_t* fileName);
  // Full paths of every match, ordered by UTF-16 code unit, case included.
  // The walk follows directory links, but never one that leads back to a
  // folder on its own way down, and it keeps no recursion on the stack.
  std::vector<std::wstring> Find();

  // A folder of the walk that could not be listed or resolved, with the
  // system's error. A folder with no entries at all is no failure.
  struct Failure {
    std::wstring folder;
    DWORD error;
  };
  const std::vector<Failure>& Failures() const noexcept { return failures_; }

 private:
  void Walk(const std::wstring& root);

  // std::wstring compares by wchar_t, a UTF-16 code unit on Windows.
  std::set<std::wstring> results_;
  std::set<std::wstring> folders_;
  std::set<std::wstring> fileNames_;
  std::vector<Failure> failures_;
};

#pragma once
#include <string>

// The name of the folder that holds a file: D:\Backups\Monday\BackupInfo.xml
// gives Monday, D:\BackupInfo.xml gives D:. Empty when there is no backslash.
inline std::wstring FolderNameOf(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  if (last == std::wstring::npos) return std::wstring();
  const size_t before = last == 0 ? std::wstring::npos : path.rfind(L'\\', last - 1);
  const size_t start = before == std::wstring::npos ? 0 : before + 1;
  return path.substr(start, last - start);
}

// Whether a configured backup folder names one place on its own. An empty or
// relative text would be searched from the current folder of whatever
// process hosts the wizard, "C:" from that drive's current folder.
enum class FolderForm { Full, Empty, Relative };
inline FolderForm FormOfFolder(const std::wstring& folder) {
  if (folder.empty()) return FolderForm::Empty;
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  const bool letter = (folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z');
  if (folder.size() >= 3 && letter && folder[1] == L':' && separator(folder[2])) return FolderForm::Full;
  // \\server\share, \\?\ and \\.\ forms: a name after the two separators.
  if (folder.size() >= 3 && separator(folder[0]) && separator(folder[1]) && !separator(folder[2]))
    return FolderForm::Full;
  return FolderForm::Relative;
}

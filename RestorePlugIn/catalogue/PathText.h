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

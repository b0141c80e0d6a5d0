#pragma once
// The file system as the catalogue's walk and reader reach it: one seam, so
// that a test can fail a listing and a benchmark can make listings wait as
// they do on a share.
#include <windows.h>

#include <functional>
#include <string>

#include "comlib/Unique.h"

class FileSystem {
 public:
  using Entry = std::function<void(const WIN32_FIND_DATAW&)>;

  virtual ~FileSystem() = default;

  // Every entry FindFirstFileExW and FindNextFileW give for the pattern
  // (folder, backslash, name or wildcard). ERROR_SUCCESS, or the error of
  // the first call (ERROR_FILE_NOT_FOUND when nothing matches).
  virtual DWORD List(const std::wstring& pattern, const Entry& entry) = 0;
  // The path with its links resolved, without a trailing backslash; empty,
  // with the error in GetLastError, when it cannot be opened.
  virtual std::wstring FinalPath(const std::wstring& path) = 0;
  // An existing file opened for reading, sharing read and delete; invalid,
  // with the error in GetLastError, when it cannot be opened.
  virtual comlib::UniqueFile OpenForReading(const std::wstring& path) = 0;

  // The machine's own.
  static FileSystem& Real() noexcept;
};

#pragma once
// The rules of the system directories page, free of windows: proposing a
// fresh numbered set of directories and judging the engineer's choice.
#include <string>
#include <vector>

namespace directories {

// The four data directories of a system. The project data directory is the
// one the session calls the system data path.
struct SystemPaths {
  std::wstring project;
  std::wstring server;
  std::wstring server2;
  std::wstring workplace;
};

bool operator==(const SystemPaths& a, const SystemPaths& b);

// Longest path the page accepts (MAX_PATH less the terminator).
constexpr size_t kMaxPathLength = 259;

// The drive part of a path (the text before the first backslash) is a fixed
// local drive. Shares, relative paths and empty texts fail.
bool IsOnFixedDrive(const std::wstring& path);
// No local disk could hold a directory of that name: a character Windows
// does not allow in a path (<>"|?*, a colon anywhere but after the drive
// letter, control characters), a reserved device name as a component (CON,
// PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension), a component
// that ends in a blank or a dot, or one longer than 255 characters.
bool IsImpossiblePath(const std::wstring& path);
// A file or a directory of that name exists.
bool PathExists(const std::wstring& path);
// The template with its first "%s" replaced by the path, taken literally.
std::wstring FormatPathMessage(const std::wstring& pattern, const std::wstring& path);

class SystemDirectories {
 public:
  explicit SystemDirectories(SystemPaths paths) : paths_(std::move(paths)) {}

  // The first numbered set of directories none of which exists, when the
  // server, server2 and workplace directories lie under the project
  // directory and all four on a fixed drive; otherwise the paths unchanged.
  SystemPaths Proposal() const;

  // One message per unusable directory, in the order server, server2,
  // project, workplace: a path that is too long, impossible or not on a
  // fixed drive gets the not-a-local-path text, an existing one the
  // already-exists text.
  std::vector<std::wstring> Problems(const std::wstring& existsPattern,
                                     const std::wstring& notLocalPattern) const;

 private:
  SystemPaths paths_;
};

}  // namespace directories

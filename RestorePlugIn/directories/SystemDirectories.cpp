#include "SystemDirectories.h"

#include <windows.h>

#include <cwchar>

namespace directories {

namespace {

// The path lies at or beneath the base: the rest after the base is empty or
// starts a new path component.
bool LiesUnder(const std::wstring& path, const std::wstring& base) {
  if (path.compare(0, base.size(), base) != 0) return false;
  return path.size() == base.size() || path[base.size()] == L'\\';
}

bool IsReservedDeviceName(const std::wstring& component) {
  // The name counts without its extension, and Windows drops trailing
  // blanks before it looks ("NUL .txt" is NUL too).
  std::wstring base = component.substr(0, component.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  if (base.size() != 3 && base.size() != 4) return false;
  ::CharUpperBuffW(&base[0], static_cast<DWORD>(base.size()));
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL"};
  for (const wchar_t* name : kNames)
    if (base == name) return true;
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         base[3] >= L'1' && base[3] <= L'9';
}

bool IsImpossibleComponent(const std::wstring& component) {
  if (component.empty()) return false;  // a doubled backslash reads as one
  if (component.size() > 255) return true;
  if (component.back() == L' ' || component.back() == L'.') return true;
  return IsReservedDeviceName(component);
}

}  // namespace

bool IsImpossiblePath(const std::wstring& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    const wchar_t c = path[i];
    if (c < 32 || wcschr(L"<>\"|?*", c)) return true;
    if (c == L':' && i != 1) return true;
  }
  // The drive part is not a component.
  const size_t start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
  size_t begin = start;
  for (size_t i = start; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      if (IsImpossibleComponent(path.substr(begin, i - begin))) return true;
      begin = i + 1;
    }
  }
  return false;
}

bool operator==(const SystemPaths& a, const SystemPaths& b) {
  return a.project == b.project && a.server == b.server && a.server2 == b.server2 &&
         a.workplace == b.workplace;
}

bool IsOnFixedDrive(const std::wstring& path) {
  const std::wstring drive = path.substr(0, path.find(L'\\'));
  // An empty drive part would name the current drive to the platform.
  if (drive.empty()) return false;
  return ::GetDriveTypeW(drive.c_str()) == DRIVE_FIXED;
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring FormatPathMessage(const std::wstring& pattern, const std::wstring& path) {
  std::wstring text = pattern;
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, path);
  return text;
}

SystemPaths SystemDirectories::Proposal() const {
  const SystemPaths& p = paths_;
  if (!LiesUnder(p.server, p.project) || !LiesUnder(p.server2, p.project) ||
      !LiesUnder(p.workplace, p.project))
    return p;
  if (!IsOnFixedDrive(p.project) || !IsOnFixedDrive(p.server) || !IsOnFixedDrive(p.server2) ||
      !IsOnFixedDrive(p.workplace))
    return p;
  const size_t base = p.project.size();
  const std::wstring restServer = p.server.substr(base);
  const std::wstring restServer2 = p.server2.substr(base);
  const std::wstring restWorkplace = p.workplace.substr(base);
  // Finitely many names exist, so some number is free.
  for (unsigned long long n = 0;; ++n) {
    const std::wstring root = n == 0 ? p.project : p.project + std::to_wstring(n);
    if (PathExists(root) || PathExists(root + restServer) || PathExists(root + restServer2) ||
        PathExists(root + restWorkplace))
      continue;
    return SystemPaths{root, root + restServer, root + restServer2, root + restWorkplace};
  }
}

std::vector<std::wstring> SystemDirectories::Problems(const std::wstring& existsPattern,
                                                      const std::wstring& notLocalPattern) const {
  std::vector<std::wstring> messages;
  for (const std::wstring* path :
       {&paths_.server, &paths_.server2, &paths_.project, &paths_.workplace}) {
    // A longer path cannot be created as typed; refuse it rather than cut it.
    if (path->size() > kMaxPathLength || IsImpossiblePath(*path) || !IsOnFixedDrive(*path))
      messages.push_back(FormatPathMessage(notLocalPattern, *path));
    else if (PathExists(*path))
      messages.push_back(FormatPathMessage(existsPattern, *path));
  }
  return messages;
}

}  // namespace directories

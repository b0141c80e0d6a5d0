#include "catalogue/FileFinder.h"

#include <map>

#include "comlib/Unique.h"

namespace {

// A folder on the walk: its path as composed, the path it really has (link
// targets resolved) and the folder it was found in.
struct Folder {
  std::wstring path;
  std::wstring real;
  size_t parent;
};
constexpr size_t kNoParent = static_cast<size_t>(-1);

// The final path of a folder, links resolved; empty when it cannot be opened.
std::wstring FinalPath(const std::wstring& path) {
  comlib::UniqueFile handle(::CreateFileW(path.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::wstring();
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(handle.get(), &text[0], static_cast<DWORD>(text.size()),
                                                FILE_NAME_NORMALIZED);
    if (n == 0) return std::wstring();
    if (n < text.size()) {
      text.resize(n);
      break;
    }
    text.resize(n + 1);
  }
  while (text.size() > 1 && text.back() == L'\\') text.pop_back();
  return text;
}

// ancestor is path itself or one of the folders above it (no case).
bool IsSelfOrAncestor(const std::wstring& ancestor, const std::wstring& path) {
  if (ancestor.empty() || ancestor.size() > path.size()) return false;
  if (::CompareStringOrdinal(ancestor.data(), static_cast<int>(ancestor.size()), path.data(),
                             static_cast<int>(ancestor.size()), TRUE) != CSTR_EQUAL)
    return false;
  return ancestor.size() == path.size() || path[ancestor.size()] == L'\\';
}

}  // namespace

void FileFinder::AddFolder(const wchar_t* folder) { folders_.insert(folder ? folder : L""); }

void FileFinder::AddFileName(const wchar_t* fileName) { fileNames_.insert(fileName ? fileName : L""); }

std::vector<std::wstring> FileFinder::Find() {
  for (const std::wstring& folder : folders_) Walk(folder);
  return std::vector<std::wstring>(results_.begin(), results_.end());
}

void FileFinder::Walk(const std::wstring& root) {
  std::vector<Folder> seen;  // every folder of this root's walk, for the way up
  std::vector<size_t> pending;
  {
    std::wstring real = FinalPath(root);
    seen.push_back(Folder{root, real.empty() ? root : std::move(real), kNoParent});
    pending.push_back(0);
  }
  std::vector<std::wstring> plainNames, patterns;
  for (const std::wstring& name : fileNames_)
    (name.find_first_of(L"*?<>\"") == std::wstring::npos ? plainNames : patterns).push_back(name);
  std::map<std::wstring, bool> subfolders;  // name, is a link
  WIN32_FIND_DATAW data;
  while (!pending.empty()) {
    const size_t current = pending.back();
    pending.pop_back();
    const std::wstring path = seen[current].path;

    subfolders.clear();
    HANDLE find = ::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const wchar_t* n = data.cFileName;
        // Names without wildcards are matched here, in the one listing of the
        // folder, as the file system matches them: without case. The entry
        // is not tested for being a file.
        for (const std::wstring& fileName : plainNames)
          if (::CompareStringOrdinal(n, -1, fileName.c_str(), static_cast<int>(fileName.size()), TRUE) ==
              CSTR_EQUAL)
            results_.insert(path + L"\\" + n);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        subfolders.emplace(n, (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
      failures_.push_back(Failure{path, error});
    }

    // Children go on the stack; the order of the walk does not matter, the
    // results are a sorted set.
    for (const auto& [name, isLink] : subfolders) {
      std::wstring childPath = path + L"\\" + name;
      std::wstring real;
      if (isLink) {
        real = FinalPath(childPath);
        if (real.empty()) {  // cannot be resolved, so cannot be listed either
          const DWORD error = ::GetLastError();
          failures_.push_back(Failure{childPath, error ? error : static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME)});
          continue;
        }
        bool loops = false;
        for (size_t up = current; up != kNoParent && !loops; up = seen[up].parent)
          loops = IsSelfOrAncestor(real, seen[up].real);
        if (loops) continue;
      } else {
        real = seen[current].real + L"\\" + name;
      }
      seen.push_back(Folder{std::move(childPath), std::move(real), current});
      pending.push_back(seen.size() - 1);
    }

    for (const std::wstring& fileName : patterns) {
      find = ::FindFirstFileExW((path + L"\\" + fileName).c_str(), FindExInfoBasic, &data,
                                FindExSearchNameMatch, nullptr, 0);
      if (find == INVALID_HANDLE_VALUE) continue;
      do {
        results_.insert(path + L"\\" + data.cFileName);
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
  }
}

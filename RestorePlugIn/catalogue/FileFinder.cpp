#include "catalogue/FileFinder.h"

#include <map>

#include "catalogue/WorkerPool.h"
#include "comlib/Lock.h"
#include "comlib/Unique.h"

// A folder on the walk: its path as composed, the path it really has (link
// targets resolved), the folder it was found in, and what its listing gave.
struct FileFinder::Folder {
  std::wstring path;
  std::wstring real;
  const Folder* parent;
  std::vector<std::wstring> matches;
  std::vector<std::unique_ptr<Folder>> children;  // in name order
  std::vector<Failure> failures;  // its own listing, or a link in it, that failed
};

namespace {

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

// Takes the trees apart without recursion: they may be as deep as the disk.
void FileFinder::Dismantle(std::vector<std::unique_ptr<Folder>>* trees) {
  std::vector<std::unique_ptr<Folder>> all = std::move(*trees);
  trees->clear();
  for (size_t i = 0; i < all.size(); ++i)
    for (auto& child : all[i]->children) all.push_back(std::move(child));
}

FileFinder::FileFinder() = default;
FileFinder::~FileFinder() { Dismantle(&walks_); }

void FileFinder::AddFolder(const wchar_t* folder) { folders_.insert(folder ? folder : L""); }

void FileFinder::AddFileName(const wchar_t* fileName) {
  const std::wstring name = fileName ? fileName : L"";
  if (!fileNames_.insert(name).second) return;
  (name.find_first_of(L"*?<>\"") == std::wstring::npos ? plainNames_ : patterns_).push_back(name);
}

std::vector<std::wstring> FileFinder::Find() {
  Dismantle(&walks_);
  folderRecords_.clear();
  failures_.clear();
  for (const std::wstring& root : folders_) {
    walks_.push_back(std::make_unique<Folder>(Folder{root, std::wstring(), nullptr, {}, {}}));
    std::vector<Folder*> pending{walks_.back().get()};
    while (!pending.empty()) {
      Folder* folder = pending.back();
      pending.pop_back();
      Visit(*folder);
      for (const auto& child : folder->children) pending.push_back(child.get());
    }
  }
  return Merge();
}

std::vector<std::wstring> FileFinder::Find(WorkerPool& pool, size_t walkers,
                                           std::function<void(const std::wstring&)> found) {
  Dismantle(&walks_);
  folderRecords_.clear();
  failures_.clear();
  found_ = std::move(found);
  walkers_ = walkers ? walkers : 1;
  for (const std::wstring& root : folders_)
    walks_.push_back(std::make_unique<Folder>(Folder{root, std::wstring(), nullptr, {}, {}}));
  {
    comlib::ExclusiveLock hold(&lock_);
    for (const auto& walk : walks_) pending_.push_back(walk.get());
    StartWalkersLocked(pool);
  }
  pool.Wait();
  found_ = nullptr;
  return Merge();
}

void FileFinder::StartWalkersLocked(WorkerPool& pool) {
  while (walking_ < walkers_ && walking_ < pending_.size()) {
    pool.Post([this, &pool] { WalkOnPool(pool); });
    ++walking_;
  }
}

void FileFinder::WalkOnPool(WorkerPool& pool) {
  for (;;) {
    Folder* folder = nullptr;
    {
      comlib::ExclusiveLock hold(&lock_);
      if (pending_.empty()) {
        --walking_;
        return;
      }
      folder = pending_.back();
      pending_.pop_back();
    }
    try {
      Visit(*folder);
      if (found_)
        for (const std::wstring& match : folder->matches) found_(match);
    } catch (...) {
      comlib::ExclusiveLock hold(&lock_);
      pending_.clear();
      --walking_;
      throw;
    }
    comlib::ExclusiveLock hold(&lock_);
    for (const auto& child : folder->children) pending_.push_back(child.get());
    StartWalkersLocked(pool);
  }
}

std::vector<std::wstring> FileFinder::Merge() {
  // Each folder's listing stands in its tree; going through the trees as
  // the walk on one thread goes gives its order back.
  for (const auto& walk : walks_) {
    std::vector<const Folder*> pending{walk.get()};
    while (!pending.empty()) {
      const Folder* folder = pending.back();
      pending.pop_back();
      folderRecords_.push_back(FolderRecord{folder->path, folder->matches.size()});
      failures_.insert(failures_.end(), folder->failures.begin(), folder->failures.end());
      results_.insert(folder->matches.begin(), folder->matches.end());
      for (const auto& child : folder->children) pending.push_back(child.get());
    }
  }
  Dismantle(&walks_);
  return std::vector<std::wstring>(results_.begin(), results_.end());
}

void FileFinder::Visit(Folder& folder) const {
  if (!folder.parent) {
    std::wstring real = FinalPath(folder.path);
    folder.real = real.empty() ? folder.path : std::move(real);
  }
  const std::wstring& path = folder.path;
  std::map<std::wstring, bool> subfolders;  // name, is a link
  WIN32_FIND_DATAW data;
  comlib::UniqueFind find(::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (find) {
    do {
      const wchar_t* n = data.cFileName;
      // Names without wildcards are matched here, in the one listing of the
      // folder, as the file system matches them: without case. The entry
      // is not tested for being a file.
      for (const std::wstring& fileName : plainNames_)
        if (::CompareStringOrdinal(n, -1, fileName.c_str(), static_cast<int>(fileName.size()), TRUE) ==
            CSTR_EQUAL)
          folder.matches.push_back(path + L"\\" + n);
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
      subfolders.emplace(n, (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    } while (::FindNextFileW(find.get(), &data));
  } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
    folder.failures.push_back(Failure{path, error});
  }

  for (const auto& [name, isLink] : subfolders) {
    std::wstring childPath = path + L"\\" + name;
    std::wstring real;
    if (isLink) {
      real = FinalPath(childPath);
      if (real.empty()) {  // cannot be resolved, so cannot be listed either
        const DWORD error = ::GetLastError();
        folder.failures.push_back(
            Failure{childPath, error ? error : static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME)});
        continue;
      }
      bool loops = false;
      for (const Folder* up = &folder; up && !loops; up = up->parent) loops = IsSelfOrAncestor(real, up->real);
      if (loops) continue;
    } else {
      real = folder.real + L"\\" + name;
    }
    folder.children.push_back(
        std::make_unique<Folder>(Folder{std::move(childPath), std::move(real), &folder, {}, {}}));
  }

  for (const std::wstring& fileName : patterns_) {
    comlib::UniqueFind matches(::FindFirstFileExW((path + L"\\" + fileName).c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, 0));
    if (!matches) continue;
    do {
      folder.matches.push_back(path + L"\\" + data.cFileName);
    } while (::FindNextFileW(matches.get(), &data));
  }
}

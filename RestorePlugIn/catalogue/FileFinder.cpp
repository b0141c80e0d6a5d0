#include "catalogue/FileFinder.h"

#include <algorithm>
#include <map>
#include <utility>

#include "catalogue/FileSystem.h"
#include "catalogue/WorkerPool.h"
#include "comlib/Lock.h"

// A folder of the frontier: its name and the folder it was found in, so
// that the walk holds no more than the folders still to be listed and their
// ancestors. Full paths are made when needed.
struct FileFinder::Folder {
  std::wstring name;  // a root: its whole path
  std::shared_ptr<Folder> parent;
  std::wstring real;  // roots and links: the path with links resolved; others: none
  size_t root;        // position of its root in set order
};

// What listing one folder gave.
struct FileFinder::Listing {
  std::vector<std::wstring> matches;
  std::vector<std::pair<std::wstring, std::wstring>> children;  // name, real path of a link; in name order
  std::vector<Failure> failures;  // its own listing, or a link in it, that failed
};

struct FileFinder::Place {
  size_t root;
  std::wstring path;
};

template <class T>
struct FileFinder::Placed {
  Place place;
  T value;
};

namespace {

// A folder's path as the walk composed it, or with real, with links
// resolved: from the nearest root or link down. No recursion: the chain
// may be as deep as the disk.
template <class F>
std::wstring Compose(const F& folder, bool real) {
  std::vector<const F*> chain;
  const F* top = &folder;
  for (; top->parent && !(real && !top->real.empty()); top = top->parent.get()) chain.push_back(top);
  std::wstring path = real && !top->real.empty() ? top->real : top->name;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) path += L"\\" + (*it)->name;
  return path;
}

// ancestor is path itself or one of the folders above it (no case).
bool IsSelfOrAncestor(const std::wstring& ancestor, const std::wstring& path) {
  if (ancestor.empty() || ancestor.size() > path.size()) return false;
  if (::CompareStringOrdinal(ancestor.data(), static_cast<int>(ancestor.size()), path.data(),
                             static_cast<int>(ancestor.size()), TRUE) != CSTR_EQUAL)
    return false;
  return ancestor.size() == path.size() || path[ancestor.size()] == L'\\';
}

// Walk order: roots in set order; within a root, a folder before what lies
// below it, and subfolders in name order. That is comparing the paths name
// by name, a path before any longer one that starts with it.
template <class P>
bool WalkBefore(const P& a, const P& b) {
  if (a.root != b.root) return a.root < b.root;
  size_t i = 0, j = 0;
  for (;;) {
    if (i > a.path.size() || j > b.path.size()) return i > a.path.size() && j <= b.path.size();
    size_t ei = a.path.find(L'\\', i), ej = b.path.find(L'\\', j);
    if (ei == std::wstring::npos) ei = a.path.size();
    if (ej == std::wstring::npos) ej = b.path.size();
    const int c = a.path.compare(i, ei - i, b.path, j, ej - j);
    if (c != 0) return c < 0;
    i = ei + 1;
    j = ej + 1;
  }
}

}  // namespace

FileFinder::FileFinder(FileSystem* files) : files_(files ? *files : FileSystem::Real()) {}

FileFinder::~FileFinder() { DropAll(&pending_); }

// Lets go of a folder, and of the folders above it that nothing else holds,
// one level at a time: a chain may be as deep as the disk.
void FileFinder::Drop(std::shared_ptr<Folder> folder) noexcept {
  // Held only here, nobody can take another reference to it meanwhile.
  while (folder && folder.use_count() == 1) folder = std::move(folder->parent);
}

void FileFinder::DropAll(std::vector<std::shared_ptr<Folder>>* folders) noexcept {
  for (auto& folder : *folders) Drop(std::move(folder));
  folders->clear();
}

void FileFinder::AddFolder(const wchar_t* folder) { folders_.insert(folder ? folder : L""); }

void FileFinder::AddFileName(const wchar_t* fileName) {
  const std::wstring name = fileName ? fileName : L"";
  if (!fileNames_.insert(name).second) return;
  (name.find_first_of(L"*?<>\"") == std::wstring::npos ? plainNames_ : patterns_).push_back(name);
}

std::vector<std::wstring> FileFinder::Find() {
  WorkerPool inline_(0);
  return Find(inline_, 1);
}

std::vector<std::wstring> FileFinder::Find(WorkerPool& pool, size_t walkers) {
  std::vector<std::wstring> results;
  Start(
      pool, walkers,
      [&results](std::vector<std::wstring>& matches) {
        results.insert(results.end(), std::make_move_iterator(matches.begin()), std::make_move_iterator(matches.end()));
      },
      nullptr);
  pool.Wait();
  Finish();
  return results;
}

void FileFinder::Start(WorkerPool& pool, size_t walkers, Decided decided, std::function<void()> ended) {
  comlib::ExclusiveLock hold(&lock_);
  decided_ = std::move(decided);
  ended_ = std::move(ended);
  walkers_ = walkers ? walkers : 1;
  walking_ = 0;
  over_ = false;
  DropAll(&pending_);
  bounds_.clear();
  undecided_.clear();
  placedRecords_.clear();
  placedFailures_.clear();
  thrown_.clear();
  folderRecords_.clear();
  failures_.clear();
  size_t root = 0;
  for (const std::wstring& folder : folders_) {
    bounds_.insert(folder + L"\\");
    pending_.push_back(std::make_shared<Folder>(Folder{folder, nullptr, std::wstring(), root++}));
  }
  std::reverse(pending_.begin(), pending_.end());
  StartWalkersLocked(pool);
  EndIfDoneLocked();
}

bool FileFinder::Threw() const {
  comlib::ExclusiveLock hold(&lock_);
  return !thrown_.empty();
}

void FileFinder::Finish() {
  comlib::ExclusiveLock hold(&lock_);
  const auto byPlace = [](const auto& a, const auto& b) { return WalkBefore(a.place, b.place); };
  std::stable_sort(placedRecords_.begin(), placedRecords_.end(), byPlace);
  std::stable_sort(placedFailures_.begin(), placedFailures_.end(), byPlace);
  for (auto& r : placedRecords_) folderRecords_.push_back(std::move(r.value));
  for (auto& f : placedFailures_) failures_.push_back(std::move(f.value));
  placedRecords_.clear();
  placedFailures_.clear();
  // Whatever stopped the walk, the next one starts afresh.
  DropAll(&pending_);
  bounds_.clear();
  undecided_.clear();
  walking_ = 0;
  over_ = true;
  decided_ = nullptr;
  ended_ = nullptr;
  if (thrown_.empty()) return;
  const auto first = std::min_element(thrown_.begin(), thrown_.end(), byPlace);
  const std::exception_ptr failure = first->value;
  thrown_.clear();
  std::rethrow_exception(failure);
}

void FileFinder::StartWalkersLocked(WorkerPool& pool) {
  while (walking_ < walkers_ && walking_ < pending_.size()) {
    pool.Post([this, &pool] { WalkOne(pool); });
    ++walking_;
  }
}

bool FileFinder::AfterFirstThrowLocked(size_t root, const std::wstring& path) const {
  const Place here{root, path};
  for (const auto& thrown : thrown_)
    if (WalkBefore(thrown.place, here)) return true;
  return false;
}

void FileFinder::WalkOne(WorkerPool& pool) {
  std::shared_ptr<Folder> folder;
  std::wstring path;
  {
    comlib::ExclusiveLock hold(&lock_);
    for (;;) {
      if (pending_.empty()) {
        --walking_;
        EndIfDoneLocked();
        return;
      }
      folder = std::move(pending_.back());
      pending_.pop_back();
      path = Compose(*folder, false);
      // A walk on one thread would have stopped before this folder.
      if (!thrown_.empty() && AfterFirstThrowLocked(folder->root, path)) {
        bounds_.erase(bounds_.find(path + L"\\"));
        Drop(std::move(folder));
        continue;
      }
      break;
    }
  }
  Listing listing;
  std::exception_ptr thrown;
  try {
    Visit(*folder, path, &listing);
  } catch (...) {
    thrown = std::current_exception();
  }
  {
    comlib::ExclusiveLock hold(&lock_);
    TakeLocked(folder, path, listing, thrown);
    StartWalkersLocked(pool);
    EndIfDoneLocked();
  }
  Drop(std::move(folder));
}

void FileFinder::TakeLocked(const std::shared_ptr<Folder>& folder, const std::wstring& path, Listing& listing,
                            const std::exception_ptr& thrown) {
  --walking_;
  bounds_.erase(bounds_.find(path + L"\\"));
  if (thrown) {
    thrown_.push_back(Placed<std::exception_ptr>{Place{folder->root, path}, thrown});
  } else {
    if (keepRecords_)
      placedRecords_.push_back(
          Placed<FolderRecord>{Place{folder->root, path}, FolderRecord{path, listing.matches.size()}});
    for (Failure& failure : listing.failures)
      placedFailures_.push_back(Placed<Failure>{Place{folder->root, path}, std::move(failure)});
    undecided_.insert(std::make_move_iterator(listing.matches.begin()),
                      std::make_move_iterator(listing.matches.end()));
    // The first in name order last: it is listed next.
    for (auto it = listing.children.rbegin(); it != listing.children.rend(); ++it) {
      bounds_.insert(path + L"\\" + it->first + L"\\");
      pending_.push_back(
          std::make_shared<Folder>(Folder{std::move(it->first), folder, std::move(it->second), folder->root}));
    }
  }
  DecideLocked();
}

void FileFinder::DecideLocked() {
  std::vector<std::wstring> batch;
  while (!undecided_.empty() && (bounds_.empty() || *undecided_.begin() < *bounds_.begin()))
    batch.push_back(std::move(undecided_.extract(undecided_.begin()).value()));
  if (!batch.empty() && decided_) decided_(batch);
}

void FileFinder::EndIfDoneLocked() {
  if (over_ || walking_ != 0 || !pending_.empty()) return;
  over_ = true;
  DecideLocked();
  if (ended_) ended_();
}

void FileFinder::Visit(Folder& folder, const std::wstring& path, Listing* listing) const {
  if (!folder.parent) {
    std::wstring real = files_.FinalPath(path);
    folder.real = real.empty() ? path : std::move(real);
  }
  std::map<std::wstring, bool> subfolders;  // name, is a link
  const DWORD error = files_.List(path + L"\\*", [&](const WIN32_FIND_DATAW& data) {
    const wchar_t* n = data.cFileName;
    // Names without wildcards are matched here, in the one listing of the
    // folder, as the file system matches them: without case. The entry
    // is not tested for being a file.
    for (const std::wstring& fileName : plainNames_)
      if (::CompareStringOrdinal(n, -1, fileName.c_str(), static_cast<int>(fileName.size()), TRUE) == CSTR_EQUAL)
        listing->matches.push_back(path + L"\\" + n);
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) return;
    subfolders.emplace(n, (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
  });
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) listing->failures.push_back(Failure{path, error});

  for (const auto& [name, isLink] : subfolders) {
    if (!isLink) {
      listing->children.emplace_back(name, std::wstring());
      continue;
    }
    const std::wstring childPath = path + L"\\" + name;
    std::wstring real = files_.FinalPath(childPath);
    if (real.empty()) {  // cannot be resolved, so cannot be listed either
      const DWORD failed = ::GetLastError();
      listing->failures.push_back(Failure{childPath, failed ? failed : static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME)});
      continue;
    }
    bool loops = false;
    for (const Folder* up = &folder; up && !loops; up = up->parent.get()) loops = IsSelfOrAncestor(real, Compose(*up, true));
    if (!loops) listing->children.emplace_back(name, std::move(real));
  }

  for (const std::wstring& fileName : patterns_)
    files_.List(path + L"\\" + fileName,
                [&](const WIN32_FIND_DATAW& data) { listing->matches.push_back(path + L"\\" + data.cFileName); });
}

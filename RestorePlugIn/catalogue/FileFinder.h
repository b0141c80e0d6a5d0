#pragma once
// Finds files by name under folders, at any depth.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class FileSystem;
class WorkerPool;

class FileFinder {
 public:
  // One folder the last walk listed (kept only when asked for).
  struct FolderRecord {
    std::wstring path;
    size_t found;  // matches in the folder itself
  };
  // A folder of the walk that could not be listed or resolved, with the
  // system's error. A folder with no entries at all is no failure.
  struct Failure {
    std::wstring folder;
    DWORD error;
  };
  // Takes a batch of matches; see Start.
  using Decided = std::function<void(std::vector<std::wstring>& matches)>;

  // Folders are listed through files, the machine's own file system when none.
  explicit FileFinder(FileSystem* files = nullptr);
  ~FileFinder();
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;

  void AddFolder(const wchar_t* folder);
  void AddFileName(const wchar_t* fileName);
  // For diagnostics: the next walks record every folder they list.
  void KeepFolderRecords() noexcept { keepRecords_ = true; }

  // Full paths of every match, ordered by UTF-16 code unit, case included.
  // The walk follows directory links, but never one that leads back to a
  // folder on its own way down, and it keeps no recursion on the stack.
  std::vector<std::wstring> Find();
  // The same walk on the pool, by at most walkers tasks at once.
  std::vector<std::wstring> Find(WorkerPool& pool, size_t walkers);

  // Starts the walk on the pool and returns. decided hears every distinct
  // match once, in set order, as soon as no folder still to be listed can
  // give one that sorts before it; ended hears that the walk is over. Both
  // are called holding the finder's lock, on whichever thread decided, so
  // they must only hand over and must not call back into the finder.
  void Start(WorkerPool& pool, size_t walkers, Decided decided, std::function<void()> ended);
  // Whether a listing threw; the walk then leaves the folders after it.
  bool Threw() const;
  // After ended: puts records and failures in walk order, and rethrows the
  // first exception in walk order, which is the one a walk on one thread
  // meets and stops at.
  void Finish();

  // In walk order: a folder's subfolders in name order, each before the
  // folder that follows it, as one thread walks them.
  const std::vector<FolderRecord>& Folders() const noexcept { return folderRecords_; }
  const std::vector<Failure>& Failures() const noexcept { return failures_; }

 private:
  struct Folder;
  struct Listing;
  struct Place;  // where a folder stands in walk order
  template <class T>
  struct Placed;

  void Visit(Folder& folder, const std::wstring& path, Listing* listing) const;
  // One folder from the frontier, then further walkers while folders wait.
  void WalkOne(WorkerPool& pool);
  void TakeLocked(const std::shared_ptr<Folder>& folder, const std::wstring& path, Listing& listing,
                  const std::exception_ptr& thrown);
  static void Drop(std::shared_ptr<Folder> folder) noexcept;
  static void DropAll(std::vector<std::shared_ptr<Folder>>* folders) noexcept;
  void StartWalkersLocked(WorkerPool& pool);
  void DecideLocked();
  void EndIfDoneLocked();
  bool AfterFirstThrowLocked(size_t root, const std::wstring& path) const;

  FileSystem& files_;
  std::set<std::wstring> folders_;
  std::set<std::wstring> fileNames_;
  std::vector<std::wstring> plainNames_, patterns_;
  bool keepRecords_ = false;

  // Lock order: lock_, then whatever decided and ended take, then the
  // pool's own lock (StartWalkersLocked posts holding it).
  mutable SRWLOCK lock_ = SRWLOCK_INIT;  // everything below, while a walk runs
  Decided decided_;
  std::function<void()> ended_;
  size_t walkers_ = 1;
  size_t walking_ = 0;  // walker tasks posted and not yet returned
  bool over_ = true;
  // The frontier: folders still to be listed, the next in walk order last.
  std::vector<std::shared_ptr<Folder>> pending_;
  // path + backslash of every folder pending or being listed: nothing they
  // give can sort before the least of these.
  std::multiset<std::wstring> bounds_;
  std::set<std::wstring> undecided_;  // matches found, not yet handed over
  std::vector<Placed<FolderRecord>> placedRecords_;
  std::vector<Placed<Failure>> placedFailures_;
  std::vector<Placed<std::exception_ptr>> thrown_;

  std::vector<FolderRecord> folderRecords_;
  std::vector<Failure> failures_;
};

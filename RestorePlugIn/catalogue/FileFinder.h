#pragma once
// Finds files by name under folders, at any depth.
#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class WorkerPool;

class FileFinder {
 public:
  // One folder the last Find listed, in the order a walk on one thread
  // lists them.
  struct FolderRecord {
    std::wstring path;
    size_t found;  // matches in the folder itself
  };

  FileFinder();
  ~FileFinder();
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;

  void AddFolder(const wchar_t* folder);
  void AddFileName(const wchar_t* fileName);
  // Full paths of every match, ordered by UTF-16 code unit, case included.
  // The walk follows directory links, but never one that leads back to a
  // folder on its own way down, and it keeps no recursion on the stack.
  std::vector<std::wstring> Find();
  // The same walk on the pool, folders listed by at most walkers of its
  // threads at once, so that the others are free for what found starts:
  // found hears of each match on the walking thread as soon as it is seen
  // (a path reached through two folders of the set, twice). Returns when
  // the pool is idle, with the same results and folder records as Find.
  std::vector<std::wstring> Find(WorkerPool& pool, size_t walkers, std::function<void(const std::wstring&)> found);

  const std::vector<FolderRecord>& Folders() const noexcept { return folderRecords_; }

  // A folder of the walk that could not be listed or resolved, with the
  // system's error. A folder with no entries at all is no failure.
  struct Failure {
    std::wstring folder;
    DWORD error;
  };
  const std::vector<Failure>& Failures() const noexcept { return failures_; }

 private:
  struct Folder;
  // Lists one folder: its matches, and its subfolders as children.
  void Visit(Folder& folder) const;
  // Lists folders of the shared stack until it is empty, starting further
  // walkers while there are fewer than allowed and folders wait.
  void WalkOnPool(WorkerPool& pool);
  void StartWalkersLocked(WorkerPool& pool);
  // Results and folder records of the finished walks, in walk order.
  std::vector<std::wstring> Merge();
  static void Dismantle(std::vector<std::unique_ptr<Folder>>* trees);

  // std::wstring compares by wchar_t, a UTF-16 code unit on Windows.
  std::set<std::wstring> results_;
  std::set<std::wstring> folders_;
  std::set<std::wstring> fileNames_;
  std::vector<std::wstring> plainNames_, patterns_;
  std::function<void(const std::wstring&)> found_;
  SRWLOCK lock_ = SRWLOCK_INIT;  // the three below, while the pool walks
  std::vector<Folder*> pending_;
  size_t walking_ = 0;
  size_t walkers_ = 1;
  std::vector<std::unique_ptr<Folder>> walks_;  // one per folder of the set
  std::vector<FolderRecord> folderRecords_;
  std::vector<Failure> failures_;  // in walk order, as the folder records
};

#pragma once
// The backup catalogue: finds every backup information file under the
// configured folders, reads them and links the backups by their parents.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogue/BackupNode.h"
#include "catalogue/FileSystem.h"
#include "catalogue/ReadXML.h"
#include "comlib/Bstr.h"

class BackupNodes {
 public:
  // What became of one information file that Load found.
  struct FileRecord {
    std::wstring path;
    bool hidden = false;  // left out by the duplicate rule, not read
    HRESULT status = S_OK;
    ReadXML::Outcome outcome = ReadXML::Outcome::NotRead;
    xml::LoadFailure failure;  // for CannotLoad
  };

  // A configured folder that was not searched, or a folder of the walk
  // that could not be.
  struct FolderRecord {
    enum class Problem { Empty, Relative, CannotSearch };
    std::wstring folder;
    Problem problem;
    DWORD error;  // CannotSearch: the system's error
  };

  // One row of the dependency tree, in the order the rows are to be
  // inserted: a row's parent row always comes before it.
  struct TreeRow {
    size_t entry;      // position in entries
    size_t depth;      // 0 for a root
    size_t parentRow;  // kNoRow for a root
  };
  static constexpr size_t kNoRow = static_cast<size_t>(-1);

  // How Load searches and reads.
  struct LoadOptions {
    // Threads of the pool, at most WorkerPool::kMaxWorkers; 0 for
    // WorkerPool::DefaultWorkers(). 1 walks and reads on the calling thread,
    // through the same code.
    size_t workers = 0;
    // Blocks the calling thread until the handle is set; none: a plain
    // wait. Called each time Load waits for the pool, however briefly.
    std::function<void(HANDLE)> wait;
    // Where folders are listed and files opened; none: the machine's own.
    FileSystem* files = nullptr;
  };

  BackupNodes() = default;
  BackupNodes(const BackupNodes&) = default;
  BackupNodes& operator=(const BackupNodes&) = default;
  virtual ~BackupNodes() = default;

  void SetPaths(const std::vector<comlib::Bstr>& paths);
  // Finds, filters and reads; records says what became of each file found,
  // folders which folders gave nothing. Empty and relative roots are not
  // searched. Folders are listed and files read on a pool of threads while
  // the calling thread applies the duplicate rule and takes the readings in
  // order, so a file the rule hides is never opened. entries and records
  // come out as one thread walking and reading in order makes them, and so
  // do failures: an exception of the walk (the first in walk order) leaves
  // infoFiles, entries and both record lists as they were; one of a reading
  // comes out once the walk has ended, with every file listed and the
  // entries of the files before it taken.
  void Load(std::vector<FileRecord>* records = nullptr, std::vector<FolderRecord>* folders = nullptr);
  void Load(std::vector<FileRecord>* records, std::vector<FolderRecord>* folders, const LoadOptions& options);
  void BuildDependencies();
  // S_OK and the position of the first entry shown by the item; S_FALSE when none is.
  HRESULT FindByTreeItem(HTREEITEM item, size_t* position);
  void GetNodeByTreeItem(HTREEITEM item, BackupNode* node);
  void SetTreeItem(const ObjectId& id, HTREEITEM item);

  // The tree the selection page shows: the entries with the null parent id
  // as roots, below each entry the entries that name it as parent, siblings
  // in catalogue order. Every entry appears at most once, so repeated ids
  // and parent cycles cannot make it endless; entries whose parent chain
  // does not reach a root are left out.
  std::vector<TreeRow> DependencyTree() const;

  std::vector<comlib::Bstr> roots;
  std::vector<comlib::Bstr> infoFiles;
  std::vector<BackupNode> entries;

 private:
  const std::vector<size_t>& PositionsOf(const ObjectId& id);

  // Look-ups by id and by tree item, so that the page's calls stay near
  // linear. They follow entries: rebuilt when its size changed, and a tree
  // item found in the index is checked against the entry itself.
  std::unordered_map<ObjectId, std::vector<size_t>, ObjectIdHash> byId_;
  size_t byIdSize_ = static_cast<size_t>(-1);
  std::unordered_map<HTREEITEM, size_t> byTreeItem_;
};

// Whether the duplicate rule leaves out an information file: its folder
// name is a whole folder of a path already listed. Paths are added as they
// are listed.
class DuplicateRule {
 public:
  bool Hides(const std::wstring& path) const;
  void Add(const std::wstring& path);

 private:
  std::unordered_set<std::wstring> folders_;
};

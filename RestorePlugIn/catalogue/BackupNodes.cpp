#include "catalogue/BackupNodes.h"

#include "catalogue/FileFinder.h"
#include "catalogue/PathText.h"
#include "catalogue/WorkerPool.h"
#include "catalogue/Xml.h"
#include "comlib/ComPtr.h"
#include "comlib/Lock.h"
#include "comlib/MsxmlIds.h"

bool DuplicateRule::Hides(const std::wstring& path) const {
  const std::wstring folder = FolderNameOf(path);
  return !folder.empty() && folders_.count(folder) != 0;
}

void DuplicateRule::Add(const std::wstring& path) {
  // Every text between two backslashes; such a text never starts a path.
  size_t start = path.find(L'\\');
  while (start != std::wstring::npos) {
    const size_t end = path.find(L'\\', start + 1);
    if (end == std::wstring::npos) break;
    folders_.insert(path.substr(start + 1, end - start - 1));
    start = end;
  }
}

void BackupNodes::SetPaths(const std::vector<comlib::Bstr>& paths) {
  std::vector<comlib::Bstr> copy = paths;
  infoFiles.clear();
  entries.clear();
  roots = std::move(copy);
  byId_.clear();
  byIdSize_ = static_cast<size_t>(-1);
  byTreeItem_.clear();
}

namespace {

// What one reading of an information file hands back: plain data only.
struct Reading {
  HRESULT status = S_OK;
  ReadXML::Outcome outcome = ReadXML::Outcome::NotRead;
  xml::LoadFailure failure;  // for CannotLoad
  BackupNode node;
};

// Documents are made, parsed and let go by one thread at a time: Wine's
// MSXML corrupts its heap when two threads parse malformed files at once,
// and the host must not fall with it. Listing folders and reading files,
// the part that waits, still runs on every thread.
SRWLOCK g_parsing = SRWLOCK_INIT;
class ParsingTurn : comlib::ExclusiveLock {
 public:
  ParsingTurn() noexcept : ExclusiveLock(&g_parsing) {}
};

void ReadOne(const std::wstring& path, Reading* reading) {
  ReadXML reader(path.c_str());
  reader.Fetch();
  ParsingTurn turn;
  reading->status = reader.Read();
  reading->outcome = reader.LastOutcome();
  reading->failure = reader.Failure();
  if (reading->status == S_OK) reader.GetBackupNode(&reading->node);
}

// Readings by path, filled by the pool's threads. Each path is read once,
// however often it is found; files left out by the duplicate rule are read
// too, since the rule can only be applied once the walk has ended, and
// their readings are not taken.
class Readings {
 public:
  // True for the first claim of a path: the caller reads it.
  bool Claim(const std::wstring& path, Reading** slot) {
    comlib::ExclusiveLock hold(&lock_);
    auto [it, added] = byPath_.try_emplace(path);
    *slot = &it->second;
    return added;
  }
  // After the pool has ended: the reading of a claimed path.
  Reading* Find(const std::wstring& path) {
    const auto it = byPath_.find(path);
    return it == byPath_.end() ? nullptr : &it->second;
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  // Nodes of an unordered_map stay where they are when it grows.
  std::unordered_map<std::wstring, Reading> byPath_;
};

// Registers the document class's object in the calling thread's apartment,
// so that the documents of its readings are made without looking the class
// up in the registry each time; the reader's own creation then finds it
// there. What it returns takes the registration back.
std::function<void()> RegisterDocumentClass() {
  ParsingTurn turn;
  comlib::ComPtr<IClassFactory> factory;
  DWORD cookie = 0;
  if (FAILED(::CoGetClassObject(comlib::msxml::kClsidDomDocument, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                factory.PutVoid())) ||
      FAILED(::CoRegisterClassObject(comlib::msxml::kClsidDomDocument, factory.Get(), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie)))
    return nullptr;
  return [cookie] {
    ParsingTurn turn;
    ::CoRevokeClassObject(cookie);
  };
}

}  // namespace

void BackupNodes::ListNew(const std::vector<std::wstring>& found, std::vector<FileRecord>* records,
                          std::vector<size_t>* recordOf) {
  // A backup copied into a folder of the same name elsewhere is listed once.
  DuplicateRule rule;
  for (const comlib::Bstr& listed : infoFiles) rule.Add(listed.str());
  for (const std::wstring& path : found) {
    const bool hidden = rule.Hides(path);
    if (records) records->push_back(FileRecord{path, hidden, S_OK, ReadXML::Outcome::NotRead, {}});
    if (hidden) continue;
    rule.Add(path);
    infoFiles.emplace_back(path);
    if (records) recordOf->push_back(records->size() - 1);
  }
}

void BackupNodes::Load(std::vector<FileRecord>* records, std::vector<FolderRecord>* folders) {
  Load(records, folders, LoadOptions());
}

void BackupNodes::Load(std::vector<FileRecord>* records, std::vector<FolderRecord>* folders,
                       const LoadOptions& options) {
  FileFinder finder;
  for (const comlib::Bstr& root : roots) {
    const FolderForm form = FormOfFolder(root.str());
    if (form == FolderForm::Full) {
      finder.AddFolder(root.c_str());
    } else if (folders) {
      const auto problem = form == FolderForm::Empty ? FolderRecord::Problem::Empty : FolderRecord::Problem::Relative;
      folders->push_back(FolderRecord{root.str(), problem, 0});
    }
  }
  finder.AddFileName(L"BackupInfo.xml");
  // After the walk, in the order a walk on one thread meets them.
  const auto reportFailures = [&finder, folders] {
    if (!folders) return;
    for (const FileFinder::Failure& failure : finder.Failures())
      folders->push_back(FolderRecord{failure.folder, FolderRecord::Problem::CannotSearch, failure.error});
  };
  const size_t workers = options.workers ? options.workers : WorkerPool::DefaultWorkers();
  const size_t firstNew = infoFiles.size();
  std::vector<size_t> recordOf;  // record index per path of infoFiles from firstNew on

  if (workers <= 1) {
    ListNew(finder.Find(), records, &recordOf);
    reportFailures();
    for (size_t i = 0; i < infoFiles.size(); ++i) {
      Reading reading;
      ReadOne(infoFiles[i].str(), &reading);
      if (records && i >= firstNew) {
        FileRecord& record = (*records)[recordOf[i - firstNew]];
        record.status = reading.status;
        record.outcome = reading.outcome;
        record.failure = reading.failure;
      }
      if (reading.status == S_OK) entries.push_back(std::move(reading.node));
    }
    return;
  }

  Readings readings;
  // Declared last: its threads end before what their tasks use.
  WorkerPool pool(workers, options.wait, RegisterDocumentClass);
  const auto read = [&readings, &pool](const std::wstring& path) {
    Reading* slot = nullptr;
    if (!readings.Claim(path, &slot)) return;
    // Before further folders, so that few readings wait in the queue.
    pool.Post([path, slot] { ReadOne(path, slot); }, true);
  };
  for (const comlib::Bstr& listed : infoFiles) read(listed.str());
  // Every thread may list folders: on a share each listing waits on the
  // network, and the readings, queued first, never wait behind them long.
  ListNew(finder.Find(pool, workers, read), records, &recordOf);
  reportFailures();

  for (size_t i = 0; i < infoFiles.size(); ++i) {
    const std::wstring path = infoFiles[i].str();
    Reading* reading = readings.Find(path);
    Reading late;
    if (!reading) {  // listed, yet not seen by the walk: cannot happen, but read it as before
      ReadOne(path, &late);
      reading = &late;
    }
    if (records && i >= firstNew) {
      FileRecord& record = (*records)[recordOf[i - firstNew]];
      record.status = reading->status;
      record.outcome = reading->outcome;
      record.failure = reading->failure;
    }
    if (reading->status == S_OK) entries.push_back(std::move(reading->node));
  }
}

void BackupNodes::BuildDependencies() {
  // Entries by parent id, in catalogue order: each entry's dependents are
  // the ids of the entries naming it, as a comparison of every pair gives.
  std::unordered_map<ObjectId, std::vector<size_t>, ObjectIdHash> byParent;
  byParent.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) byParent[entries[i].parentId].push_back(i);
  for (BackupNode& entry : entries) {
    const auto it = byParent.find(entry.id);
    if (it == byParent.end()) continue;
    for (size_t child : it->second) entry.dependents.push_back(entries[child].id);
  }
}

const std::vector<size_t>& BackupNodes::PositionsOf(const ObjectId& id) {
  if (byIdSize_ != entries.size()) {
    byId_.clear();
    byId_.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) byId_[entries[i].id].push_back(i);
    byIdSize_ = entries.size();
  }
  static const std::vector<size_t> none;
  const auto it = byId_.find(id);
  return it == byId_.end() ? none : it->second;
}

HRESULT BackupNodes::FindByTreeItem(HTREEITEM item, size_t* position) {
  const auto it = byTreeItem_.find(item);
  if (it != byTreeItem_.end() && it->second < entries.size() && entries[it->second].treeItem == item) {
    // The index holds the first position that SetTreeItem gave the item.
    *position = it->second;
    return S_OK;
  }
  // Not indexed, or written past SetTreeItem: look at every entry.
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].treeItem == item) {
      if (item) byTreeItem_[item] = i;
      *position = i;
      return S_OK;
    }
  }
  return S_FALSE;
}

void BackupNodes::GetNodeByTreeItem(HTREEITEM item, BackupNode* node) {
  size_t position = 0;
  if (FindByTreeItem(item, &position) == S_OK)
    *node = entries[position];
  else
    *node = BackupNode();
}

void BackupNodes::SetTreeItem(const ObjectId& id, HTREEITEM item) {
  const std::vector<size_t>& positions = PositionsOf(id);
  if (positions.empty()) return;
  for (size_t i : positions) entries[i].treeItem = item;
  if (!item) return;
  const auto it = byTreeItem_.find(item);
  const size_t first = positions.front();
  if (it == byTreeItem_.end() || it->second >= entries.size() || entries[it->second].treeItem != item ||
      first < it->second)
    byTreeItem_[item] = first;
}

std::vector<BackupNodes::TreeRow> BackupNodes::DependencyTree() const {
  std::unordered_map<ObjectId, std::vector<size_t>, ObjectIdHash> children;
  std::vector<size_t> rootEntries;
  for (size_t i = 0; i < entries.size(); ++i) {
    // The null parent id means "depends on none", also below an entry whose
    // own id did not parse.
    if (IsNullObjectId(entries[i].parentId))
      rootEntries.push_back(i);
    else
      children[entries[i].parentId].push_back(i);
  }

  struct Pending {
    size_t entry, depth, parentRow;
  };
  std::vector<TreeRow> rows;
  std::vector<bool> shown(entries.size(), false);
  std::vector<Pending> stack;
  for (auto it = rootEntries.rbegin(); it != rootEntries.rend(); ++it) stack.push_back({*it, 0, kNoRow});
  while (!stack.empty()) {
    const Pending next = stack.back();
    stack.pop_back();
    if (shown[next.entry]) continue;
    shown[next.entry] = true;
    rows.push_back(TreeRow{next.entry, next.depth, next.parentRow});
    const size_t row = rows.size() - 1;
    const auto it = children.find(entries[next.entry].id);
    if (it == children.end()) continue;
    for (auto c = it->second.rbegin(); c != it->second.rend(); ++c)
      if (!shown[*c]) stack.push_back({*c, next.depth + 1, row});
  }
  return rows;
}

#include "catalogue/BackupNodes.h"

#include <algorithm>
#include <new>

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

// Readings in flight per thread of the pool: enough that no thread waits
// for the loading thread to take one, few enough that the readings held
// stay a handful whatever the size of the tree.
constexpr size_t kReadingsPerWorker = 4;

// What one reading of an information file hands back: plain data only.
struct Reading {
  HRESULT status = S_OK;
  ReadXML::Outcome outcome = ReadXML::Outcome::NotRead;
  xml::LoadFailure failure;  // for CannotLoad
  BackupNode node;
};

void ReadOne(const std::wstring& path, FileSystem& files, Reading* reading) {
  ReadXML reader(path.c_str(), &files);
  reader.Fetch();  // the part that waits, outside the turn
  xml::ParsingTurn turn;
  reading->status = reader.Read();
  reading->outcome = reader.LastOutcome();
  reading->failure = reader.Failure();
  if (reading->status == S_OK) reader.GetBackupNode(&reading->node);
}

// Registers the document class's object in the calling thread's apartment,
// so that the documents of its readings are made without looking the class
// up in the registry each time; the reader's own creation then finds it
// there. What it returns takes the registration back.
std::function<void()> RegisterDocumentClass() {
  xml::ParsingTurn turn;
  comlib::ComPtr<IClassFactory> factory;
  DWORD cookie = 0;
  if (FAILED(::CoGetClassObject(comlib::msxml::kClsidDomDocument, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                factory.PutVoid())) ||
      FAILED(::CoRegisterClassObject(comlib::msxml::kClsidDomDocument, factory.Get(), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie)))
    return nullptr;
  return [cookie] {
    xml::ParsingTurn turn;
    ::CoRevokeClassObject(cookie);
  };
}

// What the pool hands to the loading thread: the matches the walk has
// decided, whether the walk has ended, and a window of readings, reading i
// in slot i modulo the window. The loading thread arms a slot before its
// reading is posted and takes it once done; meanwhile only the reading's
// task touches it.
class Flow {
 public:
  struct Slot {
    bool done = false;
    Reading reading;
    std::exception_ptr thrown;
  };

  explicit Flow(size_t window) : slots_(window), changed_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (!changed_) throw std::bad_alloc();
  }
  HANDLE Changed() const noexcept { return changed_.get(); }
  size_t Window() const noexcept { return slots_.size(); }

  // From the walk.
  void Decided(std::vector<std::wstring>& matches) {
    {
      comlib::ExclusiveLock hold(&lock_);
      decided_.insert(decided_.end(), std::make_move_iterator(matches.begin()),
                      std::make_move_iterator(matches.end()));
    }
    ::SetEvent(changed_.get());
  }
  void Ended() {
    {
      comlib::ExclusiveLock hold(&lock_);
      ended_ = true;
    }
    ::SetEvent(changed_.get());
  }
  // The matches decided since the last call; true once the walk has ended,
  // and then they are the last.
  bool TakeDecided(std::vector<std::wstring>* matches) {
    comlib::ExclusiveLock hold(&lock_);
    matches->swap(decided_);
    return ended_;
  }

  void Arm(size_t i) {
    Slot& slot = slots_[i % slots_.size()];
    slot = Slot();
  }
  // On the pool.
  void Read(size_t i, const std::wstring& path, FileSystem& files) noexcept {
    Slot& slot = slots_[i % slots_.size()];
    try {
      ReadOne(path, files, &slot.reading);
    } catch (...) {
      slot.thrown = std::current_exception();
    }
    {
      comlib::ExclusiveLock hold(&lock_);
      slot.done = true;
    }
    ::SetEvent(changed_.get());
  }
  // Reading i, or null while it runs.
  Slot* Done(size_t i) {
    Slot& slot = slots_[i % slots_.size()];
    comlib::ExclusiveLock hold(&lock_);
    return slot.done ? &slot : nullptr;
  }

 private:
  // Taken while the finder's lock is held (Decided, Ended); takes nothing.
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<std::wstring> decided_;
  bool ended_ = false;
  std::vector<Slot> slots_;
  comlib::UniqueHandle changed_;  // auto-reset: set at every hand-over
};

template <class T>
void CutTo(std::vector<T>* list, size_t size) {
  if (list) list->erase(list->begin() + static_cast<std::ptrdiff_t>(size), list->end());
}

}  // namespace

void BackupNodes::Load(std::vector<FileRecord>* records, std::vector<FolderRecord>* folders) {
  Load(records, folders, LoadOptions());
}

void BackupNodes::Load(std::vector<FileRecord>* records, std::vector<FolderRecord>* folders,
                       const LoadOptions& options) {
  FileSystem& files = options.files ? *options.files : FileSystem::Real();
  FileFinder finder(&files);
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
  const size_t workers = std::min(options.workers ? options.workers : WorkerPool::DefaultWorkers(),
                                  WorkerPool::kMaxWorkers);
  // What a failed walk leaves.
  const size_t firstNew = infoFiles.size(), firstEntry = entries.size();
  const size_t firstRecord = records ? records->size() : 0, firstFolder = folders ? folders->size() : 0;

  // A backup copied into a folder of the same name elsewhere is listed once.
  DuplicateRule rule;
  for (const comlib::Bstr& listed : infoFiles) rule.Add(listed.str());
  std::vector<size_t> recordOf;  // record index per path of infoFiles from firstNew on
  Flow flow(kReadingsPerWorker * workers);
  // Declared last: its threads end before what their tasks use. With one
  // worker it has no thread, and this thread runs its tasks.
  WorkerPool pool(workers > 1 ? workers : 0, nullptr, RegisterDocumentClass);
  finder.Start(
      pool, workers, [&flow](std::vector<std::wstring>& matches) { flow.Decided(matches); },
      [&flow] { flow.Ended(); });

  size_t posted = 0, taken = 0;
  std::exception_ptr readFailure;
  std::vector<std::wstring> decided;
  for (;;) {
    const bool walked = flow.TakeDecided(&decided);
    for (std::wstring& path : decided) {
      const bool hidden = rule.Hides(path);
      if (records) records->push_back(FileRecord{path, hidden, S_OK, ReadXML::Outcome::NotRead, {}});
      if (hidden) continue;
      rule.Add(path);
      infoFiles.emplace_back(path);
      if (records) recordOf.push_back(records->size() - 1);
    }
    decided.clear();

    const bool stopped = readFailure || finder.Threw();
    while (!stopped && posted < infoFiles.size() && posted - taken < flow.Window()) {
      flow.Arm(posted);
      pool.Post([&flow, &files, i = posted, path = infoFiles[posted].str()] { flow.Read(i, path, files); }, true);
      ++posted;
    }
    const size_t takenBefore = taken;
    while (!stopped && taken < posted) {
      Flow::Slot* slot = flow.Done(taken);
      if (!slot) break;
      if (slot->thrown) {
        readFailure = slot->thrown;
        break;
      }
      if (records && taken >= firstNew) {
        FileRecord& record = (*records)[recordOf[taken - firstNew]];
        record.status = slot->reading.status;
        record.outcome = slot->reading.outcome;
        record.failure = slot->reading.failure;
      }
      if (slot->reading.status == S_OK) entries.push_back(std::move(slot->reading.node));
      ++taken;
    }
    if (walked && (readFailure || finder.Threw() || taken == infoFiles.size())) break;
    // What was taken freed room in the window: fill it before waiting, as
    // nothing may be left to wake this thread.
    if (taken != takenBefore) continue;

    if (!pool.Serving()) {
      if (!pool.RunQueued()) break;  // nothing left to run: nothing more will come
    } else if (options.wait) {
      options.wait(flow.Changed());
    } else {
      ::WaitForSingleObject(flow.Changed(), INFINITE);
    }
  }

  try {
    finder.Finish();
  } catch (...) {
    CutTo(&infoFiles, firstNew);
    CutTo(&entries, firstEntry);
    CutTo(records, firstRecord);
    CutTo(folders, firstFolder);
    throw;
  }
  if (folders)
    for (const FileFinder::Failure& failure : finder.Failures())
      folders->push_back(FolderRecord{failure.folder, FolderRecord::Problem::CannotSearch, failure.error});
  if (readFailure) std::rethrow_exception(readFailure);
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

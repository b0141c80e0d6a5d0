// The catalogue searched and read on a pool of threads against the same
// catalogue walked and read on one thread, over generated trees with every
// kind of file the catalogue drops. The pools have more threads than the
// machine has cores and the folders are tiny, so that the threads meet often.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "Links.h"
#include "TestSupport.h"
#include "catalogue/BackupNodes.h"
#include "catalogue/FileFinder.h"
#include "catalogue/FileSystem.h"
#include "catalogue/ObjectIds.h"
#include "catalogue/WorkerPool.h"
#include "comlib/Lock.h"
#include "comlib/Unique.h"
#include "MutationCampaign.h"

namespace {

using testing_support::TempDir;

std::string IdText(int n) {
  char text[40];
  snprintf(text, sizeof text, "{%08X-0000-4000-8000-000000000000}", n);
  return text;
}

std::string CurrentXml(int serial, const std::string& id, const std::string& parent) {
  return "<BACKUP Name=\"B" + std::to_string(serial) + "\" Id=\"" + id + "\" ParentId=\"" + parent +
         "\"><SERVICE Name=\"S\" Id=\"" + IdText(7000 + serial) + "\" HelperId=\"" + IdText(8000) +
         "\" BackupPath=\"P\"/><SYSTEM SystemName=\"Sys" + std::to_string(serial) + "\"><NODE NodeName=\"N" +
         std::to_string(serial) + "\" NodeId=\"" + IdText(9000 + serial) + "\"/><RESTORENODE NodeId=\"" +
         IdText(9000 + serial) + "\" ProjectDataPath=\"D:\\P\"/></SYSTEM></BACKUP>";
}

// A tree of backups under three roots: chains, repeated ids, parent cycles,
// orphans, folder names that recur (the duplicate rule), files that cannot
// be loaded or read, tiny data folders and directory links that lead back.
class GeneratedTree {
 public:
  GeneratedTree(const TempDir& dir, unsigned seed) : dir_(dir) {
    std::mt19937 random(seed);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const wchar_t* const names[] = {L"Mon", L"Tue", L"Backup1", L"Backup10", L"a", L"Data", L"Old"};
    std::set<std::wstring> used;  // each folder is written once
    for (int i = 0; i < 90; ++i) {
      std::wstring folder = L"R" + std::to_wstring(pick(3));
      for (int depth = 1 + pick(3); depth > 0; --depth)
        folder += std::wstring(L"\\") + names[pick(7)] + (pick(2) ? std::to_wstring(pick(3)) : L"");
      if (pick(10) < 7 || !used.insert(folder).second) folder += L"\\B" + std::to_wstring(i);
      const std::string id = IdText(1 + pick(30));  // thirty ids for ninety backups
      const std::string parent = pick(4) == 0 ? "" : pick(5) == 0 ? IdText(900 + pick(3)) : IdText(1 + pick(30));
      const int kind = pick(20);
      Write(folder, Xml(kind, i, id, parent), kind == kLocked);
      for (int k = pick(3); k > 0; --k) {
        const std::wstring data = folder + L"\\d" + std::to_wstring(k);
        if (pick(2))
          dir_.WriteFile(data + L"\\part.dat", "x");
        else
          dir_.MakeDir(data);
      }
    }
    // One of each kind for certain.
    for (int kind = 10; kind <= kLocked; ++kind)
      Write(L"R2\\Each\\K" + std::to_wstring(kind), Xml(kind, 500 + kind, IdText(60 + kind), ""), kind == kLocked);
    // A cycle of two, and one backup that names itself.
    Write(L"R0\\CycA", CurrentXml(1001, IdText(50), IdText(51)), false);
    Write(L"R1\\CycB", CurrentXml(1002, IdText(51), IdText(50)), false);
    Write(L"R2\\Self", CurrentXml(1003, IdText(52), IdText(52)), false);
    roots = {dir_ / L"R0", dir_ / L"R1", dir_ / L"R2", dir_ / L"R0\\Mon", dir_ / L"Missing"};
  }

  // Links back to a root, back to the folder above, and across to another
  // root (followed once).
  bool MakeLinks(links::Links* links) const {
    dir_.MakeDir(L"R0\\Old");
    dir_.MakeDir(L"R1\\a");
    return links->Make(dir_ / L"R0\\Old\\loop", dir_ / L"R0") && links->Make(dir_ / L"R1\\a\\up", dir_ / L"R1") &&
           links->Make(dir_ / L"R2\\across", dir_ / L"R1");
  }

  std::vector<std::wstring> roots;
  std::set<std::wstring> legacyFolders;  // their ids are new at every reading

 private:
  static constexpr int kLocked = 18;

  static std::string Xml(int kind, int serial, const std::string& id, const std::string& parent) {
    switch (kind) {
      case 10: return fixtures::Legacy();
      case 11: return "<BACKUP Name=\"broken\" Id=\"" + id + "\"";
      case 12: return "";
      case 13:
        return "<BACKUP Name=\"svc\" Id=\"" + id + "\"><SERVICE Name=\"S\" Id=\"" + id + "\" HelperId=\"" + id +
               "\"/><SYSTEM><NODE NodeName=\"N\"/></SYSTEM></BACKUP>";
      case 14: return "<BACKUP Name=\"nosys\" Id=\"" + id + "\"><OTHER/></BACKUP>";
      case 15: return "<BACKUP Name=\"emptysys\" Id=\"" + id + "\"><SYSTEM/></BACKUP>";
      case 16: return "<!DOCTYPE BACKUP []>" + CurrentXml(serial, id, parent);
      case 17: return "<BACKUP Name=\"bare\" Id=\"" + id + "\"/>";
      default: return CurrentXml(serial, id, parent);  // kLocked too: readable text, but held open
    }
  }

  void Write(const std::wstring& folder, const std::string& xml, bool locked) {
    const std::wstring path = fixtures::Backup(dir_, folder, xml);
    if (xml == fixtures::Legacy())
      legacyFolders.insert(dir_ / folder);
    else
      legacyFolders.erase(dir_ / folder);
    if (!locked) return;
    // Held open without sharing: listed, but it cannot be read.
    comlib::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) held_.push_back(std::move(file));
  }

  const TempDir& dir_;
  std::vector<comlib::UniqueFile> held_;
};

bool IsLegacy(const GeneratedTree& tree, const std::wstring& infoFile) {
  const size_t slash = infoFile.rfind(L'\\');
  return slash != std::wstring::npos && tree.legacyFolders.count(infoFile.substr(0, slash)) != 0;
}

// Everything a Load gives, as text; a legacy backup's id is named by its file.
std::wstring Describe(const GeneratedTree& tree, const BackupNodes& nodes,
                      const std::vector<BackupNodes::FileRecord>& records) {
  std::map<std::wstring, std::wstring> fresh;
  for (const BackupNode& e : nodes.entries)
    if (IsLegacy(tree, e.infoFilePath.str())) fresh[ObjectIdToText(e.id)] = L"new id of " + e.infoFilePath.str();
  const auto id = [&fresh](const ObjectId& value) {
    const std::wstring text = ObjectIdToText(value);
    const auto it = fresh.find(text);
    return it == fresh.end() ? text : it->second;
  };
  std::wstring text = L"files:\n";
  for (const comlib::Bstr& file : nodes.infoFiles) text += file.str() + L"\n";
  text += L"entries:\n";
  for (const BackupNode& e : nodes.entries) {
    text += e.name.str() + L"|" + id(e.id) + L"|" + e.infoFilePath.str() + L"|" + id(e.parentId) + L"|" +
            e.systemName.str() + L"|" + e.systemDescription.str() + L"|" + e.projectDataPath.str() + L"|" +
            e.serverDataPath.str() + L"|" + e.serverData2Path.str() + L"|" + e.workplaceDataPath.str() + L"\n";
    for (size_t n = 0; n < e.nodeNames.size(); ++n)
      text += L"  node " + e.nodeNames[n].str() + L" " + id(e.nodeIds[n]) + (e.IsRestoreNode(e.nodeIds[n]) ? L" primary\n" : L"\n");
    text += L"  primaries " + std::to_wstring(e.primaryNodeIds.size()) + L"\n";
    for (const ServiceEntry& s : e.services)
      text += L"  service " + s.name.str() + L" " + id(s.serviceId) + L" " + id(s.helperId) + L" " +
              s.backupPath.str() + L"\n";
    for (const ObjectId& d : e.dependents) text += L"  dependent " + id(d) + L"\n";
  }
  text += L"records:\n";
  for (const BackupNodes::FileRecord& r : records)
    text += r.path + (r.hidden ? L" hidden " : L" listed ") + std::to_wstring(r.status) + L" " +
            std::to_wstring(static_cast<int>(r.outcome)) + L"\n";
  text += L"tree:\n";
  for (const BackupNodes::TreeRow& row : nodes.DependencyTree())
    text += std::to_wstring(row.depth) + L" " + std::to_wstring(row.entry) + L"\n";
  return text;
}

struct Loaded {
  BackupNodes nodes;
  std::vector<BackupNodes::FileRecord> records;
  std::vector<BackupNodes::FolderRecord> folders;
};

// The folders that gave nothing, with their problem and error, in order.
std::wstring DescribeFolders(const std::vector<BackupNodes::FolderRecord>& folders) {
  std::wstring text;
  for (const BackupNodes::FolderRecord& f : folders)
    text += f.folder + L" " + std::to_wstring(static_cast<int>(f.problem)) + L" " + std::to_wstring(f.error) + L"\n";
  return text;
}

// SetPaths, Load, BuildDependencies, then a second Load without SetPaths,
// which reads every listed file once more.
void LoadTwice(const GeneratedTree& tree, size_t workers, Loaded* out) {
  const std::vector<comlib::Bstr> roots(tree.roots.begin(), tree.roots.end());
  BackupNodes::LoadOptions options;
  options.workers = workers;
  out->nodes.SetPaths(roots);
  out->nodes.Load(&out->records, &out->folders, options);
  out->nodes.BuildDependencies();
  out->nodes.Load(&out->records, &out->folders, options);
}

class ParallelCatalogue : public ::testing::TestWithParam<unsigned> {};

TEST_P(ParallelCatalogue, ListsReadsAndDropsAsOneThreadDoes) {
  TempDir dir;
  GeneratedTree tree(dir, GetParam());
  links::Links links;
  ASSERT_TRUE(tree.MakeLinks(&links) || !links::UnderWine());

  Loaded serial;
  LoadTwice(tree, 1, &serial);
  const std::wstring expected = Describe(tree, serial.nodes, serial.records);
  const std::wstring expectedFolders = DescribeFolders(serial.folders);
  // The missing root is reported, once for each Load.
  EXPECT_FALSE(serial.folders.empty());
  // The tree holds what it is meant to: every way a file is dropped.
  std::set<ReadXML::Outcome> outcomes;
  size_t hidden = 0;
  for (const BackupNodes::FileRecord& r : serial.records) {
    outcomes.insert(r.outcome);
    hidden += r.hidden;
  }
  EXPECT_GT(hidden, 0u);
  for (ReadXML::Outcome o : {ReadXML::Outcome::Read, ReadXML::Outcome::CannotLoad, ReadXML::Outcome::NoNodeContainer,
                             ReadXML::Outcome::EmptyNodeContainer, ReadXML::Outcome::EmptyDocumentElement,
                             ReadXML::Outcome::MalformedService})
    EXPECT_EQ(1u, outcomes.count(o)) << "no file read with outcome " << static_cast<int>(o);
  EXPECT_GT(serial.nodes.entries.size(), 20u);

  for (size_t workers : {2u, 3u, 8u}) {
    for (int run = 0; run < 3; ++run) {
      SCOPED_TRACE(testing::Message() << workers << " workers, run " << run);
      Loaded parallel;
      LoadTwice(tree, workers, &parallel);
      EXPECT_EQ(expected, Describe(tree, parallel.nodes, parallel.records));
      EXPECT_EQ(expectedFolders, DescribeFolders(parallel.folders));
    }
  }
}

TEST_P(ParallelCatalogue, WalkGivesTheFilesAndFolderOrderOfOneThread) {
  TempDir dir;
  GeneratedTree tree(dir, GetParam());
  links::Links links;
  ASSERT_TRUE(tree.MakeLinks(&links) || !links::UnderWine());
  const auto finder = [&tree](FileFinder* f) {
    for (const std::wstring& root : tree.roots) f->AddFolder(root.c_str());
    f->AddFolder(tree.roots.front().c_str());
    f->AddFileName(L"BackupInfo.xml");
    f->AddFileName(L"*.dat");
    f->KeepFolderRecords();
  };
  FileFinder serial;
  finder(&serial);
  const std::vector<std::wstring> files = serial.Find();
  std::vector<std::pair<std::wstring, size_t>> folders;
  for (const FileFinder::FolderRecord& r : serial.Folders()) folders.emplace_back(r.path, r.found);
  ASSERT_GT(folders.size(), 100u);
  for (size_t workers : {2u, 8u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    FileFinder parallel;
    finder(&parallel);
    WorkerPool pool(workers);
    // Handed over while the walk runs, in set order, each once.
    std::vector<std::wstring> heard;
    bool ended = false;
    parallel.Start(
        pool, workers,
        [&](std::vector<std::wstring>& matches) {
          EXPECT_FALSE(ended);
          heard.insert(heard.end(), matches.begin(), matches.end());
        },
        [&] { ended = true; });
    pool.Wait();
    parallel.Finish();
    EXPECT_TRUE(ended);
    EXPECT_EQ(files, heard);
    std::vector<std::pair<std::wstring, size_t>> order;
    for (const FileFinder::FolderRecord& r : parallel.Folders()) order.emplace_back(r.path, r.found);
    EXPECT_TRUE(folders == order) << "the folders come in another order";
    EXPECT_EQ(files, parallel.Find(pool, workers)) << "a second walk on the same finder";
  }
}

// Passes to the machine's file system, counting what is opened, and throws
// where told to: from the listing of named folders, the first of them
// (in walk order) only after the others have thrown.
class WatchedFileSystem : public FileSystem {
 public:
  DWORD List(const std::wstring& pattern, const Entry& entry) override {
    const std::wstring folder = pattern.substr(0, pattern.rfind(L'\\'));
    for (size_t i = 0; i < throwIn.size(); ++i) {
      if (!EqualsNoCase(folder, throwIn[i])) continue;
      if (i == 0) ::Sleep(300);
      throw std::runtime_error("cannot list " + testing_support::Narrow(folder));
    }
    return FileSystem::Real().List(pattern, entry);
  }
  std::wstring FinalPath(const std::wstring& path) override { return FileSystem::Real().FinalPath(path); }
  comlib::UniqueFile OpenForReading(const std::wstring& path) override {
    {
      const comlib::ExclusiveLock hold(&lock_);
      opened_.push_back(path);
    }
    return FileSystem::Real().OpenForReading(path);
  }
  std::vector<std::wstring> Opened() {
    const comlib::ExclusiveLock hold(&lock_);
    return std::exchange(opened_, {});
  }

  std::vector<std::wstring> throwIn;

 private:
  static bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
  }
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<std::wstring> opened_;
};

// Weekly rotation folders: every site keeps a Monday and a Tuesday copy,
// and the duplicate rule lists only the first of each name.
TEST(ParallelCatalogueOfHiddenCopies, OpensOnlyWhatTheDuplicateRuleKeeps) {
  TempDir dir;
  for (int site = 0; site < 40; ++site)
    for (const wchar_t* day : {L"Monday", L"Tuesday"})
      fixtures::Backup(dir, L"R\\Site" + std::to_wstring(1000 + site) + L"\\" + day,
                       CurrentXml(site, IdText(site + 1), ""));
  fixtures::Backup(dir, L"R\\Single", CurrentXml(99, IdText(99), ""));
  const std::wstring r = dir / L"R";
  const std::vector<std::wstring> kept{r + L"\\Single\\BackupInfo.xml", r + L"\\Site1000\\Monday\\BackupInfo.xml",
                                       r + L"\\Site1000\\Tuesday\\BackupInfo.xml"};
  for (size_t workers : {1u, 2u, 8u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    WatchedFileSystem files;
    BackupNodes nodes;
    nodes.SetPaths({comlib::Bstr(r)});
    std::vector<BackupNodes::FileRecord> records;
    BackupNodes::LoadOptions options;
    options.workers = workers;
    options.files = &files;
    nodes.Load(&records, nullptr, options);
    std::vector<std::wstring> listed;
    for (const comlib::Bstr& file : nodes.infoFiles) listed.push_back(file.str());
    EXPECT_EQ(kept, listed);
    EXPECT_EQ(81u, records.size());
    ASSERT_EQ(3u, nodes.entries.size());
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], nodes.entries[i].infoFilePath.str());
    std::vector<std::wstring> opened = files.Opened();
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(kept, opened) << "a hidden file was opened, or a listed one more than once";
    // A second Load reads what is listed once more, and only that.
    nodes.Load(nullptr, nullptr, options);
    opened = files.Opened();
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(kept, opened);
    EXPECT_EQ(6u, nodes.entries.size());
  }
}

// A loading thread slower than the pool: by the time it looks, every
// reading of the window is done and the walk is over, so nothing will wake
// it again; it must refill the window before it waits.
TEST(ParallelCatalogueWindow, SlowLoadingThreadNeverWaitsForNothing) {
  TempDir dir;
  for (int i = 0; i < 60; ++i) fixtures::Backup(dir, L"R\\B" + std::to_wstring(100 + i), CurrentXml(i, IdText(i + 1), ""));
  for (size_t workers : {2u, 3u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    int stalls = 0;
    BackupNodes nodes;
    nodes.SetPaths({comlib::Bstr(dir / L"R")});
    BackupNodes::LoadOptions options;
    options.workers = workers;
    options.wait = [&stalls](HANDLE changed) {
      ::Sleep(30);
      // Far longer than any reading here; once it passes, no wake was coming.
      if (::WaitForSingleObject(changed, 10000) == WAIT_TIMEOUT) ++stalls;
    };
    nodes.Load(nullptr, nullptr, options);
    EXPECT_EQ(0, stalls);
    EXPECT_EQ(60u, nodes.entries.size());
  }
}

// A second Find sees the tree as it is then, not added to the first.
TEST(FileFinderAgain, SecondFindGivesOnlyWhatIsThereNow) {
  TempDir dir;
  fixtures::Backup(dir, L"R\\A", "<a/>");
  fixtures::Backup(dir, L"R\\B", "<a/>");
  for (size_t workers : {0u, 2u}) {
    SCOPED_TRACE(testing::Message() << workers << " threads");
    FileFinder finder;
    finder.AddFolder((dir / L"R").c_str());
    finder.AddFileName(L"BackupInfo.xml");
    WorkerPool pool(workers);
    EXPECT_EQ(2u, finder.Find(pool, 2).size());
    ASSERT_TRUE(::MoveFileW((dir / L"R\\B").c_str(), (dir / L"Away").c_str()));
    EXPECT_EQ(std::vector<std::wstring>{dir / L"R\\A\\BackupInfo.xml"}, finder.Find(pool, 2));
    ASSERT_TRUE(::MoveFileW((dir / L"Away").c_str(), (dir / L"R\\B").c_str()));
  }
}

// Listings that throw: the exception a walk on one thread meets first comes
// out, whichever thread threw first, and the catalogue is left as it was;
// the same finder then walks again from the start.
TEST_P(ParallelCatalogue, FailureOnAWorkerEndsAsOnOneThread) {
  TempDir dir;
  GeneratedTree tree(dir, GetParam());
  WatchedFileSystem files;
  // R1 comes before R2 in walk order; R2 throws at once, R1 after a pause.
  files.throwIn = {dir / L"R1", dir / L"R2"};
  const auto load = [&](size_t workers, std::string* thrown) {
    Loaded loaded;
    BackupNodes::LoadOptions options;
    options.workers = workers;
    loaded.nodes.SetPaths(std::vector<comlib::Bstr>(tree.roots.begin(), tree.roots.end()));
    loaded.nodes.Load(&loaded.records, &loaded.folders, options);  // no failure yet
    options.files = &files;
    try {
      loaded.nodes.Load(&loaded.records, &loaded.folders, options);
    } catch (const std::runtime_error& e) {
      *thrown = e.what();
    }
    return Describe(tree, loaded.nodes, loaded.records) + DescribeFolders(loaded.folders);
  };
  std::string expectedThrow;
  const std::wstring expected = load(1, &expectedThrow);
  EXPECT_EQ("cannot list " + testing_support::Narrow(dir / L"R1"), expectedThrow);
  for (size_t workers : {2u, 8u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    std::string thrown;
    EXPECT_EQ(expected, load(workers, &thrown));
    EXPECT_EQ(expectedThrow, thrown);
  }

  for (size_t workers : {0u, 3u}) {
    FileFinder finder(&files);
    for (const std::wstring& root : tree.roots) finder.AddFolder(root.c_str());
    finder.AddFileName(L"BackupInfo.xml");
    WorkerPool pool(workers);
    EXPECT_THROW(finder.Find(pool, 3), std::runtime_error);
    const std::vector<std::wstring> throwIn = std::exchange(files.throwIn, {});
    FileFinder fresh;
    for (const std::wstring& root : tree.roots) fresh.AddFolder(root.c_str());
    fresh.AddFileName(L"BackupInfo.xml");
    EXPECT_EQ(fresh.Find(), finder.Find(pool, 3)) << workers << " threads: the walk after a failure";
    files.throwIn = throwIn;
  }
}

// Malformed files in every way the mutation campaign makes them, read on
// more threads than cores: the readings must not meet inside the parser,
// and each file ends as it does on one thread.
TEST(ParallelCatalogueOfHostileFiles, EveryFileEndsAsOnOneThread) {
  TempDir dir;
  mutation::Random random(20240613);
  for (int i = 0; i < 400; ++i)
    fixtures::Backup(dir, L"H\\B" + std::to_wstring(i), mutation::MutatedInfoFile(random));
  const auto describe = [](const BackupNodes& nodes, const std::vector<BackupNodes::FileRecord>& records) {
    std::wstring text;
    for (const BackupNodes::FileRecord& r : records)
      text += r.path + L" " + std::to_wstring(r.status) + L" " + std::to_wstring(static_cast<int>(r.outcome)) +
              L" " + r.failure.Describe() + L"\n";
    for (const BackupNode& e : nodes.entries)
      text += e.infoFilePath.str() + L"|" + e.name.str() + L"|" + e.systemName.str() + L"|" +
              std::to_wstring(e.nodeNames.size()) + L"|" + std::to_wstring(e.services.size()) + L"\n";
    return text;
  };
  const auto load = [&dir, &describe](size_t workers) {
    BackupNodes nodes;
    nodes.SetPaths({comlib::Bstr(dir / L"H")});
    std::vector<BackupNodes::FileRecord> records;
    BackupNodes::LoadOptions options;
    options.workers = workers;
    nodes.Load(&records, nullptr, options);
    return describe(nodes, records);
  };
  const std::wstring expected = load(1);
  for (int run = 0; run < 8; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    EXPECT_EQ(expected, load(8));
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ParallelCatalogue, ::testing::Values(1u, 2u, 3u));

}  // namespace

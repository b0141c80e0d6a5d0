#include <gtest/gtest.h>

#include "Fixtures.h"
#include "TestSupport.h"
#include "catalogue/BackupNodes.h"
#include "catalogue/FileFinder.h"

namespace {

using fixtures::kId1;
using fixtures::kId2;
using fixtures::kId3;
using testing_support::TempDir;

std::vector<std::wstring> Texts(const std::vector<comlib::Bstr>& list) {
  std::vector<std::wstring> out;
  for (const comlib::Bstr& b : list) out.push_back(b.str());
  return out;
}

std::vector<std::wstring> Names(const BackupNodes& nodes) {
  std::vector<std::wstring> out;
  for (const BackupNode& e : nodes.entries) out.push_back(e.name.str());
  return out;
}

BackupNodes LoadFrom(const std::vector<std::wstring>& roots) {
  BackupNodes nodes;
  std::vector<comlib::Bstr> paths(roots.begin(), roots.end());
  nodes.SetPaths(paths);
  nodes.Load();
  nodes.BuildDependencies();
  return nodes;
}

TEST(FileFinder, FindsByNameAtAnyDepthInOrdinalOrder) {
  TempDir dir;
  fixtures::Backup(dir, L"R\\Backup1", "<a/>");
  fixtures::Backup(dir, L"R\\Backup10", "<a/>");
  fixtures::Backup(dir, L"R\\a\\b\\c", "<a/>");
  dir.WriteFile(L"R\\x\\backupinfo.XML", "<a/>");  // the file system's match: no case
  dir.WriteFile(L"R\\x\\BackupInfo.xml.old", "<a/>");
  dir.MakeDir(L"R\\Empty");
  FileFinder finder;
  finder.AddFolder((dir / L"R").c_str());
  finder.AddFolder((dir / L"R\\a").c_str());  // overlapping: found once
  finder.AddFolder((dir / L"Missing").c_str());
  finder.AddFileName(L"BackupInfo.xml");
  const std::wstring r = dir / L"R";
  EXPECT_EQ((std::vector<std::wstring>{r + L"\\Backup10\\BackupInfo.xml", r + L"\\Backup1\\BackupInfo.xml",
                                       r + L"\\a\\b\\c\\BackupInfo.xml", r + L"\\x\\backupinfo.XML"}),
            finder.Find());
}

// Calls walk with only about left bytes of the thread's stack still free.
template <class F>
__attribute__((noinline)) void WithStackLeft(size_t left, F&& walk) {
  MEMORY_BASIC_INFORMATION stack = {};
  ASSERT_NE(0u, ::VirtualQuery(&stack, &stack, sizeof stack));
  const size_t free = static_cast<size_t>(reinterpret_cast<char*>(&stack) - static_cast<char*>(stack.AllocationBase));
  ASSERT_GT(free, 2 * left);
  volatile char* used = static_cast<char*>(__builtin_alloca(free - left));
  used[0] = 0;
  walk();
  used[1] = 0;  // keeps the block in use until the walk is over
}

// Deep enough that a walk keeping a frame per level (its find record alone
// is about 600 bytes) runs out of the stack it is left.
TEST(FileFinder, DeepTreeWalksWithoutRecursion) {
  constexpr int kDepth = 300;
  constexpr size_t kStackLeft = 96 * 1024;
  TempDir dir;
  std::wstring relative = L"D";
  for (int i = 0; i < kDepth; ++i) relative += L"\\d";
  fixtures::Backup(dir, relative, "<a/>");
  FileFinder finder;
  finder.AddFolder((dir / L"D").c_str());
  finder.AddFileName(L"BackupInfo.xml");
  size_t found = 0;
  WithStackLeft(kStackLeft, [&] { found = finder.Find().size(); });
  EXPECT_EQ(1u, found);
}

TEST(BackupNodes, DuplicateRuleComparesWholeFolderNames) {
  TempDir dir;
  // Set order: Backup10 sorts before Backup1, ack after both. A raw
  // substring comparison would hide Backup1 (inside Backup10) and ack.
  fixtures::Backup(dir, L"R1\\Backup1", fixtures::Current("one", kId1));
  fixtures::Backup(dir, L"R1\\Backup10", fixtures::Current("ten", kId2));
  fixtures::Backup(dir, L"R1\\ack", fixtures::Current("ack", kId3));
  // The same folder name under another root: only the first path is listed.
  fixtures::Backup(dir, L"R2\\Backup1", fixtures::Current("copy", kId1));
  // A folder named like a folder of a listed path, deeper down.
  fixtures::Backup(dir, L"R3\\R1\\x", fixtures::Current("x", kId2));
  fixtures::Backup(dir, L"R3\\q\\R1", fixtures::Current("hidden", kId2));
  const BackupNodes nodes = LoadFrom({dir / L"R1", dir / L"R2", dir / L"R3", dir / L"R1\\Backup1"});
  EXPECT_EQ((std::vector<std::wstring>{L"ten", L"one", L"ack", L"x"}), Names(nodes));
  const std::wstring r = dir.path();
  EXPECT_EQ((std::vector<std::wstring>{r + L"\\R1\\Backup10\\BackupInfo.xml", r + L"\\R1\\Backup1\\BackupInfo.xml",
                                       r + L"\\R1\\ack\\BackupInfo.xml", r + L"\\R3\\R1\\x\\BackupInfo.xml"}),
            Texts(nodes.infoFiles));
}

TEST(BackupNodes, UnreadFilesStayInInfoFilesWithoutEntry) {
  TempDir dir;
  fixtures::Backup(dir, L"R\\A", fixtures::Current("a", kId1));
  fixtures::Backup(dir, L"R\\Broken", "<BACKUP Name=\"x\">");
  const BackupNodes nodes = LoadFrom({dir / L"R"});
  EXPECT_EQ(2u, nodes.infoFiles.size());
  EXPECT_EQ(std::vector<std::wstring>{L"a"}, Names(nodes));

  BackupNodes empty = LoadFrom({});
  EXPECT_TRUE(empty.entries.empty());
  size_t position = 7;
  EXPECT_EQ(S_FALSE, empty.FindByTreeItem(nullptr, &position));
}

TEST(BackupNodes, SetPathsKeepsTheListAndEmptiesTheCatalogue) {
  TempDir dir;
  fixtures::Backup(dir, L"R\\A", fixtures::Current("a", kId1));
  BackupNodes nodes = LoadFrom({dir / L"R"});
  ASSERT_EQ(1u, nodes.entries.size());
  nodes.SetPaths({comlib::Bstr(L"b"), comlib::Bstr(L"a"), comlib::Bstr(L"b")});
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"a", L"b"}), Texts(nodes.roots));
  EXPECT_TRUE(nodes.infoFiles.empty());
  EXPECT_TRUE(nodes.entries.empty());
}

BackupNode Entry(const wchar_t* name, const ObjectId& id, const ObjectId& parent) {
  BackupNode e;
  e.name = name;
  e.id = id;
  e.parentId = parent;
  return e;
}

ObjectId Id(unsigned long n) {
  ObjectId id = {};
  id.Data1 = n;
  return id;
}

TEST(BackupNodes, DependenciesAsEveryPairGivesThem) {
  BackupNodes nodes;
  nodes.entries = {Entry(L"root", Id(1), kNullObjectId), Entry(L"child", Id(2), Id(1)),
                   Entry(L"self", Id(3), Id(3)),         Entry(L"nullId", kNullObjectId, kNullObjectId),
                   Entry(L"child2", Id(4), Id(1)),       Entry(L"twin", Id(1), Id(9))};
  nodes.BuildDependencies();
  const auto& e = nodes.entries;
  EXPECT_EQ((std::vector<ObjectId>{Id(2), Id(4)}), e[0].dependents);
  EXPECT_EQ((std::vector<ObjectId>{Id(3)}), e[2].dependents);
  // Every entry with the null parent depends on an entry with the null id.
  EXPECT_EQ((std::vector<ObjectId>{Id(1), kNullObjectId}), e[3].dependents);
  EXPECT_EQ(e[0].dependents, e[5].dependents);
}

TEST(BackupNodes, DependencyTreeEndsOnRepeatedIdsAndCycles) {
  BackupNodes nodes;
  nodes.entries = {
      Entry(L"a", Id(1), kNullObjectId),  // 0 root
      Entry(L"b", Id(2), Id(1)),          // 1 under a
      Entry(L"self", Id(3), Id(3)),       // 2 its own parent: never reached
      Entry(L"c1", Id(4), Id(5)),         // 3 c1 and c2 name each other
      Entry(L"c2", Id(5), Id(4)),         // 4
      Entry(L"nullId", kNullObjectId, kNullObjectId),  // 5 root; the null parent is no link
      Entry(L"a2", Id(1), kNullObjectId), // 6 root with a's id: b is shown once
      Entry(L"d", Id(6), Id(2)),          // 7 under b
      Entry(L"orphan", Id(7), Id(99)),    // 8
      Entry(L"nullChild", Id(8), kNullObjectId),  // 9 root
  };
  nodes.BuildDependencies();
  const std::vector<BackupNodes::TreeRow> rows = nodes.DependencyTree();
  std::vector<std::pair<std::wstring, size_t>> shown;
  for (const auto& row : rows) shown.emplace_back(nodes.entries[row.entry].name.str(), row.depth);
  EXPECT_EQ((std::vector<std::pair<std::wstring, size_t>>{
                {L"a", 0}, {L"b", 1}, {L"d", 2}, {L"nullId", 0}, {L"a2", 0}, {L"nullChild", 0}}),
            shown);
  EXPECT_EQ(BackupNodes::kNoRow, rows[0].parentRow);
  EXPECT_EQ(0u, rows[1].parentRow);
  EXPECT_EQ(1u, rows[2].parentRow);
}

TEST(BackupNodes, TreeItemsFindTheFirstEntryAndSetEveryEntryOfTheId) {
  BackupNodes nodes;
  nodes.entries = {Entry(L"a", Id(1), kNullObjectId), Entry(L"b", Id(2), Id(1)), Entry(L"a'", Id(1), kNullObjectId)};
  const HTREEITEM item1 = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x7fff00001000ull));
  const HTREEITEM item2 = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x7fff00002000ull));
  nodes.SetTreeItem(Id(1), item1);
  nodes.SetTreeItem(Id(2), item2);
  nodes.SetTreeItem(Id(42), item2);  // no such entry: nothing changes
  EXPECT_EQ(item1, nodes.entries[0].treeItem);  // the full handle, not 32 bits of it
  EXPECT_EQ(item1, nodes.entries[2].treeItem);
  size_t position = 9;
  ASSERT_EQ(S_OK, nodes.FindByTreeItem(item1, &position));
  EXPECT_EQ(0u, position);
  ASSERT_EQ(S_OK, nodes.FindByTreeItem(item2, &position));
  EXPECT_EQ(1u, position);
  BackupNode copy;
  nodes.GetNodeByTreeItem(item2, &copy);
  EXPECT_EQ(L"b", copy.name.str());
  // An entry written directly still answers; a stale index does not.
  nodes.entries[0].treeItem = nullptr;
  ASSERT_EQ(S_OK, nodes.FindByTreeItem(item1, &position));
  EXPECT_EQ(2u, position);
  nodes.GetNodeByTreeItem(reinterpret_cast<HTREEITEM>(0x1234), &copy);
  EXPECT_TRUE(copy.name.IsNull());
  EXPECT_TRUE(IsNullObjectId(copy.id));
  EXPECT_EQ(nullptr, copy.treeItem);
  EXPECT_TRUE(copy.nodeNames.empty());
  EXPECT_EQ(S_FALSE, nodes.FindByTreeItem(reinterpret_cast<HTREEITEM>(0x1234), &position));
}

TEST(BackupNodes, CopiesAreDeep) {
  BackupNode node = Entry(L"n", Id(1), kNullObjectId);
  ServiceEntry service;
  service.name = L"svc";
  BackupItem record = {};
  record.name = ::SysAllocString(L"item");
  record.description = ::SysAllocString(L"desc");
  record.details = ::SysAllocString(L"details");
  record.identifier[31] = 7;
  record.value = 5;
  service.items.push_back(records::OwnedBackupItem::Copy(record));
  records::ClearBackupItem(record);
  unsigned char bytes[3] = {1, 2, 3};
  service.arguments = records::OwnedArguments::Copy(ServiceArguments{3, bytes});
  node.services.push_back(service);
  node.primaryNodeIds.insert(Id(5));

  const BackupNode copy = node;
  ASSERT_EQ(1u, copy.services.size());
  const ServiceEntry& s = copy.services[0];
  EXPECT_NE(node.services[0].items[0].name.get(), s.items[0].name.get());
  EXPECT_EQ(L"item", s.items[0].name.str());
  EXPECT_EQ(L"details", s.items[0].details.str());
  EXPECT_EQ(7, s.items[0].identifier[31]);
  EXPECT_NE(node.services[0].arguments.Data(), s.arguments.Data());
  EXPECT_TRUE(s.arguments == node.services[0].arguments);
  EXPECT_EQ(3u, s.arguments.View().byteCount);
  EXPECT_TRUE(copy.IsRestoreNode(Id(5)));

  BackupItem out = {};
  s.items[0].CopyTo(&out);
  EXPECT_NE(s.items[0].description.get(), out.description);
  EXPECT_EQ(std::wstring(L"desc"), out.description);
  records::ClearBackupItem(out);

  node.Clear();
  EXPECT_TRUE(node.services.empty() && node.primaryNodeIds.empty() && node.name.IsNull());
}

}  // namespace

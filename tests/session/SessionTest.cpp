// The session object as a host and the pages see it: created through the
// DLL's class object, used through IRestoreModule, IDispatch and the page
// container interface.
#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Components.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "records/Records.h"
#include "session/ServiceNodeRecords.h"

namespace {

using comlib::Bstr;
using comlib::ComPtr;
using testing_support::BuildPath;
using testing_support::ServerDll;

const wchar_t kNull[] = L"<null>";

// A text as the test compares it: null kept apart from empty.
std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : kNull; }

// Takes ownership of a returned text.
std::wstring Take(BSTR s) {
  std::wstring t = Text(s);
  ::SysFreeString(s);
  return t;
}

// Takes ownership of a returned text array.
std::vector<std::wstring> Take(ULONG count, BSTR* texts) {
  std::vector<std::wstring> result;
  for (ULONG i = 0; i < count; ++i) result.push_back(Take(texts[i]));
  ::CoTaskMemFree(texts);
  return result;
}

ObjectId Id(unsigned char seed) {
  ObjectId id = {};
  id.Data1 = 0x10000000u + seed;
  id.Data4[7] = seed;
  return id;
}

BackupItem Item(const wchar_t* name, const wchar_t* description, const wchar_t* details,
                unsigned char fill, long value) {
  BackupItem item = {};
  item.name = name ? ::SysAllocString(name) : nullptr;
  item.description = description ? ::SysAllocString(description) : nullptr;
  std::memset(item.identifier, fill, sizeof item.identifier);
  item.identifier[31] = 0x5A;
  item.value = value;
  item.details = details ? ::SysAllocString(details) : nullptr;
  return item;
}

// Service records handed back by GetRestoreNode, freed as their receiver must.
struct ReturnedServices {
  ULONG count = 0;
  ServiceNodeStructure* nodes = nullptr;
  ~ReturnedServices() {
    for (ULONG i = 0; i < count; ++i) records::ClearServiceNode(nodes[i]);
    ::CoTaskMemFree(nodes);
  }
};

class SessionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dll_ = new ServerDll(BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")); }
  static void TearDownTestSuite() {
    delete dll_;
    dll_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(dll_->loaded());
    ASSERT_EQ(S_OK, dll_->Create(CLSID_RestoreModule, IID_IRestoreModule, session_.PutVoid()));
  }

  // Nodes "A" (primary), "B" (-1), "C" (0) and one service per item list given.
  void SetThreeNodes(ULONG serviceCount = 0, ServiceNodeStructure* services = nullptr) {
    Bstr names[] = {L"A", L"B", L"C"};
    BSTR raw[] = {names[0].get(), names[1].get(), names[2].get()};
    ObjectId ids[] = {Id(1), Id(2), Id(3)};
    LONG primary[] = {1, -1, 0};
    ASSERT_EQ(S_OK, session_->SetRestoreNode(3, raw, ids, primary, serviceCount, services,
                                             Bstr(L"Backup 1").get(), Bstr(L"D:\\b1").get()));
  }

  std::vector<std::wstring> NodeNames() {
    ULONG count = 99, count2 = 99;
    BSTR* names = nullptr;
    ObjectId* ids = nullptr;
    EXPECT_EQ(S_OK, session_->GetRestoreNodeNames(&count, &names, &count2, &ids));
    EXPECT_EQ(count, count2);
    EXPECT_NE(nullptr, ids);
    ::CoTaskMemFree(ids);
    return Take(count, names);
  }

  LONG IsPrimary(const ObjectId& id) {
    ObjectId copy = id;
    LONG primary = 42;
    EXPECT_EQ(S_OK, session_->IsPrimaryNode(&copy, &primary));
    return primary;
  }

  // The eight texts of GetRestoreInfo (or GetNewRestoreInfo).
  std::vector<std::wstring> Info(bool newInfo) {
    BSTR t[8] = {};
    const HRESULT hr = newInfo
        ? session_->GetNewRestoreInfo(&t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7])
        : session_->GetRestoreInfo(&t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7]);
    EXPECT_EQ(S_OK, hr);
    std::vector<std::wstring> texts;
    for (BSTR s : t) texts.push_back(Take(s));
    return texts;
  }

  std::vector<std::wstring> Mapped(bool newNames) {
    ULONG count = 99, count2 = 99;
    BSTR* oldNames = nullptr;
    BSTR* newArray = nullptr;
    EXPECT_EQ(S_OK, session_->GetAddedMappedNodes(&count, &oldNames, &count2, &newArray));
    EXPECT_EQ(count, count2);
    auto o = Take(count, oldNames);
    auto n = Take(count2, newArray);
    return newNames ? n : o;
  }

  static ServerDll* dll_;
  ComPtr<IRestoreModule> session_;
};

ServerDll* SessionTest::dll_ = nullptr;

TEST_F(SessionTest, StartsEmptyAndStillHandsOutArrays) {
  ULONG count = 99, count2 = 99;
  BSTR* names = nullptr;
  ObjectId* ids = nullptr;
  ASSERT_EQ(S_OK, session_->GetRestoreNodeNames(&count, &names, &count2, &ids));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(0u, count2);
  EXPECT_NE(nullptr, names);
  EXPECT_NE(nullptr, ids);
  ::CoTaskMemFree(names);
  ::CoTaskMemFree(ids);

  EXPECT_EQ(std::vector<std::wstring>(8, kNull), Info(false));
  EXPECT_TRUE(Mapped(false).empty());
  BSTR* paths = nullptr;
  ASSERT_EQ(S_OK, session_->GetBackupDependency(&count, &paths));
  EXPECT_EQ(0u, count);
  EXPECT_NE(nullptr, paths);
  ::CoTaskMemFree(paths);
  LONG flag = 42;
  EXPECT_EQ(S_OK, session_->get_CreateNewSystemId(&flag));
  EXPECT_EQ(0, flag);
  BSTR name = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(S_OK, session_->GetNewSystemName(&name));
  EXPECT_EQ(nullptr, name);
}

TEST_F(SessionTest, NodesComeBackInOrderAndOnlyFlagOneIsPrimary) {
  SetThreeNodes();
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), NodeNames());

  ULONG count = 0, count2 = 0;
  BSTR* names = nullptr;
  ObjectId* ids = nullptr;
  ASSERT_EQ(S_OK, session_->GetRestoreNodeNames(&count, &names, &count2, &ids));
  ASSERT_EQ(3u, count2);
  for (unsigned char i = 0; i < 3; ++i) EXPECT_TRUE(records::SameId(Id(i + 1), ids[i]));
  ::CoTaskMemFree(ids);
  Take(count, names);

  const struct {
    ObjectId id;
    LONG primary;
  } cases[] = {{Id(1), 1}, {Id(2), 0}, {Id(3), 0}, {Id(4), 0}};
  for (const auto& c : cases) EXPECT_EQ(c.primary, IsPrimary(c.id)) << c.id.Data1;
  // All 16 bytes count.
  ObjectId almost = Id(1);
  almost.Data4[0] = 1;
  EXPECT_EQ(0, IsPrimary(almost));
}

TEST_F(SessionTest, CountZeroReadsNothingThroughNullArrays) {
  SetThreeNodes();
  ASSERT_EQ(S_OK, session_->SetRestoreNode(0, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                           Bstr(L"").get()));
  EXPECT_TRUE(NodeNames().empty());
  EXPECT_EQ(0, IsPrimary(Id(1)));
  ASSERT_EQ(S_OK, session_->SetBackupDependency(0, nullptr));
}

TEST_F(SessionTest, ServicesAreDeepCopiesMarkedChecked) {
  BackupItem items[] = {Item(L"item 1", L"", nullptr, 0xA1, 7), Item(L"item 2", L"desc", L"x", 0xB2, -3)};
  unsigned char argumentBlock[] = {1, 2, 3};
  ServiceNodeStructure services[2] = {};
  services[0].name = ::SysAllocString(L"Service with items");
  services[0].serviceId = Id(10);
  services[0].helperId = Id(11);
  services[0].backupPath = ::SysAllocString(L"D:\\b1\\s1");
  services[0].checked = 0;
  services[0].count = 2;
  services[0].backupItem = items;
  services[0].arguments.byteCount = sizeof argumentBlock;
  services[0].arguments.data = argumentBlock;
  services[1].name = ::SysAllocString(L"");
  services[1].backupPath = nullptr;
  services[1].checked = 1;
  SetThreeNodes(2, services);

  // The caller's arguments stay the caller's: free them before reading back.
  for (auto& s : services) {
    ::SysFreeString(s.name);
    ::SysFreeString(s.backupPath);
  }
  std::wstring itemName = Text(items[0].name);
  for (auto& item : items) records::ClearBackupItem(item);

  ReturnedServices out;
  ULONG nodeCount = 0;
  BSTR* names = nullptr;
  BSTR backupName = nullptr, backupPath = nullptr;
  ASSERT_EQ(S_OK, session_->GetRestoreNode(&nodeCount, &names, &out.count, &out.nodes,
                                           &backupName, &backupPath));
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), Take(nodeCount, names));
  EXPECT_EQ(L"Backup 1", Take(backupName));
  EXPECT_EQ(L"D:\\b1", Take(backupPath));
  ASSERT_EQ(2u, out.count);

  const ServiceNodeStructure& first = out.nodes[0];
  EXPECT_EQ(L"Service with items", Text(first.name));
  EXPECT_TRUE(records::SameId(Id(10), first.serviceId));
  EXPECT_TRUE(records::SameId(Id(11), first.helperId));
  EXPECT_EQ(L"D:\\b1\\s1", Text(first.backupPath));
  EXPECT_EQ(1, first.checked);
  EXPECT_EQ(sizeof argumentBlock, first.arguments.byteCount);
  EXPECT_EQ(argumentBlock, first.arguments.data);  // the block is shared, not copied
  ASSERT_EQ(2u, first.count);
  EXPECT_EQ(itemName, Text(first.backupItem[0].name));
  EXPECT_EQ(L"", Text(first.backupItem[0].description));
  EXPECT_EQ(kNull, Text(first.backupItem[0].details));
  EXPECT_EQ(7, first.backupItem[0].value);
  EXPECT_EQ(0xA1, first.backupItem[0].identifier[0]);
  EXPECT_EQ(0x5A, first.backupItem[0].identifier[31]);
  EXPECT_EQ(L"x", Text(first.backupItem[1].details));
  EXPECT_EQ(-3, first.backupItem[1].value);

  const ServiceNodeStructure& second = out.nodes[1];
  EXPECT_EQ(L"", Text(second.name));
  EXPECT_EQ(kNull, Text(second.backupPath));
  EXPECT_EQ(0u, second.count);
  EXPECT_NE(nullptr, second.backupItem);  // an array even for no items

  // Every answer is a fresh copy.
  ReturnedServices again;
  BSTR* names2 = nullptr;
  ASSERT_EQ(S_OK, session_->GetRestoreNode(&nodeCount, &names2, &again.count, &again.nodes,
                                           &backupName, &backupPath));
  EXPECT_NE(first.name, again.nodes[0].name);
  EXPECT_NE(first.backupItem, again.nodes[0].backupItem);
  EXPECT_NE(first.backupItem[0].name, again.nodes[0].backupItem[0].name);
  Take(nodeCount, names2);
  Take(backupName);
  Take(backupPath);
}

TEST_F(SessionTest, ANewBackupReplacesNodesAndServicesButKeepsTheRest) {
  ServiceNodeStructure service = {};
  service.name = ::SysAllocString(L"S");
  SetThreeNodes(1, &service);
  ::SysFreeString(service.name);
  session_->AddMappedNodes(Bstr(L"A").get(), Bstr(L"A2").get());
  session_->SetRestoreInfo(Bstr(L"Sys").get(), nullptr, nullptr, nullptr, nullptr, nullptr);
  session_->put_CreateNewSystemId(1);

  Bstr name(L"Z");
  BSTR raw[] = {name.get()};
  ObjectId ids[] = {Id(9)};
  LONG primary[] = {1};
  ASSERT_EQ(S_OK, session_->SetRestoreNode(1, raw, ids, primary, 0, nullptr, nullptr, nullptr));

  EXPECT_EQ(std::vector<std::wstring>{L"Z"}, NodeNames());
  EXPECT_EQ(0, IsPrimary(Id(1)));
  EXPECT_EQ(1, IsPrimary(Id(9)));
  ReturnedServices out;
  ULONG count = 0;
  BSTR* names = nullptr;
  BSTR backupName = nullptr, backupPath = nullptr;
  ASSERT_EQ(S_OK, session_->GetRestoreNode(&count, &names, &out.count, &out.nodes, &backupName,
                                           &backupPath));
  Take(count, names);
  EXPECT_EQ(0u, out.count);
  EXPECT_EQ(kNull, Take(backupName));
  EXPECT_EQ(kNull, Take(backupPath));

  EXPECT_EQ(std::vector<std::wstring>{L"A2"}, Mapped(true));
  EXPECT_EQ(L"Sys", Info(false)[0]);
  LONG flag = 0;
  session_->get_CreateNewSystemId(&flag);
  EXPECT_EQ(1, flag);
}

TEST_F(SessionTest, RestoreInfoReadersShareDescriptionAndPaths) {
  ASSERT_EQ(S_OK, session_->SetRestoreInfo(Bstr(L"Old").get(), Bstr(L"Desc").get(),
                                           Bstr(L"srv").get(), Bstr(L"srv2").get(),
                                           Bstr(L"sys").get(), Bstr(L"wp").get()));
  SetThreeNodes();
  // Order: name, description, server, server2, system, workplace, backup name, backup path.
  EXPECT_EQ((std::vector<std::wstring>{L"Old", L"Desc", L"srv", L"srv2", L"sys", L"wp",
                                       L"Backup 1", L"D:\\b1"}),
            Info(false));
  EXPECT_EQ((std::vector<std::wstring>{kNull, L"Desc", L"srv", L"srv2", L"sys", L"wp",
                                       L"Backup 1", L"D:\\b1"}),
            Info(true));

  ASSERT_EQ(S_OK, session_->SetNewRestoreInfo(Bstr(L"New").get(), Bstr(L"").get(), nullptr,
                                              Bstr(L"n2").get(), Bstr(L"nsys").get(),
                                              Bstr(L"nwp").get()));
  EXPECT_EQ((std::vector<std::wstring>{L"Old", L"", kNull, L"n2", L"nsys", L"nwp", L"Backup 1",
                                       L"D:\\b1"}),
            Info(false));

  // SetSystemPaths: system, server, server2, workplace.
  ASSERT_EQ(S_OK, session_->SetSystemPaths(Bstr(L"P").get(), Bstr(L"S").get(),
                                           Bstr(L"S2").get(), Bstr(L"W").get()));
  EXPECT_EQ((std::vector<std::wstring>{L"Old", L"", L"S", L"S2", L"P", L"W", L"Backup 1",
                                       L"D:\\b1"}),
            Info(false));
  EXPECT_EQ(L"New", Info(true)[0]);

  BSTR t[4] = {};
  ASSERT_EQ(S_OK, session_->GetSystemPaths(&t[0], &t[1], &t[2], &t[3]));
  EXPECT_EQ((std::vector<std::wstring>{L"P", L"S", L"S2", L"W"}),
            (std::vector<std::wstring>{Take(t[0]), Take(t[1]), Take(t[2]), Take(t[3])}));
}

TEST_F(SessionTest, SetNewSystemNameChangesTheNewNameOnly) {
  session_->SetRestoreInfo(Bstr(L"Old").get(), Bstr(L"Desc").get(), Bstr(L"srv").get(),
                           Bstr(L"srv2").get(), Bstr(L"sys").get(), Bstr(L"wp").get());
  const auto before = Info(false);
  ASSERT_EQ(S_OK, session_->SetNewSystemName(Bstr(L"Fresh").get()));
  EXPECT_EQ(before, Info(false));
  auto newInfo = Info(true);
  EXPECT_EQ(L"Fresh", newInfo[0]);
  newInfo[0] = L"Old";
  EXPECT_EQ(before, newInfo);
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, session_->GetNewSystemName(&name));
  EXPECT_EQ(L"Fresh", Take(name));
  EXPECT_EQ(S_OK, session_->GetNewSystemName(nullptr));
}

TEST_F(SessionTest, GetSystemPathsSkipsNullOuts) {
  session_->SetSystemPaths(Bstr(L"P").get(), Bstr(L"S").get(), Bstr(L"S2").get(), Bstr(L"W").get());
  BSTR server = nullptr;
  ASSERT_EQ(S_OK, session_->GetSystemPaths(nullptr, &server, nullptr, nullptr));
  EXPECT_EQ(L"S", Take(server));
}

TEST_F(SessionTest, MappedPairsKeepCallOrderNullsAndRepeats) {
  session_->AddMappedNodes(Bstr(L"A").get(), Bstr(L"X").get());
  session_->AddMappedNodes(nullptr, Bstr(L"").get());
  session_->AddMappedNodes(Bstr(L"A").get(), Bstr(L"X").get());
  EXPECT_EQ((std::vector<std::wstring>{L"A", kNull, L"A"}), Mapped(false));
  EXPECT_EQ((std::vector<std::wstring>{L"X", L"", L"X"}), Mapped(true));

  SetThreeNodes();
  ASSERT_EQ(S_OK, session_->ClearMappedNodes());
  EXPECT_TRUE(Mapped(false).empty());
  EXPECT_EQ(3u, NodeNames().size());
}

TEST_F(SessionTest, BackupDependencyIsReplacedAsAWhole) {
  Bstr paths[] = {L"D:\\c", L"D:\\b", L"D:\\a"};
  BSTR raw[] = {paths[0].get(), paths[1].get(), paths[2].get()};
  ASSERT_EQ(S_OK, session_->SetBackupDependency(3, raw));
  ASSERT_EQ(S_OK, session_->SetBackupDependency(2, raw + 1));
  ULONG count = 0;
  BSTR* out = nullptr;
  ASSERT_EQ(S_OK, session_->GetBackupDependency(&count, &out));
  EXPECT_EQ((std::vector<std::wstring>{L"D:\\b", L"D:\\a"}), Take(count, out));
}

TEST_F(SessionTest, CreateNewSystemIdStoresTrueForOneOnly) {
  const struct {
    LONG put;
    LONG get;
  } cases[] = {{1, 1}, {0, 0}, {1, 1}, {-1, 0}, {1, 1}, {2, 0}};
  for (const auto& c : cases) {
    ASSERT_EQ(S_OK, session_->put_CreateNewSystemId(c.put));
    LONG value = 42;
    ASSERT_EQ(S_OK, session_->get_CreateNewSystemId(&value));
    EXPECT_EQ(c.get, value) << "put " << c.put;
  }
}

// Faults of the callers turn into statuses, not crashes.
TEST_F(SessionTest, NullOutPointersAnswerEPointerAndResetTheOthers) {
  ULONG count = 5;
  BSTR* names = reinterpret_cast<BSTR*>(1);
  EXPECT_EQ(E_POINTER, session_->GetRestoreNodeNames(&count, &names, nullptr, nullptr));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(nullptr, names);

  BSTR t[8];
  for (BSTR& s : t) s = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(E_POINTER, session_->GetRestoreInfo(&t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], nullptr));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(nullptr, t[i]) << i;
  EXPECT_EQ(E_POINTER, session_->GetNewRestoreInfo(nullptr, &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7]));
  ServiceNodeStructure* services = nullptr;
  EXPECT_EQ(E_POINTER, session_->GetRestoreNode(nullptr, &names, &count, &services, &t[0], &t[1]));
  EXPECT_EQ(E_POINTER, session_->GetAddedMappedNodes(&count, &names, &count, nullptr));
  EXPECT_EQ(E_POINTER, session_->GetBackupDependency(nullptr, &names));
  EXPECT_EQ(E_POINTER, session_->get_CreateNewSystemId(nullptr));
  LONG primary = 7;
  EXPECT_EQ(E_POINTER, session_->IsPrimaryNode(nullptr, &primary));
  EXPECT_EQ(0, primary);
  ObjectId id = Id(1);
  EXPECT_EQ(E_POINTER, session_->IsPrimaryNode(&id, nullptr));
}

TEST_F(SessionTest, MissingArraysAnswerEInvalidArgAndChangeNothing) {
  SetThreeNodes();
  Bstr name(L"Z");
  BSTR raw[] = {name.get()};
  ObjectId ids[] = {Id(9)};
  LONG primary[] = {1};
  ServiceNodeStructure itemsMissing = {};
  itemsMissing.count = 2;
  const struct {
    const char* what;
    HRESULT hr;
  } cases[] = {
      {"names", session_->SetRestoreNode(1, nullptr, ids, primary, 0, nullptr, nullptr, nullptr)},
      {"ids", session_->SetRestoreNode(1, raw, nullptr, primary, 0, nullptr, nullptr, nullptr)},
      {"flags", session_->SetRestoreNode(1, raw, ids, nullptr, 0, nullptr, nullptr, nullptr)},
      {"services", session_->SetRestoreNode(1, raw, ids, primary, 1, nullptr, nullptr, nullptr)},
      {"items", session_->SetRestoreNode(1, raw, ids, primary, 1, &itemsMissing, nullptr, nullptr)},
      {"dependency", session_->SetBackupDependency(2, nullptr)},
  };
  for (const auto& c : cases) EXPECT_EQ(E_INVALIDARG, c.hr) << c.what;
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), NodeNames());
  EXPECT_EQ(1, IsPrimary(Id(1)));
}

TEST_F(SessionTest, PageContainerNamesPageOneAndAnswersTheOtherSlots) {
  ComPtr<IZelCWPropertyPageContainer> container;
  ComPtr<IZelCWPropertyPageContainerEx> containerEx;
  ASSERT_EQ(S_OK, session_.As(&container));
  ASSERT_EQ(S_OK, session_.As(&containerEx));
  EXPECT_EQ(static_cast<void*>(container.Get()), static_cast<void*>(containerEx.Get()));
  EXPECT_TRUE(comlib::SameObject(session_.Get(), container.Get()));

  CLSID page = CLSID_NULL;
  ASSERT_EQ(S_OK, container->GetFirstPage(&page));
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestorePropertyPage1, page));
  EXPECT_EQ(E_POINTER, container->GetFirstPage(nullptr));

  LONG v4 = 9, v5 = 9, v6 = 9, v7 = 9;
  EXPECT_EQ(E_NOTIMPL, containerEx->Reserved4(&v4));
  EXPECT_EQ(S_OK, containerEx->Reserved5(&v5));
  EXPECT_EQ(E_NOTIMPL, containerEx->Reserved6(&v6));
  EXPECT_EQ(S_OK, containerEx->Reserved7(3, 4, &v7));
  EXPECT_EQ(0, v4);
  EXPECT_EQ(1, v5);
  EXPECT_EQ(0, v6);
  EXPECT_EQ(1, v7);
}

// IDispatch is served from the type library embedded in the DLL.
TEST_F(SessionTest, DispatchFindsMethodsByNameAndInvokesThemByDispid) {
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, session_.As(&dispatch));
  UINT infoCount = 0;
  ASSERT_EQ(S_OK, dispatch->GetTypeInfoCount(&infoCount));
  EXPECT_EQ(1u, infoCount);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.Put()));
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr));
  EXPECT_EQ(L"IRestoreModule", Take(name));

  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"SetRestoreNode", 1},          {L"GetNewRestoreInfo", 8},
               {L"SetNewRestoreInfo", 9},       {L"SetBackupDependency", 0x60020009},
               {L"SetNewSystemName", 0x6002000D}, {L"CreateNewSystemId", 0x60020010},
               {L"ClearMappedNodes", 0x60020012}};
  for (const auto& n : names) {
    LPOLESTR text = const_cast<LPOLESTR>(n.name);
    DISPID id = 0;
    EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &text, 1, 0, &id)) << n.name;
    EXPECT_EQ(n.id, id) << n.name;
  }

  // Arguments go right to left.
  VARIANT args[2];
  args[1].vt = VT_BSTR;
  args[1].bstrVal = ::SysAllocString(L"old");
  args[0].vt = VT_BSTR;
  args[0].bstrVal = ::SysAllocString(L"new");
  DISPPARAMS params = {args, nullptr, 2, 0};
  ASSERT_EQ(S_OK, dispatch->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::vector<std::wstring>{L"old"}, Mapped(false));
  EXPECT_EQ(std::vector<std::wstring>{L"new"}, Mapped(true));

  DISPPARAMS one = {args, nullptr, 1, 0};
  ASSERT_EQ(S_OK, dispatch->Invoke(0x6002000D, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr));
  BSTR newName = nullptr;
  session_->GetNewSystemName(&newName);
  EXPECT_EQ(L"new", Take(newName));
  ::VariantClear(&args[0]);
  ::VariantClear(&args[1]);

  VARIANT value;
  value.vt = VT_I4;
  value.lVal = 1;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&value, &named, 1, 1};
  ASSERT_EQ(S_OK, dispatch->Invoke(0x60020010, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  VARIANT result;
  ::VariantInit(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ASSERT_EQ(S_OK, dispatch->Invoke(0x60020010, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(1, result.lVal);

  ASSERT_EQ(S_OK, dispatch->Invoke(0x60020012, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
  EXPECT_TRUE(Mapped(false).empty());
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->Invoke(6, IID_IUnknown, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
}

}  // namespace

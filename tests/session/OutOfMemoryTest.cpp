// Allocation failures inside the session: every failing task-allocator block
// (texts included) must turn into E_OUTOFMEMORY with nothing handed out,
// nothing leaked and nothing changed.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <string>

#include "ComFakes.h"
#include "Components.h"
#include "RestorePlugIn.h"
#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "records/Records.h"
#include "session/ServiceNodeRecords.h"

namespace {

using comlib::Bstr;
using comlib::ComPtr;
using testing_support::BuildPath;
using testing_support::ServerDll;

class OutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dll_.loaded());
    ASSERT_EQ(S_OK, dll_.Create(CLSID_RestoreModule, IID_IRestoreModule, session_.PutVoid()));
    // Freed texts must reach the allocator, not the text cache, to be counted.
    using SetNoCache = void(WINAPI*)();
    auto noCache = reinterpret_cast<SetNoCache>(
        ::GetProcAddress(::GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"));
    ASSERT_NE(nullptr, noCache);
    noCache();

    Bstr names[] = {L"A", L"B"};
    BSTR raw[] = {names[0].get(), names[1].get()};
    ObjectId ids[2] = {};
    ids[1].Data1 = 1;
    LONG primary[] = {1, 0};
    BackupItem item = {};
    Bstr itemName(L"item"), details(L"details");
    item.name = itemName.get();
    item.details = details.get();
    ServiceNodeStructure service = {};
    Bstr serviceName(L"service"), servicePath(L"D:\\s");
    service.name = serviceName.get();
    service.backupPath = servicePath.get();
    service.count = 1;
    service.backupItem = &item;
    ASSERT_EQ(S_OK, session_->SetRestoreNode(2, raw, ids, primary, 1, &service,
                                             Bstr(L"backup").get(), Bstr(L"D:\\b").get()));
    ASSERT_EQ(S_OK, ::CoRegisterMallocSpy(&spy_));
    // Wine's IMalloc::GetSize reads the list of spied blocks without checking
    // that there is one; a block kept for the test's duration makes the list.
    anchor_ = ::CoTaskMemAlloc(1);
  }
  void TearDown() override {
    ::CoTaskMemFree(anchor_);
    ::CoRevokeMallocSpy();
  }

  ServerDll dll_{BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  ComPtr<IRestoreModule> session_;
  testing_support::AllocationSpy spy_;
  void* anchor_ = nullptr;
};

TEST_F(OutOfMemoryTest, GetRestoreNodeHandsOutAllOrNothing) {
  bool completed = false;
  for (int failAt = 1; failAt < 100 && !completed; ++failAt) {
    SCOPED_TRACE(failAt);
    spy_.Arm(failAt);
    ULONG count1 = 9, count2 = 9;
    BSTR* names = reinterpret_cast<BSTR*>(1);
    ServiceNodeStructure* services = reinterpret_cast<ServiceNodeStructure*>(1);
    BSTR name = reinterpret_cast<BSTR>(1), path = reinterpret_cast<BSTR>(1);
    const HRESULT hr = session_->GetRestoreNode(&count1, &names, &count2, &services, &name, &path);
    if (hr == S_OK) {
      completed = true;
      EXPECT_GT(spy_.allocations(), 10);  // 2 arrays and 2 texts, service, item array and texts, 2 texts
      for (ULONG i = 0; i < count1; ++i) ::SysFreeString(names[i]);
      ::CoTaskMemFree(names);
      for (ULONG i = 0; i < count2; ++i) records::ClearServiceNode(services[i]);
      ::CoTaskMemFree(services);
      ::SysFreeString(name);
      ::SysFreeString(path);
    } else {
      EXPECT_EQ(E_OUTOFMEMORY, hr);
      EXPECT_EQ(0u, count1);
      EXPECT_EQ(nullptr, names);
      EXPECT_EQ(0u, count2);
      EXPECT_EQ(nullptr, services);
      EXPECT_EQ(nullptr, name);
      EXPECT_EQ(nullptr, path);
    }
    EXPECT_EQ(0, spy_.outstanding());
  }
  EXPECT_TRUE(completed);
}

TEST_F(OutOfMemoryTest, SettersChangeNothingWhenACopyFails) {
  bool completed = false;
  for (int failAt = 1; failAt < 20 && !completed; ++failAt) {
    SCOPED_TRACE(failAt);
    Bstr names[] = {L"X", L"Y", L"Z"};
    BSTR raw[] = {names[0].get(), names[1].get(), names[2].get()};
    ObjectId ids[3] = {};
    LONG primary[] = {0, 0, 0};
    spy_.Arm(failAt);
    const HRESULT hr = session_->SetRestoreNode(3, raw, ids, primary, 0, nullptr,
                                                names[0].get(), names[1].get());
    EXPECT_EQ(0, spy_.outstanding() - (hr == S_OK ? 5 : 0));  // the session keeps its 5 copies
    spy_.Arm(0);
    ULONG count = 0, count2 = 0;
    BSTR* got = nullptr;
    ObjectId* gotIds = nullptr;
    ASSERT_EQ(S_OK, session_->GetRestoreNodeNames(&count, &got, &count2, &gotIds));
    EXPECT_EQ(hr == S_OK ? 3u : 2u, count);
    for (ULONG i = 0; i < count; ++i) ::SysFreeString(got[i]);
    ::CoTaskMemFree(got);
    ::CoTaskMemFree(gotIds);
    if (hr == S_OK) completed = true;
    else EXPECT_EQ(E_OUTOFMEMORY, hr);
  }
  EXPECT_TRUE(completed);
}

}  // namespace

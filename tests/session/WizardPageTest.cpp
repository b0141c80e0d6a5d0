// The three wizard pages answer the host's ValidatePage alike: the same
// failure inside any of them keeps the host on the page and is reported
// with the same status.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ComFakes.h"
#include "DialogDriver.h"
#include "FakeSession.h"
#include "FrameworkFixture.h"
#include "TestSupport.h"
#include "catalogue/Persistency.h"
#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "directories/RestorePropertyPage3.h"
#include "nodes/RestorePropertyPage2.h"
#include "resource.h"
#include "selection/RestorePropertyPage1.h"
#include "selection/Settings.h"

namespace {

using testing_support::AggregatingOuter;
using testing_support::AllocationSpy;
using testing_support::FakeMachine;
using testing_support::FakeSession;
using testing_support::TempDir;

enum class Page { Selection, Directories, Nodes };
enum class Failure {
  None,
  NoSession,    // the host's first object is no session
  OutOfMemory,  // the first task-allocator block fails: the page's own, made
                // before the page hands anything to the session
};

// One backup with one service, whose helper lists the files of its folder.
std::string BackupXml(const std::wstring& serviceFolder) {
  return "<BACKUP Name=\"Mon\" Id=\"{00000000-0000-0000-0000-000000000001}\">"
         "<SERVICE Name=\"S1\" Id=\"{00000000-0000-0000-0000-000000000201}\" "
         "HelperId=\"{137876EC-4163-4E52-9050-580E8C778CF2}\" BackupPath=\"" +
         testing_support::Narrow(serviceFolder) +
         "\"/><SYSTEM SystemName=\"Sys\" SystemDescription=\"\">"
         "<NODE NodeName=\"NODE1\" NodeId=\"{00000000-0000-0000-0000-000000000101}\"/>"
         "<RESTORENODE NodeName=\"NODE1\" NodeId=\"{00000000-0000-0000-0000-000000000101}\" "
         "ProjectDataPath=\"D:\\P\" ServerDataPath=\"D:\\S\" ServerData2Path=\"D:\\S2\" "
         "WorkplaceDataPath=\"D:\\W\"/></SYSTEM></BACKUP>";
}

HRESULT CreatePage(Page page, IPropertyPage** out) {
  void** ppv = reinterpret_cast<void**>(out);
  switch (page) {
    case Page::Selection:
      return CRestorePropertyPage1::CreateInstance(nullptr, IID_IPropertyPage, ppv);
    case Page::Directories:
      return CRestorePropertyPage3::CreateInstance(nullptr, IID_IPropertyPage, ppv);
    case Page::Nodes:
      return CRestorePropertyPage2::CreateInstance(nullptr, IID_IPropertyPage, ppv);
  }
  return E_UNEXPECTED;
}

// Never freed: the allocator may call a spy after it was revoked.
AllocationSpy* Spy() {
  static AllocationSpy* spy = new AllocationSpy;
  return spy;
}

// The framework's helper lists the service's items in the details dialog.
class WizardPages : public testing_support::FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"WizardPageTestHost";
      ::RegisterClassW(&wc);
      registered = true;
    }
    host_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, L"WizardPageTestHost", L"Wizard",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 760, 480, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, host_);
    machine_.computerName = L"WS7";
    serviceData_.WriteFile(L"alarms.dat", "1");
    backups_.WriteFile(L"Mon\\BackupInfo.xml", BackupXml(serviceData_.path()));
    selection::SetSettingsBaseFolder(settings_.path());
    Persistency(settings_.path()).WritePaths({comlib::Bstr(backups_.path())});
    // Freed texts must reach the allocator, not the text cache.
    using SetNoCache = void(WINAPI*)();
    auto noCache = reinterpret_cast<SetNoCache>(
        ::GetProcAddress(::GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"));
    ASSERT_NE(nullptr, noCache);
    noCache();
  }

  void TearDown() override {
    if (host_) ::DestroyWindow(host_);
    selection::SetSettingsBaseFolder(std::wstring());
    FrameworkTest::TearDown();
  }

  // The page in the host, entered and filled in so that leaving it commits:
  // a backup selected with a service and one of its items chosen, fresh
  // directories, a node mapped.
  void Open(Page which, IUnknown* first) {
    ASSERT_EQ(S_OK, CreatePage(which, page_.Put()));
    ASSERT_EQ(S_OK, page_->SetObjects(1, &first));
    const RECT rect = {0, 0, 720, 440};
    ASSERT_EQ(S_OK, page_->Activate(host_, &rect, FALSE));
    ASSERT_EQ(S_OK, page_.As(&adaption_));
    LONG entered = 0;
    adaption_->ActivatePage(&entered);  // fails without a session, which is not looked at here
    HWND window = ::GetWindow(host_, GW_CHILD);
    ASSERT_NE(nullptr, window);
    switch (which) {
      case Page::Selection: {
        HWND tree = ::GetDlgItem(window, IDC_BACKUP_TREE);
        const LPARAM root = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        ASSERT_NE(0, root);
        ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, root);
        HWND services = ::GetDlgItem(window, IDC_SERVICES_TREE);
        testing_support::CheckAndSelect(
            services, reinterpret_cast<HTREEITEM>(::SendMessageW(services, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
        testing_support::DialogDriver driver([](HWND dialog) {
          ListView_SetCheckState(::GetWindow(::GetDlgItem(dialog, IDC_ITEM_SELECTOR_HOST), GW_CHILD), 0, TRUE);
          ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_DETAILS, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_DETAILS)));
        ASSERT_TRUE(driver.ran());
        break;
      }
      case Page::Directories: {
        const std::pair<int, const wchar_t*> edits[] = {{IDC_PROJECT_DATA, L"P"},
                                                        {IDC_SERVER_DATA, L"S"},
                                                        {IDC_SERVER_DATA2, L"S2"},
                                                        {IDC_WORKPLACE_DATA, L"W"}};
        for (const auto& [id, name] : edits) ::SetDlgItemTextW(window, id, (fresh_ / name).c_str());
        break;
      }
      case Page::Nodes:
        break;  // the single primary node takes this computer's name
    }
  }

  void Close() {
    adaption_.Reset();
    if (!page_) return;
    page_->Deactivate();
    page_->SetObjects(0, nullptr);
    page_.Reset();
  }

  HRESULT Validate(Failure failure, LONG* ok) {
    if (failure != Failure::OutOfMemory) return adaption_->ValidatePage(ok);
    EXPECT_EQ(S_OK, ::CoRegisterMallocSpy(Spy()));
    // Wine's IMalloc::GetSize needs a spied block to exist.
    void* anchor = ::CoTaskMemAlloc(1);
    Spy()->Arm(1);
    const HRESULT hr = adaption_->ValidatePage(ok);
    Spy()->Arm(0);
    ::CoTaskMemFree(anchor);
    ::CoRevokeMallocSpy();
    return hr;
  }

  FakeMachine machine_;
  TempDir settings_, backups_, serviceData_, fresh_;
  HWND host_ = nullptr;
  comlib::ComPtr<IPropertyPage> page_;
  comlib::ComPtr<IZelCWPropertyPageAdaption> adaption_;
};

struct Case {
  int line;
  Page page;
  Failure failure;
  HRESULT status;
  LONG ok;
};

const Case kCases[] = {
    {__LINE__, Page::Selection, Failure::None, S_OK, 1},
    {__LINE__, Page::Directories, Failure::None, S_OK, 1},
    {__LINE__, Page::Nodes, Failure::None, S_OK, 1},
    {__LINE__, Page::Selection, Failure::NoSession, E_UNEXPECTED, 0},
    {__LINE__, Page::Directories, Failure::NoSession, E_UNEXPECTED, 0},
    {__LINE__, Page::Nodes, Failure::NoSession, E_UNEXPECTED, 0},
    {__LINE__, Page::Selection, Failure::OutOfMemory, E_UNEXPECTED, 0},
    {__LINE__, Page::Directories, Failure::OutOfMemory, E_UNEXPECTED, 0},
    {__LINE__, Page::Nodes, Failure::OutOfMemory, E_UNEXPECTED, 0},
};

TEST_F(WizardPages, TheSameFailureInsideAnyPageIsReportedTheSameWay) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    FakeSession session;
    session.Allow({"SetRestoreNode", "SetRestoreInfo", "SetBackupDependency", "GetSystemPaths",
                   "SetSystemPaths", "put_CreateNewSystemId", "GetRestoreNodeNames",
                   "IsPrimaryNode", "ClearMappedNodes", "AddMappedNodes", "get_CreateNewSystemId"});
    session.nodes = {{L"NODE1", true}};
    AggregatingOuter notASession;
    IUnknown* first = c.failure == Failure::NoSession ? static_cast<IUnknown*>(&notASession)
                                                      : static_cast<IRestoreModule*>(&session);
    Open(c.page, first);
    LONG ok = -1;
    if (adaption_) {
      EXPECT_EQ(c.status, Validate(c.failure, &ok));
      EXPECT_EQ(c.ok, ok);
    }
    Close();
    EXPECT_EQ(1u, session.refs);
    EXPECT_EQ(1u, notASession.refs);
  }
}

}  // namespace

// The system directories page driven as the wizard host drives it: object
// list, Activate into a parent window, then the host's adaption interface.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FakeSession.h"
#include "TestSupport.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "comlib/ControlText.h"
#include "directories/RestorePropertyPage3.h"
#include "resource.h"

using comlib::Bstr;
using comlib::ComPtr;
using testing_support::FakeSession;
using testing_support::FakeSink;
using testing_support::TempDir;

namespace {

using testing_support::Narrow;
std::string Narrow(const Bstr& text) { return text.IsNull() ? "<null>" : Narrow(text.str()); }

const std::wstring kExists = L"Directory '%s' already exists. ";
const std::wstring kNotLocal = L"'%s' is not a valid path. Choose a local hard disk.";
const std::wstring kEmptyName = L"The system name may not be empty.";

std::wstring Message(const std::wstring& pattern, const std::wstring& path) {
  std::wstring text = pattern;
  text.replace(text.find(L"%s"), 2, path);
  return text;
}

class Page3 : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = ::CreateWindowExW(0, L"STATIC", L"wizard", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, parent_);
    project_ = temp_ / L"Sys";
    session_.systemDataPath = project_;
    session_.serverDataPath = project_ + L"\\Server";
    session_.serverData2Path = project_ + L"\\Server2";
    session_.workplaceDataPath = project_ + L"\\WP";
    session_.Allow({"GetSystemPaths"});
  }

  void TearDown() override {
    if (page_) {
      page_->Deactivate();
      page_.Reset();
      adaption_.Reset();
    }
    if (parent_) ::DestroyWindow(parent_);
    // The page let go of everything the host gave it.
    EXPECT_EQ(1u, session_.refs);
    EXPECT_EQ(1u, sink_.refs);
  }

  // Creates the page, hands it the session and shows it in the parent.
  void Open() {
    ASSERT_EQ(S_OK, CRestorePropertyPage3::CreateInstance(nullptr, IID_IPropertyPage,
                                                          page_.PutVoid()));
    IUnknown* objects[] = {static_cast<IRestoreModule*>(&session_)};
    ASSERT_EQ(S_OK, page_->SetObjects(1, objects));
    const RECT rect = {0, 0, 600, 400};
    ASSERT_EQ(S_OK, page_->Activate(parent_, &rect, FALSE));
    window_ = ::GetWindow(parent_, GW_CHILD);
    ASSERT_NE(nullptr, window_);
    ASSERT_EQ(S_OK, page_->QueryInterface(__uuidof(IZelCWPropertyPageAdaption),
                                          adaption_.PutVoid()));
  }

  void OpenAndActivate() {
    ASSERT_NO_FATAL_FAILURE(Open());
    LONG result = 0;
    ASSERT_EQ(S_OK, adaption_->ActivatePage(&result));
    EXPECT_EQ(1, result);
  }

  std::wstring Text(int id) const { return comlib::WindowText(::GetDlgItem(window_, id)); }
  void SetText(int id, const std::wstring& text) { ::SetDlgItemTextW(window_, id, text.c_str()); }
  void SetPaths(const std::wstring& project, const std::wstring& server,
                const std::wstring& server2, const std::wstring& workplace) {
    SetText(IDC_PROJECT_DATA, project);
    SetText(IDC_SERVER_DATA, server);
    SetText(IDC_SERVER_DATA2, server2);
    SetText(IDC_WORKPLACE_DATA, workplace);
  }
  // The edits in the order project, server, server2, workplace.
  std::vector<std::string> Shown() const {
    return {Narrow(Text(IDC_PROJECT_DATA)), Narrow(Text(IDC_SERVER_DATA)),
            Narrow(Text(IDC_SERVER_DATA2)), Narrow(Text(IDC_WORKPLACE_DATA))};
  }
  bool Checked(int id) const { return ::IsDlgButtonChecked(window_, id) == BST_CHECKED; }
  bool NameReadOnly() const {
    return (::GetWindowLongW(::GetDlgItem(window_, IDC_SYSTEM_NAME), GWL_STYLE) & ES_READONLY) != 0;
  }
  void Click(int id) { ::SendDlgItemMessageW(window_, id, BM_CLICK, 0, 0); }

  Bstr ValidationMessage() {
    Bstr text;
    EXPECT_EQ(S_OK, adaption_->GetValidationMessage(text.put()));
    return text;
  }
  LONG Validate(HRESULT expected = S_OK) {
    LONG ok = -1;
    EXPECT_EQ(expected, adaption_->ValidatePage(&ok));
    return ok;
  }
  // Arguments of the calls to one session method, as narrow texts.
  std::vector<std::vector<std::string>> Calls(const std::string& method) const {
    std::vector<std::vector<std::string>> found;
    for (const auto& call : session_.CallsTo(method)) {
      found.emplace_back();
      for (const Bstr& arg : call.args) found.back().push_back(Narrow(arg));
    }
    return found;
  }

  TempDir temp_;
  std::wstring project_;
  FakeSession session_;
  FakeSink sink_;
  HWND parent_ = nullptr;
  HWND window_ = nullptr;
  ComPtr<IPropertyPage> page_;
  ComPtr<IZelCWPropertyPageAdaption> adaption_;
};

std::vector<std::string> Paths(const std::wstring& p, const std::wstring& s,
                               const std::wstring& s2, const std::wstring& w) {
  return {Narrow(p), Narrow(s), Narrow(s2), Narrow(w)};
}

TEST_F(Page3, TheTemplateLaysOutItsControlsInOrder) {
  ASSERT_NO_FATAL_FAILURE(Open());
  struct Control {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    RECT units;  // x, y, width, height
    bool tabStop;
  } controls[] = {
      {IDC_PATHS_GROUP, L"Button", L"System paths", {4, 2, 316, 90}, false},
      {IDC_SERVER_DATA, L"Edit", L"", {83, 12, 234, 16}, true},
      // Listed last in the template; the page moves it after server data,
      // where Tab meets it as it is seen.
      {IDC_SERVER_DATA2, L"Edit", L"", {83, 33, 234, 16}, true},
      {IDC_PROJECT_DATA, L"Edit", L"", {83, 52, 234, 16}, true},
      {IDC_WORKPLACE_DATA, L"Edit", L"", {83, 73, 234, 16}, true},
      {-1, L"Static", L"Server data:", {7, 16, 63, 8}, false},
      {-1, L"Static", L"Workplace data:", {7, 76, 76, 8}, false},
      {-1, L"Static", L"Project data:", {7, 56, 57, 8}, false},
      {IDC_IDENTITY_GROUP, L"Button", L"System identity", {3, 93, 316, 67}, false},
      {IDC_SAME_SYSTEM_ID, L"Button", L"Use the same system id", {7, 105, 91, 10}, false},
      {IDC_NEW_SYSTEM_ID, L"Button", L"Generate a new system id", {7, 123, 99, 10}, false},
      {IDC_SYSTEM_NAME, L"Edit", L"", {83, 139, 234, 15}, true},
      {IDC_SYSTEM_NAME_LABEL, L"Static", L"Enter system name:", {7, 141, 76, 8}, false},
      {-1, L"Static", L"Server data2:", {7, 36, 63, 8}, false},
  };
  EXPECT_EQ(WS_CHILD, ::GetWindowLongW(window_, GWL_STYLE) & (WS_CHILD | WS_POPUP | WS_CAPTION));

  HWND child = ::GetWindow(window_, GW_CHILD);
  for (const Control& c : controls) {
    SCOPED_TRACE(Narrow(std::wstring(c.text)) + " " + std::to_string(c.id));
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(LOWORD(c.id), LOWORD(::GetDlgCtrlID(child)));  // -1 is 0xFFFF in the template
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    EXPECT_EQ(0, ::lstrcmpiW(c.className, className)) << Narrow(std::wstring(className));
    EXPECT_EQ(Narrow(std::wstring(c.text)), Narrow(comlib::WindowText(child)));
    // Position and size convert separately, as the dialog manager does.
    RECT expected = c.units;
    ::MapDialogRect(window_, &expected);
    RECT actual;
    ::GetWindowRect(child, &actual);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right - actual.left);
    EXPECT_EQ(expected.bottom, actual.bottom - actual.top);
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    // A checked radio button becomes a tab stop by itself.
    if (c.id != IDC_SAME_SYSTEM_ID) {
      EXPECT_EQ(c.tabStop, (style & WS_TABSTOP) != 0);
    }
    if (c.tabStop) {
      // The dialog manager draws an edit's border as a sunken edge.
      EXPECT_TRUE((style & WS_BORDER) ||
                  (::GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
      EXPECT_NE(0, style & ES_AUTOHSCROLL);
      EXPECT_EQ(c.id == IDC_SYSTEM_NAME, (style & ES_READONLY) != 0);
    }
    child = ::GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(nullptr, child);
}

TEST_F(Page3, ActivateProposesTheFirstFreeNumberedDirectories) {
  // P, P1 and a part of P2 exist.
  temp_.MakeDir(L"Sys\\Server");
  temp_.MakeDir(L"Sys1");
  temp_.MakeDir(L"Sys2\\WP");
  ASSERT_NO_FATAL_FAILURE(Open());
  SetText(IDC_SYSTEM_NAME, L"left over");
  LONG result = 0;
  ASSERT_EQ(S_OK, adaption_->ActivatePage(&result));
  EXPECT_EQ(1, result);
  const std::wstring p3 = project_ + L"3";
  EXPECT_EQ(Paths(p3, p3 + L"\\Server", p3 + L"\\Server2", p3 + L"\\WP"), Shown());
  EXPECT_EQ("", Narrow(Text(IDC_SYSTEM_NAME)));
  EXPECT_TRUE(Checked(IDC_SAME_SYSTEM_ID));
  EXPECT_FALSE(Checked(IDC_NEW_SYSTEM_ID));
  EXPECT_TRUE(NameReadOnly());
  EXPECT_EQ(1u, session_.CallsTo("GetSystemPaths").size());
}

TEST_F(Page3, ActivateShowsTheSessionsPathsWhenTheyCannotBeNumbered) {
  temp_.MakeDir(L"Sys");
  const std::wstring p = project_;
  struct Case {
    int line;
    Bstr server, server2;
    std::vector<std::string> shown;
  } cases[] = {
      // The server directory on another (fixed) drive: nothing is proposed.
      {__LINE__, L"D:\\Server", p + L"\\Server2",
       Paths(p, L"D:\\Server", p + L"\\Server2", p + L"\\WP")},
      // No server data2 in the session: the server directory stands in.
      {__LINE__, L"D:\\Server", Bstr(), Paths(p, L"D:\\Server", L"D:\\Server", p + L"\\WP")},
      // An empty one is kept, and is not under P.
      {__LINE__, p + L"\\Server", L"", Paths(p, p + L"\\Server", L"", p + L"\\WP")},
  };
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    session_.serverDataPath = c.server;
    session_.serverData2Path = c.server2;
    LONG result = 0;
    ASSERT_EQ(S_OK, adaption_->ActivatePage(&result));
    EXPECT_EQ(c.shown, Shown());
  }
}

TEST_F(Page3, NullServerData2IsNumberedLikeTheServerDirectory) {
  temp_.MakeDir(L"Sys");
  session_.serverData2Path = Bstr();
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  const std::wstring p1 = project_ + L"1";
  EXPECT_EQ(Paths(p1, p1 + L"\\Server", p1 + L"\\Server", p1 + L"\\WP"), Shown());
}

TEST_F(Page3, FourBadPathsGiveFourMessagesInServerServer2ProjectWorkplaceOrder) {
  const std::wstring existing = temp_.MakeDir(L"Here");
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  SetPaths(L"N:\\Project", existing, L"R:\\Server2", L"Workplace");
  EXPECT_EQ(0, Validate());
  const std::wstring expected = Message(kExists, existing) + L"\n" +
                                Message(kNotLocal, L"R:\\Server2") + L"\n" +
                                Message(kNotLocal, L"N:\\Project") + L"\n" +
                                Message(kNotLocal, L"Workplace") + L"\n";
  EXPECT_EQ(Narrow(expected), Narrow(ValidationMessage()));
  // The messages last until the next validation.
  EXPECT_EQ(Narrow(expected), Narrow(ValidationMessage()));
  // Nothing was stored: only GetSystemPaths is allowed.
}

TEST_F(Page3, DirectoriesOnRemovableOrNetworkDrivesAreRefused) {
  const std::wstring p = project_;
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  for (const std::wstring drive : {L"R:", L"N:"}) {
    SCOPED_TRACE(Narrow(drive));
    SetPaths(p, p + L"\\Server", p + L"\\Server2", drive + L"\\WP");
    EXPECT_EQ(0, Validate());
    EXPECT_EQ(Narrow(Message(kNotLocal, drive + L"\\WP") + L"\n"), Narrow(ValidationMessage()));
  }
}

TEST_F(Page3, APathLongerThan259CharactersIsRefusedNotCut) {
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  const std::wstring tooLong = project_ + L"\\" + std::wstring(299 - project_.size(), L'x');
  ASSERT_EQ(300u, tooLong.size());
  SetPaths(project_, tooLong, project_ + L"\\Server2", project_ + L"\\WP");
  ASSERT_EQ(300u, Text(IDC_SERVER_DATA).size());
  EXPECT_EQ(0, Validate());
  EXPECT_EQ(Narrow(Message(kNotLocal, tooLong) + L"\n"), Narrow(ValidationMessage()));
  EXPECT_TRUE(session_.CallsTo("SetSystemPaths").empty());
}

TEST_F(Page3, APathNoDiskCouldHoldIsNotAValidPath) {
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  const std::wstring bad = project_ + L"\\Ser|ver";
  SetPaths(project_, bad, project_ + L"\\Server2", project_ + L"\\WP");
  EXPECT_EQ(0, Validate());
  EXPECT_EQ(Narrow(Message(kNotLocal, bad) + L"\n"), Narrow(ValidationMessage()));
  EXPECT_TRUE(session_.CallsTo("SetSystemPaths").empty());
  EXPECT_FALSE(testing_support::FileExists(project_));
}

TEST_F(Page3, SameSystemIdStoresTheDirectoriesAndTheClearedFlag) {
  session_.Allow({"SetSystemPaths", "put_CreateNewSystemId"});
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  EXPECT_EQ(1, Validate());
  EXPECT_TRUE(Narrow(ValidationMessage()) == "<null>");
  EXPECT_EQ((std::vector<std::vector<std::string>>{
                Paths(project_, project_ + L"\\Server", project_ + L"\\Server2", project_ + L"\\WP")}),
            Calls("SetSystemPaths"));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0"}}), Calls("put_CreateNewSystemId"));
  // Directories first, then the flag.
  ASSERT_EQ(3u, session_.calls.size());
  EXPECT_EQ("SetSystemPaths", session_.calls[1].method);
}

TEST_F(Page3, NewSystemIdWithoutANameStoresDirectoriesAndFlagButNotTheName) {
  session_.Allow({"SetSystemPaths", "put_CreateNewSystemId"});
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  Click(IDC_NEW_SYSTEM_ID);
  EXPECT_TRUE(Checked(IDC_NEW_SYSTEM_ID));
  EXPECT_FALSE(NameReadOnly());
  EXPECT_EQ(0, Validate());
  EXPECT_EQ(Narrow(kEmptyName + L"\n"), Narrow(ValidationMessage()));
  EXPECT_EQ(1u, Calls("SetSystemPaths").size());
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"1"}}), Calls("put_CreateNewSystemId"));
}

TEST_F(Page3, NewSystemIdWithANameStoresTheName) {
  session_.Allow({"SetSystemPaths", "put_CreateNewSystemId", "SetNewSystemName"});
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  Click(IDC_NEW_SYSTEM_ID);
  // Longer than the 259 characters an older reading would keep.
  const std::wstring name = L"NewSys" + std::wstring(300, L'n');
  SetText(IDC_SYSTEM_NAME, name);
  EXPECT_EQ(1, Validate());
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"1"}}), Calls("put_CreateNewSystemId"));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{Narrow(name)}}), Calls("SetNewSystemName"));
}

TEST_F(Page3, ClickingSameSystemIdEmptiesAndLocksTheNameAndStoresSilently) {
  session_.Allow({"SetSystemPaths", "put_CreateNewSystemId"});
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  Click(IDC_NEW_SYSTEM_ID);
  SetText(IDC_SYSTEM_NAME, L"NewSys");
  Click(IDC_SAME_SYSTEM_ID);
  EXPECT_TRUE(Checked(IDC_SAME_SYSTEM_ID));
  EXPECT_FALSE(Checked(IDC_NEW_SYSTEM_ID));
  EXPECT_EQ("", Narrow(Text(IDC_SYSTEM_NAME)));
  EXPECT_TRUE(NameReadOnly());
  EXPECT_EQ(1u, Calls("SetSystemPaths").size());
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0"}}), Calls("put_CreateNewSystemId"));

  // A bare command, as a host might send it, does the same.
  Click(IDC_NEW_SYSTEM_ID);
  SetText(IDC_SYSTEM_NAME, L"Other");
  ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_SAME_SYSTEM_ID, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window_, IDC_SAME_SYSTEM_ID)));
  EXPECT_TRUE(Checked(IDC_SAME_SYSTEM_ID));
  EXPECT_EQ("", Narrow(Text(IDC_SYSTEM_NAME)));
  EXPECT_TRUE(NameReadOnly());
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0"}, {"0"}}), Calls("put_CreateNewSystemId"));
}

TEST_F(Page3, ClickingSameSystemIdWithBadDirectoriesStoresNothing) {
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  Click(IDC_NEW_SYSTEM_ID);
  SetText(IDC_SERVER_DATA, L"R:\\Server");
  Click(IDC_SAME_SYSTEM_ID);
  EXPECT_TRUE(NameReadOnly());
  EXPECT_EQ(1u, session_.calls.size());  // GetSystemPaths only
}

TEST_F(Page3, ASessionThatRefusesAStoreMakesValidationFail) {
  struct Case {
    const char* method;
    bool newId;
  } cases[] = {{"SetSystemPaths", false}, {"put_CreateNewSystemId", false},
               {"SetNewSystemName", true}};
  session_.Allow({"SetSystemPaths", "put_CreateNewSystemId", "SetNewSystemName"});
  ASSERT_NO_FATAL_FAILURE(OpenAndActivate());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    session_.results.clear();
    session_.results[c.method] = E_FAIL;
    Click(c.newId ? IDC_NEW_SYSTEM_ID : IDC_SAME_SYSTEM_ID);
    SetText(IDC_SYSTEM_NAME, L"NewSys");
    EXPECT_EQ(0, Validate(E_UNEXPECTED));
  }
}

TEST_F(Page3, AnswersTheHostsQuestions) {
  ASSERT_NO_FATAL_FAILURE(Open());
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, page_->GetPageInfo(&info));
  EXPECT_EQ("System Directories Selection", Narrow(std::wstring(info.pszTitle)));
  EXPECT_EQ("Help File Name", Narrow(std::wstring(info.pszHelpFile)));
  EXPECT_EQ("Your Help String", Narrow(std::wstring(info.pszDocString)));
  RECT units = {0, 0, 324, 204};
  ::MapDialogRect(window_, &units);
  EXPECT_EQ(units.right, info.size.cx);
  EXPECT_EQ(units.bottom, info.size.cy);
  ::CoTaskMemFree(info.pszTitle);
  ::CoTaskMemFree(info.pszHelpFile);
  ::CoTaskMemFree(info.pszDocString);

  CLSID next = GUID_NULL;
  EXPECT_EQ(S_OK, adaption_->GetNextPage(&next));
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestorePropertyPage2, next));
  Bstr summary;
  EXPECT_EQ(S_OK, adaption_->GetSummary(summary.put()));
  EXPECT_FALSE(summary.IsNull());
  EXPECT_TRUE(summary.IsEmpty());
  EXPECT_EQ(E_NOTIMPL, adaption_->Reserved3(7));
  LONG value = 5;
  EXPECT_EQ(S_OK, adaption_->Reserved9(&value));
  EXPECT_EQ(0, value);
  EXPECT_TRUE(ValidationMessage().IsNull());
  EXPECT_EQ(E_POINTER, adaption_->ValidatePage(nullptr));
  EXPECT_EQ(E_POINTER, adaption_->ActivatePage(nullptr));

  ComPtr<IZelCWPageDescription> description;
  ASSERT_EQ(S_OK, page_.As(&description));
  Bstr text;
  EXPECT_EQ(S_OK, description->GetPageDescription(text.put()));
  EXPECT_EQ("The system directories have to be selected before restore is started. "
            "The directories must not exist",
            Narrow(text));
  EXPECT_EQ(S_FALSE, page_->IsPageDirty());
  EXPECT_EQ(S_OK, page_->Apply());
  EXPECT_EQ(S_FALSE, page_->IsPageDirty());
}

TEST_F(Page3, RestoreCallbacksReachTheSinkAsProgressLines) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ComPtr<IZelAsynchRestoreCallbacks> phase;
  ComPtr<IZelServiceRestoreCallbacks> service;
  ASSERT_EQ(S_OK, page_.As(&phase));
  ASSERT_EQ(S_OK, page_.As(&service));
  ASSERT_EQ(S_OK, adaption_->SetMessageSink(static_cast<IZelCWMessageSink*>(&sink_)));
  EXPECT_EQ(S_OK, phase->OnInfo(Bstr(L"info").get()));
  EXPECT_EQ(S_OK, phase->OnWarning(Bstr(L"warning").get()));
  EXPECT_EQ(S_OK, phase->OnError(Bstr(L"error").get()));
  EXPECT_EQ(S_OK, phase->OnCompleted(3, Bstr(L"phase done").get()));
  EXPECT_EQ(S_OK, service->OnProgress(4, Bstr(L"progress").get()));
  EXPECT_EQ(S_OK, service->OnCompleted(5, nullptr));
  const std::vector<std::string> texts = {"info", "warning", "error", "phase done", "progress",
                                          "<null>"};
  ASSERT_EQ(texts.size(), sink_.lines.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(0, sink_.lines[i].kind) << i;
    EXPECT_EQ(texts[i], sink_.lines[i].null ? "<null>" : Narrow(sink_.lines[i].text)) << i;
  }
  // Replacing the sink lets go of the old one.
  ASSERT_EQ(S_OK, adaption_->SetMessageSink(nullptr));
  EXPECT_EQ(1u, sink_.refs);
  EXPECT_EQ(S_OK, phase->OnInfo(Bstr(L"lost").get()));
  EXPECT_EQ(texts.size(), sink_.lines.size());
}

TEST_F(Page3, ServesItsInterfacesAndCanBeAggregated) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const IID interfaces[] = {IID_IPropertyPage, __uuidof(IZelCWPropertyPageAdaption),
                            __uuidof(IZelCWPageDescription), __uuidof(IZelAsynchRestoreCallbacks),
                            __uuidof(IZelServiceRestoreCallbacks)};
  for (const IID& iid : interfaces) {
    ComPtr<IUnknown> found;
    EXPECT_EQ(S_OK, page_->QueryInterface(iid, found.PutVoid()));
    EXPECT_TRUE(comlib::SameObject(found.Get(), page_.Get()));
  }
  ComPtr<IUnknown> inner;
  IUnknown* outer = static_cast<IRestoreModule*>(&session_);  // any object will do
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            CRestorePropertyPage3::CreateInstance(outer, IID_IPropertyPage, inner.PutVoid()));
  EXPECT_EQ(S_OK, CRestorePropertyPage3::CreateInstance(outer, IID_IUnknown, inner.PutVoid()));
}

TEST_F(Page3, KeepsTheControlParentStyle) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ::SetWindowLongW(window_, GWL_EXSTYLE, 0);
  EXPECT_NE(0, ::GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

}  // namespace

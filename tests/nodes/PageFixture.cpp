#include "PageFixture.h"
#include "comlib/ControlText.h"

namespace nodes_test {
namespace {

const wchar_t kHostClass[] = L"NodesTestHost";

void RegisterHostClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kHostClass;
  ::RegisterClassW(&wc);
  registered = true;
}

}  // namespace

void PageFixture::SetUp() {
  RegisterHostClass();
  // What the page reads and the mapping it keeps in the session.
  session.Allow({"GetRestoreNode", "GetRestoreNodeNames", "GetRestoreInfo", "GetNewRestoreInfo",
                 "IsPrimaryNode", "get_CreateNewSystemId", "AddMappedNodes",
                 "GetAddedMappedNodes", "ClearMappedNodes"});
  host = ::CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 760,
                           480, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, host);
  ASSERT_EQ(S_OK, comlib::ComObject<CRestorePropertyPage2>::Create(&object));
  page = comlib::ComPtr<IPropertyPage>::Attach(static_cast<IPropertyPage*>(object));
  ASSERT_EQ(S_OK, page.As(&adaption));
  IUnknown* objects[] = {static_cast<IRestoreModule*>(&session)};
  ASSERT_EQ(S_OK, page->SetObjects(1, objects));
  RECT rect = {0, 0, 720, 440};
  ASSERT_EQ(S_OK, page->Activate(host, &rect, FALSE));
  ASSERT_EQ(S_OK, page->Show(SW_SHOW));
  window = ::GetWindow(host, GW_CHILD);
  ASSERT_NE(nullptr, window);
  primary = ::GetDlgItem(window, IDC_PRIMARY_LIST);
  secondary = ::GetDlgItem(window, IDC_SECONDARY_LIST);
  ASSERT_NE(nullptr, primary);
  ASSERT_NE(nullptr, secondary);
  testing_support::PumpMessages(10);
}

void PageFixture::TearDown() {
  if (page) {
    page->Deactivate();
    page->SetObjects(0, nullptr);
  }
  adaption.Reset();
  page.Reset();
  if (host) ::DestroyWindow(host);
  // Every reference the page took to the session went back.
  EXPECT_EQ(1u, session.refs);
}

void PageFixture::Enter() {
  LONG result = 0;
  ASSERT_EQ(S_OK, adaption->ActivatePage(&result));
  EXPECT_EQ(1, result);
}

LONG PageFixture::Validate() {
  LONG ok = -1;
  EXPECT_EQ(S_OK, adaption->ValidatePage(&ok));
  return ok;
}

std::wstring PageFixture::ValidationMessage() {
  BSTR message = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(S_OK, adaption->GetValidationMessage(&message));
  if (!message) return L"<null>";
  std::wstring text(message, ::SysStringLen(message));
  ::SysFreeString(message);
  return text;
}

Rows PageFixture::ListRows(HWND list) {
  Rows rows;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r)
    rows.emplace_back(comlib::ListItemText(list, r, 0), comlib::ListItemText(list, r, 1));
  return rows;
}

void PageFixture::Select(HWND list, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void PageFixture::Rename(HWND list, const std::wstring& original, const std::wstring& name) {
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r) {
    if (comlib::ListItemText(list, r, 1) != original) continue;
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(name.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
    return;
  }
  ADD_FAILURE() << "no row for the backup node " << std::string(original.begin(), original.end());
}

HWND PageFixture::EditControl(HWND list) {
  return reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
}

void PageFixture::RightClick(HWND list) {
  NMITEMACTIVATE click = {};
  click.hdr.hwndFrom = list;
  click.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
  click.hdr.code = NM_RCLICK;
  click.iItem = -1;
  ::SendMessageW(window, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

}  // namespace nodes_test

#include "Harness.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "ZelFramework.h"
#include "catalogue/Persistency.h"
#include "selection/Settings.h"
#include "selection/RestorePropertyPage1.h"
#include "comlib/ControlText.h"

namespace selection_test {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Attr(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + Escape(value) + "\"";
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

void AppendLevel(HWND tree, HTREEITEM first, std::wstring* out) {
  for (HTREEITEM item = first; item; item = Next(tree, item, TVGN_NEXT)) {
    if (item != first) *out += L",";
    *out += comlib::TreeItemText(tree, item);
    if (HTREEITEM child = Next(tree, item, TVGN_CHILD)) {
      *out += L"[";
      AppendLevel(tree, child, out);
      *out += L"]";
    }
  }
}

HTREEITEM FindFrom(HWND tree, HTREEITEM first, const std::wstring& text) {
  for (HTREEITEM item = first; item; item = Next(tree, item, TVGN_NEXT)) {
    if (comlib::TreeItemText(tree, item) == text) return item;
    if (HTREEITEM found = FindFrom(tree, Next(tree, item, TVGN_CHILD), text)) return found;
  }
  return nullptr;
}

const wchar_t kHostClass[] = L"SelectionTestHost";

}  // namespace

SettingsFolder::SettingsFolder() { selection::SetSettingsBaseFolder(folder_.path()); }
SettingsFolder::~SettingsFolder() { selection::SetSettingsBaseFolder(std::wstring()); }

void SettingsFolder::Configure(const std::vector<std::wstring>& folders) const {
  Persistency(folder_.path()).WritePaths(std::vector<comlib::Bstr>(folders.begin(), folders.end()));
}

std::vector<std::wstring> SettingsFolder::Configured() const {
  std::vector<comlib::Bstr> list;
  Persistency(folder_.path()).ReadPaths(&list);
  std::vector<std::wstring> out;
  for (const comlib::Bstr& folder : list) out.push_back(folder.str());
  return out;
}

std::wstring SettingsFolder::File() const { return Persistency(folder_.path()).SettingsFile(); }

std::string Id(int n) {
  char text[64];
  std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012d}", n);
  return text;
}

ObjectId IdValue(int n) {
  ObjectId id = {};
  // The last six bytes hold the decimal digits as written in the text.
  char digits[13];
  std::snprintf(digits, sizeof digits, "%012d", n);
  for (int i = 0; i < 6; ++i) {
    const int hi = digits[2 * i] - '0';
    const int lo = digits[2 * i + 1] - '0';
    id.Data4[2 + i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return id;
}

std::string BackupXml(const BackupSpec& b) {
  std::string nodes;
  for (const NodeSpec& node : b.nodes)
    nodes += "<NODE" + Attr("NodeName", node.name) + Attr("NodeId", node.id) + "/>";
  for (const NodeSpec& node : b.nodes)
    if (node.primary)
      nodes += "<RESTORENODE" + Attr("NodeName", node.name) + Attr("NodeId", node.id) +
               Attr("ProjectDataPath", b.projectData) + Attr("ServerDataPath", b.serverData) +
               Attr("ServerData2Path", b.serverData2) +
               Attr("WorkplaceDataPath", b.workplaceData) + "/>";
  // A node container without children does not read: a backup that lists no
  // nodes still has something in it.
  if (nodes.empty()) nodes = "<NOTE/>";
  const std::string system =
      Attr("SystemName", b.systemName) + Attr("SystemDescription", b.systemDescription);
  if (b.name.empty()) return "<BACKUP" + system + ">" + nodes + "</BACKUP>";
  std::string services;
  for (const ServiceSpec& s : b.services)
    services += "<SERVICE" + Attr("Name", s.name) + Attr("Id", s.id) +
                Attr("HelperId", s.helperId) + Attr("BackupPath", s.backupPath) + "/>";
  std::string head = "<BACKUP" + Attr("Name", b.name);
  if (!b.id.empty()) head += Attr("Id", b.id);
  if (!b.parentId.empty()) head += Attr("ParentId", b.parentId);
  return head + ">" + services + "<SYSTEM" + system + ">" + nodes + "</SYSTEM></BACKUP>";
}

std::wstring TreeText(HWND tree) {
  std::wstring out;
  AppendLevel(tree, Next(tree, nullptr, TVGN_ROOT), &out);
  return out;
}

HTREEITEM FindItem(HWND tree, const std::wstring& text) {
  return FindFrom(tree, Next(tree, nullptr, TVGN_ROOT), text);
}

PageHost::PageHost() {
  // Page 1 only hands its choice to the session.
  session.Allow({"SetRestoreNode", "SetRestoreInfo", "SetBackupDependency"});
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    wc.style = 0;
    ::RegisterClassW(&wc);
    registered = true;
  }
  host = ::CreateWindowExW(WS_EX_CONTROLPARENT, kHostClass, L"Wizard", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           0, 0, 700, 500, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  EXPECT_EQ(S_OK, CRestorePropertyPage1::CreateInstance(nullptr, IID_IPropertyPage, page.PutVoid()));
}

PageHost::~PageHost() {
  if (page) {
    page->Deactivate();
    page->SetObjects(0, nullptr);
    page.Reset();
  }
  ::DestroyWindow(host);
  EXPECT_EQ(1u, session.refs) << "the page must release the session";
}

void PageHost::Open() {
  IUnknown* objects[] = {static_cast<IRestoreModule*>(&session)};
  ASSERT_EQ(S_OK, page->SetObjects(1, objects));
  RECT rect = {0, 0, 600, 400};
  ASSERT_EQ(S_OK, page->Activate(host, &rect, FALSE));
  page->Show(SW_SHOW);
  comlib::ComPtr<IZelCWPropertyPageAdaption> wizard;
  ASSERT_EQ(S_OK, page.As(&wizard));
  LONG result = 0;
  ASSERT_EQ(S_OK, wizard->ActivatePage(&result));
  EXPECT_EQ(1, result);
}

void PageHost::Close() { page->Deactivate(); }

HWND PageHost::window() const { return ::FindWindowExW(host, nullptr, L"#32770", nullptr); }

void PageHost::Click(int control) const {
  ::SendMessageW(::GetDlgItem(window(), control), BM_CLICK, 0, 0);
}

bool PageHost::Select(const std::wstring& text) const {
  HTREEITEM item = FindItem(backupTree(), text);
  if (!item) return false;
  return ::SendMessageW(backupTree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

HRESULT PageHost::Validate(LONG* ok) const {
  comlib::ComPtr<IZelCWPropertyPageAdaption> wizard;
  const HRESULT hr = page.As(&wizard);
  if (FAILED(hr)) return hr;
  return wizard->ValidatePage(ok);
}

}  // namespace selection_test

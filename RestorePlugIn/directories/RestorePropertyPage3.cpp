#include "RestorePropertyPage3.h"

#include "SystemDirectories.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "resource.h"

namespace {

const comlib::PageResources kResources = {IDD_RESTOREPROPERTYPAGE3, IDS_TITLE_RESTOREPROPERTYPAGE3,
                                          IDS_HELPFILE_RESTOREPROPERTYPAGE3,
                                          IDS_DOCSTRING_RESTOREPROPERTYPAGE3};

HRESULT WriteText(BSTR* out, const std::wstring& text) noexcept {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

CRestorePropertyPage3::CRestorePropertyPage3() noexcept : PropertyPage(kResources) {}

const QITAB* CRestorePropertyPage3::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CRestorePropertyPage3, IPropertyPage),
      QITABENT(CRestorePropertyPage3, IZelCWPropertyPageAdaption),
      QITABENT(CRestorePropertyPage3, IZelCWPageDescription),
      QITABENT(CRestorePropertyPage3, IZelAsynchRestoreCallbacks),
      QITABENT(CRestorePropertyPage3, IZelServiceRestoreCallbacks),
      {nullptr, 0},
  };
  return table;
}

HRESULT CRestorePropertyPage3::TakeSession() noexcept {
  IUnknown* first = FirstObject();
  if (!first) return session_ ? S_OK : E_UNEXPECTED;
  if (session_ && comlib::SameObject(session_.Get(), first)) return S_OK;
  comlib::ComPtr<IRestoreModule> session;
  RETURN_IF_FAILED(first->QueryInterface(__uuidof(IRestoreModule), session.PutVoid()));
  session_ = std::move(session);
  return S_OK;
}

// ---------------------------------------------------------------------------
// IZelCWPropertyPageAdaption

STDMETHODIMP CRestorePropertyPage3::Reserved3(LONG) noexcept { return E_NOTIMPL; }

STDMETHODIMP CRestorePropertyPage3::GetNextPage(CLSID* pageClsid) noexcept {
  if (!pageClsid) return E_POINTER;
  *pageClsid = CLSID_RestorePropertyPage2;
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage3::GetSummary(BSTR* summary) noexcept {
  return WriteText(summary, std::wstring());
}

STDMETHODIMP CRestorePropertyPage3::ValidatePage(LONG* ok) noexcept {
  if (!ok) return E_POINTER;
  *ok = 0;
  // Every failure inside, out of memory included, is the page's failure.
  const HRESULT hr = comlib::Guard([&] { return Validate(ok); });
  return FAILED(hr) ? E_UNEXPECTED : hr;
}

HRESULT CRestorePropertyPage3::Validate(LONG* ok) {
  messages_.clear();
  directories::SystemPaths paths;
  paths.project = comlib::WindowText(Item(IDC_PROJECT_DATA));
  paths.server = comlib::WindowText(Item(IDC_SERVER_DATA));
  paths.server2 = comlib::WindowText(Item(IDC_SERVER_DATA2));
  paths.workplace = comlib::WindowText(Item(IDC_WORKPLACE_DATA));
  messages_ = directories::SystemDirectories(paths).Problems(
      comlib::ResourceString(IDS_DIRECTORY_EXISTS), comlib::ResourceString(IDS_NOT_LOCAL_PATH));
  if (!messages_.empty()) return S_OK;

  RETURN_IF_FAILED(TakeSession());
  const comlib::Bstr project(paths.project), server(paths.server), server2(paths.server2),
      workplace(paths.workplace);
  RETURN_IF_FAILED(
      session_->SetSystemPaths(project.get(), server.get(), server2.get(), workplace.get()));

  const std::wstring name = comlib::WindowText(Item(IDC_SYSTEM_NAME));
  const bool newId = ::IsDlgButtonChecked(hwnd(), IDC_NEW_SYSTEM_ID) == BST_CHECKED;
  RETURN_IF_FAILED(session_->put_CreateNewSystemId(newId ? 1 : 0));
  if (!newId) {
    *ok = 1;
    return S_OK;
  }
  if (name.empty()) {
    messages_.push_back(comlib::ResourceString(IDS_EMPTY_SYSTEM_NAME));
    return S_OK;
  }
  RETURN_IF_FAILED(session_->SetNewSystemName(comlib::Bstr(name).get()));
  *ok = 1;
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage3::GetValidationMessage(BSTR* message) noexcept {
  if (!message) return E_POINTER;
  *message = nullptr;
  if (messages_.empty()) return S_OK;
  return comlib::Guard([&] {
    std::wstring text;
    for (const std::wstring& line : messages_) text += line + L"\n";
    return WriteText(message, text);
  });
}

STDMETHODIMP CRestorePropertyPage3::ActivatePage(LONG* result) noexcept {
  if (!result) return E_POINTER;
  const HRESULT hr = TakeSession();
  if (FAILED(hr)) return E_UNEXPECTED;
  *result = 1;
  const HRESULT loaded = comlib::Guard([&] { return LoadProposal(); });
  return FAILED(loaded) ? E_UNEXPECTED : loaded;
}

HRESULT CRestorePropertyPage3::LoadProposal() {
  comlib::Bstr project, server, server2, workplace;
  // A path the session cannot hand out reads as empty.
  session_->GetSystemPaths(project.put(), server.put(), server2.put(), workplace.put());
  directories::SystemPaths paths{project.str(), server.str(),
                                 server2.IsNull() ? server.str() : server2.str(), workplace.str()};
  paths = directories::SystemDirectories(std::move(paths)).Proposal();
  ::SetWindowTextW(Item(IDC_PROJECT_DATA), paths.project.c_str());
  ::SetWindowTextW(Item(IDC_SERVER_DATA), paths.server.c_str());
  ::SetWindowTextW(Item(IDC_SERVER_DATA2), paths.server2.c_str());
  ::SetWindowTextW(Item(IDC_WORKPLACE_DATA), paths.workplace.c_str());
  ::SetWindowTextW(Item(IDC_SYSTEM_NAME), L"");
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage3::Reserved9(LONG* result) noexcept {
  if (!result) return E_POINTER;
  *result = 0;
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage3::SetMessageSink(IUnknown* sink) noexcept {
  comlib::ComPtr<IZelCWMessageSink> held;
  // A sink without the interface leaves the page without one; the host is
  // not told, as it has no use for the answer.
  if (sink) sink->QueryInterface(__uuidof(IZelCWMessageSink), held.PutVoid());
  sink_ = std::move(held);
  return S_OK;
}

// ---------------------------------------------------------------------------
// IZelCWPageDescription

STDMETHODIMP CRestorePropertyPage3::GetPageDescription(BSTR* description) noexcept {
  if (!description) return E_POINTER;
  *description = nullptr;
  return comlib::Guard(
      [&] { return WriteText(description, comlib::ResourceString(IDS_DESCRIPTION_RESTOREPROPERTYPAGE3)); });
}

// ---------------------------------------------------------------------------
// Restore callbacks: this page only passes their texts on as progress lines.

HRESULT CRestorePropertyPage3::Forward(BSTR text) noexcept {
  if (sink_) sink_->AddMessage(0, text);
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage3::OnInfo(BSTR text) noexcept { return Forward(text); }
STDMETHODIMP CRestorePropertyPage3::OnWarning(BSTR text) noexcept { return Forward(text); }
STDMETHODIMP CRestorePropertyPage3::OnError(BSTR text) noexcept { return Forward(text); }
STDMETHODIMP CRestorePropertyPage3::OnCompleted(LONG, BSTR text) noexcept { return Forward(text); }
STDMETHODIMP CRestorePropertyPage3::OnProgress(LONG, BSTR text) noexcept { return Forward(text); }

// ---------------------------------------------------------------------------
// The page's window

bool CRestorePropertyPage3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                      INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG:
      TakeSession();
      ::CheckDlgButton(hwnd(), IDC_SAME_SYSTEM_ID, BST_CHECKED);
      ::CheckDlgButton(hwnd(), IDC_NEW_SYSTEM_ID, BST_UNCHECKED);
      *result = TRUE;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      if (LOWORD(wParam) == IDC_SAME_SYSTEM_ID) {
        OnSameSystemIdClicked();
        return true;
      }
      if (LOWORD(wParam) == IDC_NEW_SYSTEM_ID) {
        OnNewSystemIdClicked();
        return true;
      }
      return false;
    case WM_STYLECHANGING:
      comlib::KeepControlParent(wParam, lParam);
      return false;
    default:
      return false;
  }
}

void CRestorePropertyPage3::OnNewSystemIdClicked() {
  ::SendMessageW(Item(IDC_SYSTEM_NAME), EM_SETREADONLY, FALSE, 0);
}

void CRestorePropertyPage3::OnSameSystemIdClicked() {
  // A click sent as a bare command has not moved the check yet.
  ::CheckRadioButton(hwnd(), IDC_SAME_SYSTEM_ID, IDC_NEW_SYSTEM_ID, IDC_SAME_SYSTEM_ID);
  ::SetWindowTextW(Item(IDC_SYSTEM_NAME), L"");
  // Stores the directories and the cleared flag when they are valid; what
  // it finds wrong is told only when the engineer leaves the page.
  LONG ok = 0;
  ValidatePage(&ok);
  ::SendMessageW(Item(IDC_SYSTEM_NAME), EM_SETREADONLY, TRUE, 0);
}

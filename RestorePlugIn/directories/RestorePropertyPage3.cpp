#include "RestorePropertyPage3.h"

#include "SystemDirectories.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "resource.h"

namespace {

const session::WizardPageInfo kPage = {
    {IDD_RESTOREPROPERTYPAGE3, IDS_TITLE_RESTOREPROPERTYPAGE3, IDS_HELPFILE_RESTOREPROPERTYPAGE3,
     IDS_DOCSTRING_RESTOREPROPERTYPAGE3},
    &CLSID_RestorePropertyPage2,
    IDS_DESCRIPTION_RESTOREPROPERTYPAGE3};

}  // namespace

CRestorePropertyPage3::CRestorePropertyPage3() noexcept : WizardPage(kPage) {}

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

// ---------------------------------------------------------------------------
// The wizard's questions

HRESULT CRestorePropertyPage3::Validate(bool* ok) {
  messages_.clear();
  directories::SystemPaths paths;
  paths.project = comlib::WindowText(Item(IDC_PROJECT_DATA));
  paths.server = comlib::WindowText(Item(IDC_SERVER_DATA));
  paths.server2 = comlib::WindowText(Item(IDC_SERVER_DATA2));
  paths.workplace = comlib::WindowText(Item(IDC_WORKPLACE_DATA));
  messages_ = directories::SystemDirectories(paths).Problems(
      comlib::ResourceString(IDS_DIRECTORY_EXISTS), comlib::ResourceString(IDS_NOT_LOCAL_PATH));
  if (!messages_.empty()) return S_OK;

  IRestoreModule* session = Session();
  RETURN_HR_IF_NULL(E_UNEXPECTED, session);
  const comlib::Bstr project(paths.project), server(paths.server), server2(paths.server2),
      workplace(paths.workplace);
  RETURN_IF_FAILED(
      session->SetSystemPaths(project.get(), server.get(), server2.get(), workplace.get()));

  const std::wstring name = comlib::WindowText(Item(IDC_SYSTEM_NAME));
  const bool newId = ::IsDlgButtonChecked(hwnd(), IDC_NEW_SYSTEM_ID) == BST_CHECKED;
  RETURN_IF_FAILED(session->put_CreateNewSystemId(newId ? 1 : 0));
  if (!newId) {
    *ok = true;
    return S_OK;
  }
  if (name.empty()) {
    messages_.push_back(comlib::ResourceString(IDS_EMPTY_SYSTEM_NAME));
    return S_OK;
  }
  RETURN_IF_FAILED(session->SetNewSystemName(comlib::Bstr(name).get()));
  *ok = true;
  return S_OK;
}

std::wstring CRestorePropertyPage3::ValidationMessage() const {
  std::wstring text;
  for (const std::wstring& line : messages_) text += line + L"\n";
  return text;
}

HRESULT CRestorePropertyPage3::OnActivatePage() {
  IRestoreModule* session = Session();
  RETURN_HR_IF_NULL(E_UNEXPECTED, session);
  comlib::Bstr project, server, server2, workplace;
  // A path the session cannot hand out reads as empty.
  session->GetSystemPaths(project.put(), server.put(), server2.put(), workplace.put());
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

// ---------------------------------------------------------------------------
// Restore callbacks: this page only passes their texts on as progress lines.

HRESULT CRestorePropertyPage3::Forward(BSTR text) noexcept {
  AddMessage(0, text);
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
      ::CheckDlgButton(hwnd(), IDC_SAME_SYSTEM_ID, BST_CHECKED);
      ::CheckDlgButton(hwnd(), IDC_NEW_SYSTEM_ID, BST_UNCHECKED);
      FixTabOrder();
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

// The template lists server data2 last; Tab is to follow the page from top
// to bottom without moving a control. The checked radio button is the tab
// stop of its pair (the button control sees to that); as a group of their
// own, the arrow keys move between the two.
void CRestorePropertyPage3::FixTabOrder() noexcept {
  ::SetWindowPos(Item(IDC_SERVER_DATA2), Item(IDC_SERVER_DATA), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (const int id : {IDC_SAME_SYSTEM_ID, IDC_SYSTEM_NAME}) {
    const HWND control = Item(id);
    ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | WS_GROUP);
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

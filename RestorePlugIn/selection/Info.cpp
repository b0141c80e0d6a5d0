#include "selection/Info.h"

#include "resource.h"
#include "comlib/ResourceText.h"

INT_PTR CInfo::Run() noexcept { return RunModal(::GetActiveWindow(), IDD_INFO); }

bool CInfo::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      *result = TRUE;  // the dialog manager sets the focus
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        End(IDOK);
        return true;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        End(IDCANCEL);
        return true;
      }
      return false;
    default:
      return false;
  }
}

void CInfo::OnInitDialog() {
  ::SetWindowTextW(hwnd(), comlib::ResourceString(IDS_INFORMATION).c_str());
  ::SetDlgItemTextW(hwnd(), IDOK, comlib::ResourceString(IDS_CLOSE).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_INFO_PATH, path_.c_str());
  ::SetDlgItemTextW(hwnd(), IDC_INFO_SYSTEM_NAME, systemName_.c_str());
  ::SetDlgItemTextW(hwnd(), IDC_INFO_SYSTEM_DESCRIPTION, systemDescription_.c_str());
}

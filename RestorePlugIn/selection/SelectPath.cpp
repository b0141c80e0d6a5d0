#include "selection/SelectPath.h"

#include <commctrl.h>

#include <cwchar>

#include "selection/Settings.h"
#include "comlib/ControlText.h"
#include "comlib/Machine.h"
#include "comlib/ResourceText.h"
#include "resource.h"

namespace {

// The column is far wider than the list: long paths scroll instead of being
// cut off.
constexpr int kColumnWidth = 1000;

// The folder as the user can read it, every character the settings file
// cannot carry written as its code.
std::wstring Readable(std::wstring folder) {
  std::wstring text;
  size_t bad = 0;
  while (!Persistency::CanCarry(folder, &bad)) {
    wchar_t code[16];
    std::swprintf(code, 16, L"[U+%04X]", static_cast<unsigned>(folder[bad]));
    text += folder.substr(0, bad) + code;
    folder.erase(0, bad + 1);
  }
  return text + folder;
}

}  // namespace

INT_PTR CSelectPath::Run() noexcept { return RunModal(::GetActiveWindow(), IDD_SELECTPATH); }

bool CSelectPath::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      *result = TRUE;  // the dialog manager sets the focus
      return true;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk();
          return true;
        case IDCANCEL:
          End(IDCANCEL);
          return true;
        case IDC_ADD_PATH:
          if (HIWORD(wParam) != BN_CLICKED) return false;
          OnAdd();
          return true;
        case IDC_REMOVE_PATH:
          if (HIWORD(wParam) != BN_CLICKED) return false;
          OnRemove();
          return true;
        default:
          return false;
      }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_PATH_LIST) return false;
      // A key-down arrives before the key moves the selection.
      if (header->code == NM_CLICK || header->code == LVN_KEYDOWN) UpdateRemoveButton();
      return false;
    }
    default:
      return false;
  }
}

void CSelectPath::OnInitDialog() {
  remove_ = Item(IDC_REMOVE_PATH);
  ok_ = Item(IDOK);
  ::EnableWindow(ok_, FALSE);
  list_ = Item(IDC_PATH_LIST);

  LVCOLUMNW column = {};
  column.mask = LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  ::SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(kColumnWidth, 0));

  ::SetWindowTextW(hwnd(), comlib::ResourceString(IDS_SELECTPATH_CAPTION).c_str());
  ::SetWindowTextW(ok_, comlib::ResourceString(IDS_OK).c_str());
  ::SetDlgItemTextW(hwnd(), IDCANCEL, comlib::ResourceString(IDS_CANCEL).c_str());

  std::vector<comlib::Bstr> folders;
  selection::SettingsStore().ReadPaths(&folders);
  for (const comlib::Bstr& folder : folders) AppendFolder(folder.c_str());

  UpdateRemoveButton();
}

void CSelectPath::OnAdd() {
  std::wstring path;
  if (!comlib::CurrentMachine().BrowseForFolder(L"Locate the restore files.", &path)) return;
  if (!Persistency::CanCarry(path)) {
    const std::wstring text = L"The folder \"" + Readable(path) +
                              L"\" cannot be added: its name holds a character that the settings file cannot "
                              L"store (shown as [U+...]).";
    comlib::CurrentMachine().ShowMessageBox(hwnd(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  AppendFolder(path.c_str());
  ::EnableWindow(ok_, TRUE);
}

void CSelectPath::OnRemove() {
  const LRESULT selected = ::SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0);
  bool deleted = false;
  for (LRESULT n = 0; n < selected; ++n) {
    const LRESULT first = ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    if (first < 0) break;
    if (::SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(first), 0)) deleted = true;
  }
  if (deleted) ::EnableWindow(ok_, TRUE);
}

void CSelectPath::OnOk() {
  const std::vector<std::wstring> folders = Folders();
  std::vector<comlib::Bstr> list(folders.begin(), folders.end());
  const Persistency store = selection::SettingsStore();
  std::wstring kept;
  const HRESULT hr = store.WritePaths(list, &kept);
  comlib::Machine& machine = comlib::CurrentMachine();
  if (FAILED(hr)) {
    // The list stays in the dialog, so the user can try again or cancel.
    const std::wstring text =
        L"The folder list could not be saved to\n" + store.SettingsFile() + L"\n\n" + xml::StatusText(hr);
    machine.ShowMessageBox(hwnd(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  if (!kept.empty()) {
    const std::wstring text = L"The settings file\n" + store.SettingsFile() +
                              L"\ncould not be read. Its content was kept in\n" + kept +
                              L"\nbefore the new folder list replaced it.";
    machine.ShowMessageBox(hwnd(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONWARNING);
  }
  End(IDOK);
}

std::wstring CSelectPath::Caption() const { return comlib::ResourceString(IDS_SELECTPATH_CAPTION); }

void CSelectPath::UpdateRemoveButton() noexcept {
  const LRESULT selected = ::SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0);
  ::EnableWindow(remove_, selected > 0);
}

void CSelectPath::AppendFolder(const wchar_t* path) noexcept {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<wchar_t*>(path);
  ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::vector<std::wstring> CSelectPath::Folders() const {
  return comlib::ListTexts(list_);
}

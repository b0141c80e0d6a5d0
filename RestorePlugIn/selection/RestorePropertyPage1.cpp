#include "selection/RestorePropertyPage1.h"

#include "selection/Settings.h"
#include "comlib/PumpingWait.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "resource.h"
#include "selection/BackupTree.h"
#include "selection/Commit.h"
#include "selection/Info.h"
#include "selection/SelectPath.h"

namespace {

const session::WizardPageInfo kPage = {
    {IDD_RESTOREPROPERTYPAGE1, IDS_TITLE_RESTOREPROPERTYPAGE1, IDS_HELPFILE_RESTOREPROPERTYPAGE1,
     IDS_DOCSTRING_RESTOREPROPERTYPAGE1},
    &CLSID_RestorePropertyPage3,
    IDS_DESCRIPTION_RESTOREPROPERTYPAGE1};

// A search that takes longer than this shows the wait cursor.
constexpr DWORD kBusyCursorAfterMs = 500;

// State image 1 is the unchecked box of a tree with check boxes.
constexpr UINT kUnchecked = 1;

HTREEITEM CurrentItem(HWND tree) noexcept {
  return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM ParentItem(HWND tree, HTREEITEM item) noexcept {
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const wchar_t* text, LPARAM param, UINT state,
                     UINT stateMask) noexcept {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | (stateMask ? TVIF_STATE : 0);
  insert.item.pszText = const_cast<wchar_t*>(text);
  insert.item.lParam = param;
  insert.item.state = state;
  insert.item.stateMask = stateMask;
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// A tree view leaves the state image list that its check boxes made to its
// owner: left alone, every page window leaves one image list and four GDI
// objects behind. Taken off the tree first, so that no tree ever points at
// a destroyed list.
void DestroyCheckBoxImages(HWND tree) noexcept {
  const auto images = reinterpret_cast<HIMAGELIST>(
      ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, 0));
  if (images) ::ImageList_Destroy(images);
}

}  // namespace

const QITAB* CRestorePropertyPage1::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CRestorePropertyPage1, IPropertyPage),
      QITABENT(CRestorePropertyPage1, IZelCWPropertyPageAdaption),
      QITABENT(CRestorePropertyPage1, IZelCWPageDescription),
      {nullptr, 0},
  };
  return table;
}

CRestorePropertyPage1::CRestorePropertyPage1() noexcept : WizardPage(kPage) {}

// A page released with its window still open: the window goes after this,
// without its messages reaching the page.
CRestorePropertyPage1::~CRestorePropertyPage1() { ReleaseServicesList(); }

void CRestorePropertyPage1::ReleaseServicesList() noexcept {
  if (servicesList_ && ::IsWindow(servicesList_)) DestroyCheckBoxImages(servicesList_);
  servicesList_ = nullptr;
}

// --- The wizard's questions -------------------------------------------

HRESULT CRestorePropertyPage1::Validate(bool* ok) {
  *ok = false;
  if (!selectionValid_) return S_OK;
  RETURN_IF_FAILED(CommitSelection());
  *ok = true;
  return S_OK;
}

std::wstring CRestorePropertyPage1::ValidationMessage() const { return L"Select a valid node!"; }

// --- The page window ---------------------------------------------------

bool CRestorePropertyPage1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                      INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      // The host's sheet places the focus. Taken here, it would land on the
      // tree, which then selects its first backup as if the user had.
      *result = FALSE;
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code != TVN_SELCHANGEDW) return false;
      if (header->idFrom == IDC_SERVICES_TREE) {
        ::EnableWindow(Item(IDC_DETAILS), TRUE);
        return true;
      }
      if (header->idFrom == IDC_BACKUP_TREE) {
        OnBackupSelectionChanged();
        return true;
      }
      return false;
    }
    case WM_STYLECHANGING:
      comlib::KeepControlParent(wParam, lParam);
      return false;
    case WM_DESTROY:
      ReleaseServicesList();
      return false;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      switch (LOWORD(wParam)) {
        case IDC_DETAILS:
          OnDetails();
          return true;
        case IDC_SELECT_PATH:
          OnSelectPath();
          return true;
        case IDC_VIEW_INFO:
          OnViewInfo();
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

void CRestorePropertyPage1::OnInitDialog() {
  ::SetDlgItemTextW(hwnd(), IDC_SELECT_PATH, comlib::ResourceString(IDS_SELECT_PATH).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_VIEW_INFO, comlib::ResourceString(IDS_VIEW_INFO).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_DETAILS, comlib::ResourceString(IDS_DETAILS).c_str());

  backupTree_ = Item(IDC_BACKUP_TREE);
  servicesList_ = Item(IDC_SERVICES_TREE);
  versionList_ = Item(IDC_VERSION_LIST);
  // Check boxes given in the template would be lost at the first paint.
  ::SetWindowLongPtrW(servicesList_, GWL_STYLE,
                      ::GetWindowLongPtrW(servicesList_, GWL_STYLE) | TVS_CHECKBOXES);
  // Filled and read, but never shown.
  for (HWND hidden : {servicesList_, versionList_, Item(IDC_DETAILS)}) {
    ::EnableWindow(hidden, FALSE);
    ::ShowWindow(hidden, SW_HIDE);
  }

  selectionValid_ = false;
  // Without folders the catalogue keeps what it had and the tree stays empty.
  const std::vector<comlib::Bstr> folders = ReadFolders();
  if (folders.empty()) return;
  LoadCatalogue(folders);
  FillBackupTree();
}

std::vector<comlib::Bstr> CRestorePropertyPage1::ReadFolders() {
  std::vector<comlib::Bstr> folders;
  selection::SettingsStore().ReadPaths(&folders);
  return folders;
}

void CRestorePropertyPage1::LoadCatalogue(const std::vector<comlib::Bstr>& folders) {
  catalogue_.SetPaths(folders);
  // The host expects the page to block until the tree is filled; a long
  // search at least shows that it is busy.
  comlib::BusyWait busy(kBusyCursorAfterMs);
  BackupNodes::LoadOptions options;
  options.wait = [&busy](HANDLE changed) { busy.Wait(changed); };
  catalogue_.Load(nullptr, nullptr, options);
  catalogue_.BuildDependencies();
}

void CRestorePropertyPage1::FillBackupTree() {
  ::SendMessageW(servicesList_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  selection::FillBackupTree(backupTree_, &catalogue_);
}

bool CRestorePropertyPage1::EntryOf(HTREEITEM item, size_t* position) const noexcept {
  return selection::EntryOfItem(backupTree_, catalogue_, item, position);
}

std::vector<const BackupNode*> CRestorePropertyPage1::ChainOf(HTREEITEM item) const {
  std::vector<const BackupNode*> chain;
  for (; item; item = ParentItem(backupTree_, item)) {
    size_t at = 0;
    if (EntryOf(item, &at)) chain.push_back(&catalogue_.entries[at]);
  }
  return chain;
}

void CRestorePropertyPage1::OnBackupSelectionChanged() {
  size_t at = 0;
  if (!EntryOf(CurrentItem(backupTree_), &at)) return;
  BackupNode& entry = catalogue_.entries[at];

  ::SendMessageW(servicesList_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  ::SendMessageW(servicesList_, TVM_SELECTITEM, TVGN_CARET, 0);
  for (ServiceEntry& service : entry.services) {
    service.checked = false;
    service.treeItem = InsertItem(servicesList_, TVI_ROOT, service.name.c_str(), 0,
                                  INDEXTOSTATEIMAGEMASK(kUnchecked), TVIS_STATEIMAGEMASK);
  }

  ::SendMessageW(versionList_, CB_RESETCONTENT, 0, 0);
  for (UINT text : {IDS_ALL_VERSIONS, IDS_CURRENT_VERSION})
    ::SendMessageW(versionList_, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(comlib::ResourceString(text).c_str()));
  ::SendMessageW(versionList_, CB_SETCURSEL, 0, 0);

  selectionValid_ = true;
  ::EnableWindow(Item(IDC_DETAILS), FALSE);
}

void CRestorePropertyPage1::OnSelectPath() {
  CSelectPath dialog;
  if (dialog.Run() != IDOK) return;
  LoadCatalogue(ReadFolders());
  FillBackupTree();
  ::SendMessageW(backupTree_, TVM_SELECTITEM, TVGN_CARET, 0);
  selectionValid_ = false;
}

void CRestorePropertyPage1::OnViewInfo() {
  CInfo info;
  size_t at = 0;
  if (EntryOf(CurrentItem(backupTree_), &at)) {
    const BackupNode& entry = catalogue_.entries[at];
    info.SetSystemName(entry.systemName);
    info.SetSystemDescription(entry.systemDescription);
    info.SetServerDataPath(entry.serverDataPath);
    info.SetProjectDataPath(entry.projectDataPath);
    info.SetWorkplaceDataPath(entry.workplaceDataPath);
    info.SetPath(entry.infoFilePath);
  }
  info.Run();
}

void CRestorePropertyPage1::ReadServiceChecks() {
  size_t at = 0;
  if (!EntryOf(CurrentItem(backupTree_), &at)) return;
  if (!CurrentItem(servicesList_)) return;
  BackupNode& entry = catalogue_.entries[at];
  for (HTREEITEM item = reinterpret_cast<HTREEITEM>(
           ::SendMessageW(servicesList_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
       item; item = reinterpret_cast<HTREEITEM>(::SendMessageW(
                 servicesList_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    const UINT state = static_cast<UINT>(::SendMessageW(
        servicesList_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    for (ServiceEntry& service : entry.services)
      if (service.treeItem == item) service.checked = (state >> 12) != kUnchecked;
  }
}

HRESULT CRestorePropertyPage1::CommitSelection() {
  ReadServiceChecks();
  const std::vector<const BackupNode*> chain = ChainOf(CurrentItem(backupTree_));
  if (chain.empty()) return E_UNEXPECTED;
  return selection::CommitSelection(Session(), chain);
}

#include "nodes/RestorePropertyPage2.h"

#include <windowsx.h>

#include <algorithm>

#include "comlib/ControlText.h"
#include "comlib/Machine.h"
#include "comlib/Module.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"
#include "nodes/Summary.h"
#include "records/Records.h"
#include "session/ServiceNodeRecords.h"
#include "resource.h"

namespace {

int SelectedRow(HWND list) noexcept {
  return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

POINT KeyboardMenuPoint(HWND list) noexcept {
  // Below the selected row's name, as the shell places a keyboard menu;
  // the list's corner when no row is selected.
  POINT at = {0, 0};
  const int row = SelectedRow(list);
  RECT rect = {};
  rect.left = LVIR_LABEL;
  if (row >= 0 && ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(&rect))) {
    at.x = rect.left;
    at.y = rect.bottom;
  }
  ::ClientToScreen(list, &at);
  return at;
}

int RowCount(HWND list) noexcept {
  return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

void SetLabel(HWND list, int row, const std::wstring& text) noexcept {
  LVITEMW item = {};
  item.iSubItem = 0;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void StartEditing(HWND list, int row) noexcept {
  // The control refuses to edit without the focus.
  ::SetFocus(list);
  ::SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
}

// Inserts a row at the top; false when the control refused it.
bool InsertTopRow(HWND list, const std::wstring& label, const std::wstring& original) noexcept {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = 0;
  item.pszText = const_cast<wchar_t*>(label.c_str());
  const LRESULT row = ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  if (row < 0) return false;
  LVITEMW sub = {};
  sub.iSubItem = 1;
  sub.pszText = const_cast<wchar_t*>(original.c_str());
  ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
  return true;
}

}  // namespace

CRestorePropertyPage2::CRestorePropertyPage2() noexcept
    : WizardPage({{IDD_RESTOREPROPERTYPAGE2, IDS_TITLE_RESTOREPROPERTYPAGE2,
                   IDS_HELPFILE_RESTOREPROPERTYPAGE2, IDS_DOCSTRING_RESTOREPROPERTYPAGE2},
                  nullptr,  // the last page of the wizard
                  IDS_DESCRIPTION_RESTOREPROPERTYPAGE2}) {}

CRestorePropertyPage2::~CRestorePropertyPage2() = default;

const QITAB* CRestorePropertyPage2::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CRestorePropertyPage2, IPropertyPage),
      QITABENT(CRestorePropertyPage2, IZelCWPropertyPageAdaption),
      QITABENT(CRestorePropertyPage2, IZelCWPageDescription),
      QITABENT(CRestorePropertyPage2, IZelAsynchRestoreCallbacks),
      QITABENT(CRestorePropertyPage2, IZelServiceRestoreCallbacks),
      {nullptr, 0},
  };
  return table;
}

// ---------------------------------------------------------------------------
// Session

HRESULT CRestorePropertyPage2::OnActivatePage() {
  IRestoreModule* session = Session();
  ::SendMessageW(primaryList_, LVM_DELETEALLITEMS, 0, 0);
  ::SendMessageW(secondaryList_, LVM_DELETEALLITEMS, 0, 0);
  primaryIds_.clear();
  secondaryIds_.clear();
  RETURN_HR_IF_NULL(E_UNEXPECTED, session);

  records::TextArray names;
  records::IdArray ids;
  RETURN_HR_IF(E_UNEXPECTED, FAILED(session->GetRestoreNodeNames(names.PutCount(), names.PutItems(),
                                                                  ids.PutCount(), ids.PutItems())));
  const ULONG count = std::min(names.size(), ids.size());

  const auto isPrimary = [&](ULONG i) {
    LONG primary = 0;
    session->IsPrimaryNode(&ids[i], &primary);
    return primary == 1;
  };
  ULONG primaries = 0;
  for (ULONG i = 0; i < count; ++i)
    if (isPrimary(i)) ++primaries;
  // With a single primary node the choice is obvious: this computer takes it.
  const std::wstring computer = primaries == 1 ? comlib::CurrentMachine().ComputerName() : std::wstring();

  // Every node goes to the top: the lists show the session's order reversed.
  for (ULONG i = 0; i < count; ++i) {
    const std::wstring name = records::Text(names[i]);
    if (isPrimary(i)) {
      if (InsertTopRow(primaryList_, primaries == 1 ? computer : name, name))
        primaryIds_.insert(primaryIds_.begin(), ids[i]);
    } else {
      if (InsertTopRow(secondaryList_, name, name))
        secondaryIds_.insert(secondaryIds_.begin(), ids[i]);
    }
  }
  return S_OK;
}

std::vector<nodes::NodeRow> CRestorePropertyPage2::ReadRows(HWND list,
                                                            const std::vector<ObjectId>& ids) const {
  std::vector<nodes::NodeRow> rows;
  const int count = RowCount(list);
  for (int r = 0; r < count; ++r) {
    const ObjectId id = static_cast<size_t>(r) < ids.size() ? ids[r] : ObjectId{};
    rows.push_back({comlib::ListItemText(list, r, 0), comlib::ListItemText(list, r, 1), id});
  }
  return rows;
}

HRESULT CRestorePropertyPage2::Validate(bool* ok) {
  *ok = true;
  validationMessage_.clear();
  mappedNewNames_.clear();
  mappedNodeIds_.clear();
  IRestoreModule* session = Session();
  RETURN_HR_IF_NULL(E_UNEXPECTED, session);
  session->ClearMappedNodes();

  // The pairs reach the session even when a rule refuses them; the next
  // validation starts again from nothing.
  const nodes::NodeMapping mapping(ReadRows(primaryList_, primaryIds_),
                                   ReadRows(secondaryList_, secondaryIds_));
  for (const nodes::MappedNode& node : mapping.mapped()) {
    comlib::Bstr oldName(node.oldName);
    comlib::Bstr newName(node.newName);
    mappedNewNames_.push_back(newName);
    mappedNodeIds_.push_back(node.id);
    session->AddMappedNodes(oldName.get(), newName.get());
  }

  const nodes::MappingVerdict verdict =
      mapping.Check(comlib::CurrentMachine().ComputerName(), [&] {
        LONG create = 0;
        session->get_CreateNewSystemId(&create);
        return create != 0;
      });
  if (verdict != nodes::MappingVerdict::Accepted) {
    *ok = false;
    validationMessage_ = nodes::VerdictMessage(verdict);
  }
  return S_OK;
}

std::wstring CRestorePropertyPage2::ValidationMessage() const { return validationMessage_; }

HRESULT CRestorePropertyPage2::Summary(std::wstring* summary) {
  IRestoreModule* session = Session();
  RETURN_HR_IF_NULL(E_UNEXPECTED, session);

  LONG createNewId = 0;
  session->get_CreateNewSystemId(&createNewId);
  comlib::Bstr systemName, description, serverData, serverData2, projectData, workplaceData,
      backupName, backupPath;
  if (createNewId != 0) {
    session->GetNewRestoreInfo(systemName.put(), description.put(), serverData.put(),
                                serverData2.put(), projectData.put(), workplaceData.put(),
                                backupName.put(), backupPath.put());
  } else {
    session->GetRestoreInfo(systemName.put(), description.put(), serverData.put(),
                             serverData2.put(), projectData.put(), workplaceData.put(),
                             backupName.put(), backupPath.put());
  }

  nodes::SummaryInput input;
  input.systemName = systemName.str();
  input.description = description.str();
  input.serverData = serverData.str();
  input.serverData2 = serverData2.str();
  input.projectData = projectData.str();
  input.workplaceData = workplaceData.str();
  input.backupName = backupName.str();
  input.backupPath = backupPath.str();

  records::TextArray oldNames;
  records::TextArray newNames;
  session->GetAddedMappedNodes(oldNames.PutCount(), oldNames.PutItems(), newNames.PutCount(),
                                newNames.PutItems());
  const ULONG pairs = std::min(oldNames.size(), newNames.size());
  for (ULONG i = 0; i < pairs; ++i)
    input.mappedNodes.emplace_back(records::Text(oldNames[i]), records::Text(newNames[i]));

  if (pairs == 0) {
    records::TextArray nodeNames;
    records::ServiceNodeArray services;
    comlib::Bstr name, path;
    session->GetRestoreNode(nodeNames.PutCount(), nodeNames.PutItems(), services.PutCount(),
                             services.PutItems(), name.put(), path.put());
    input.nodeNames = records::Texts(nodeNames);
    for (ULONG i = 0; i < services.size(); ++i)
      input.serviceNames.push_back(records::Text(services[i].name));
  }

  *summary = nodes::BuildSummary(input);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Window

bool CRestorePropertyPage2::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_CONTEXTMENU: {
      // Shift+F10 or the menu key; a right-click comes as NM_RCLICK.
      const HWND list = reinterpret_cast<HWND>(wParam);
      if (lParam != -1 || !IsNodeList(list)) return false;
      const POINT at = KeyboardMenuPoint(list);
      OnContextMenu(list, at.x, at.y);
      return true;
    }
    case WM_INITDIALOG:
      OnInitDialog();
      *result = TRUE;
      return true;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_DESTROY:
      // The rows go with the window; their ids must not outlive them.
      primaryList_ = nullptr;
      secondaryList_ = nullptr;
      primaryIds_.clear();
      secondaryIds_.clear();
      return false;
    default:
      return false;
  }
}

bool CRestorePropertyPage2::IsNodeList(HWND window) const noexcept {
  return window && (window == primaryList_ || window == secondaryList_);
}

void CRestorePropertyPage2::OnInitDialog() {
  secondaryList_ = Item(IDC_SECONDARY_LIST);
  primaryList_ = Item(IDC_PRIMARY_LIST);
  primaryIds_.clear();
  secondaryIds_.clear();
  InsertColumns(secondaryList_, IDS_SECONDARY_RESTORED, IDS_SECONDARY_ORIGINAL);
  InsertColumns(primaryList_, IDS_PRIMARY_RESTORED, IDS_PRIMARY_ORIGINAL);
}

void CRestorePropertyPage2::InsertColumns(HWND list, UINT restoredHeader, UINT originalHeader) {
  // Both go in at index 1: the first lands at 0 in a list without columns,
  // the second after it.
  for (const UINT id : {restoredHeader, originalHeader}) {
    std::wstring header = comlib::ResourceString(id);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                reinterpret_cast<LPARAM>(header.c_str()))) + 15;
    column.pszText = &header[0];
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  }
}

bool CRestorePropertyPage2::OnNotify(const NMHDR& header, INT_PTR* result) {
  if (!IsNodeList(header.hwndFrom)) return false;
  switch (header.code) {
    case LVN_BEGINLABELEDITW:
      SetMessageResult(FALSE);  // editing is allowed
      *result = TRUE;
      return true;
    case LVN_ENDLABELEDITW:
      OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOW&>(header));
      SetMessageResult(FALSE);  // the page has set the label itself
      *result = TRUE;
      return true;
    case LVN_KEYDOWN:
      OnKeyDown(header.hwndFrom, reinterpret_cast<const NMLVKEYDOWN&>(header));
      return false;
    case NM_RCLICK: {
      // Where the click happened.
      const DWORD position = ::GetMessagePos();
      OnContextMenu(header.hwndFrom, GET_X_LPARAM(position), GET_Y_LPARAM(position));
      SetMessageResult(0);
      *result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void CRestorePropertyPage2::OnEndLabelEdit(const NMLVDISPINFOW& info) {
  // A cancelled edit has no text; an emptied label keeps its name. Names are
  // checked only when the page is left.
  if (nodes::IsEmptyName(info.item.pszText)) return;
  // The row that was edited, which is the selected one whenever the engineer
  // started the edit.
  if (info.item.iItem < 0) return;
  SetLabel(info.hdr.hwndFrom, info.item.iItem, info.item.pszText);
}

void CRestorePropertyPage2::OnKeyDown(HWND list, const NMLVKEYDOWN& key) {
  if (key.wVKey != VK_F2) return;
  const int row = SelectedRow(list);
  if (row >= 0) StartEditing(list, row);
}

void CRestorePropertyPage2::OnContextMenu(HWND list, int x, int y) {
  const int row = SelectedRow(list);
  comlib::UniqueHmenu menu(::LoadMenuW(comlib::Module::Instance(), MAKEINTRESOURCEW(IDR_NODEMENU)));
  HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  if (row < 0) {
    for (const UINT command : {ID_RENAME, ID_RENAME_CURRENT, ID_RENAME_ORIGINAL})
      ::EnableMenuItem(popup, command, MF_BYCOMMAND | MF_GRAYED);
  }
  const UINT command = comlib::CurrentMachine().TrackPopupMenu(
      popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, hwnd());
  menu.reset();
  RunCommand(list, command, row);
}

void CRestorePropertyPage2::RunCommand(HWND list, UINT command, int row) {
  switch (command) {
    case ID_RENAME:
      if (row >= 0) StartEditing(list, row);
      break;
    case ID_RENAME_CURRENT:
      if (row >= 0) SetLabel(list, row, comlib::CurrentMachine().ComputerName());
      break;
    case ID_RENAME_ORIGINAL:
      if (row >= 0) SetLabel(list, row, comlib::ListItemText(list, row, 1));
      break;
    case ID_RENAME_ALL_ORIGINAL: {
      const int count = RowCount(list);
      for (int r = 0; r < count; ++r) SetLabel(list, r, comlib::ListItemText(list, r, 1));
      break;
    }
    default:
      break;
  }
}

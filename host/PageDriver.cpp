#include "PageDriver.h"

#include <commctrl.h>

#include "RestorePageControls.h"
#include "RestorePlugIn.h"
#include "comlib/ControlText.h"

namespace host {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), FALSE) == CSTR_EQUAL;
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

// Depth first, parents before their dependents.
void Walk(HWND tree, HTREEITEM first, std::vector<HTREEITEM>* items) {
  for (HTREEITEM item = first; item; item = Next(tree, item, TVGN_NEXT)) {
    items->push_back(item);
    Walk(tree, Next(tree, item, TVGN_CHILD), items);
  }
}

std::vector<HTREEITEM> TreeItems(HWND tree) {
  std::vector<HTREEITEM> items;
  Walk(tree, Next(tree, nullptr, TVGN_ROOT), &items);
  return items;
}

UINT StateImage(HWND tree, HTREEITEM item) {
  const LRESULT state = ::SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                       TVIS_STATEIMAGEMASK);
  return static_cast<UINT>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void SetStateImage(HWND tree, HTREEITEM item, UINT image) {
  TVITEMW tv = {};
  tv.mask = TVIF_STATE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(image);
  ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

std::wstring Join(const std::vector<std::wstring>& texts) {
  std::wstring out;
  for (const auto& t : texts) out += (out.empty() ? L"" : L", ") + (L"'" + t + L"'");
  return out.empty() ? L"none" : out;
}

std::vector<std::wstring> FillSelection(HWND page, const Answers& answers) {
  std::vector<std::wstring> problems;
  const HWND tree = ::GetDlgItem(page, IDC_BACKUP_TREE);
  HTREEITEM chosen = nullptr;
  std::vector<std::wstring> shown;
  for (HTREEITEM item : TreeItems(tree)) {
    shown.push_back(comlib::TreeItemText(tree, item));
    if (!chosen && SameText(shown.back(), answers.backup)) chosen = item;
  }
  if (!chosen) {
    problems.push_back(L"backup '" + answers.backup + L"' is not in the list (found: " + Join(shown) + L")");
    return problems;
  }
  ::SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(chosen));
  ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(chosen));
  ::SetFocus(tree);
  if (answers.services.empty()) return problems;
  // The page keeps its services list hidden; it still reads the checks from it.
  const HWND services = ::GetDlgItem(page, IDC_SERVICES_TREE);
  const std::vector<HTREEITEM> items = TreeItems(services);
  std::vector<std::wstring> names;
  for (HTREEITEM item : items) names.push_back(comlib::TreeItemText(services, item));
  for (const std::wstring& wanted : answers.services) {
    bool found = false;
    for (size_t i = 0; i < items.size(); ++i) {
      if (!SameText(names[i], wanted)) continue;
      SetStateImage(services, items[i], 2);
      found = true;
    }
    if (!found)
      problems.push_back(L"service '" + wanted + L"' is not in backup '" + answers.backup +
                         L"' (found: " + Join(names) + L")");
  }
  if (!items.empty())
    ::SendMessageW(services, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[0]));
  return problems;
}

void SetText(HWND page, int id, const std::optional<std::wstring>& text) {
  if (text) ::SetDlgItemTextW(page, id, text->c_str());
}

std::vector<std::wstring> FillDirectories(HWND page, const Answers& answers) {
  SetText(page, IDC_SERVER_DATA, answers.serverData);
  SetText(page, IDC_SERVER_DATA2, answers.serverData2);
  SetText(page, IDC_PROJECT_DATA, answers.projectData);
  SetText(page, IDC_WORKPLACE_DATA, answers.workplaceData);
  if (answers.newSystemId) {
    const HWND radio = ::GetDlgItem(page, *answers.newSystemId ? IDC_NEW_SYSTEM_ID : IDC_SAME_SYSTEM_ID);
    ::SendMessageW(radio, BM_CLICK, 0, 0);
  }
  if (!answers.systemName.empty()) ::SetDlgItemTextW(page, IDC_SYSTEM_NAME, answers.systemName.c_str());
  return {};
}

int ListRowCount(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// Renames the row by in-place label editing, as F2 and typing would.
bool EditLabel(HWND list, int row, const std::wstring& name) {
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  ::SetFocus(list);
  const HWND edit = reinterpret_cast<HWND>(::SendMessageW(list, LVM_EDITLABELW, row, 0));
  if (!edit) return false;
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  return SameText(comlib::ListItemText(list, row, 0), name);
}

std::vector<std::wstring> FillNodes(HWND page, const Answers& answers, const std::wstring& computer) {
  std::vector<std::wstring> problems;
  const HWND lists[] = {::GetDlgItem(page, IDC_PRIMARY_LIST), ::GetDlgItem(page, IDC_SECONDARY_LIST)};
  for (const auto& pair : answers.nodes) {
    const std::wstring name = SameText(pair.second, kThisComputer) ? computer : pair.second;
    bool found = false;
    for (HWND list : lists) {
      for (int row = 0; row < ListRowCount(list) && !found; ++row) {
        if (!SameText(comlib::ListItemText(list, row, 1), pair.first)) continue;
        found = true;
        if (!EditLabel(list, row, name))
          problems.push_back(L"node '" + pair.first + L"' could not be renamed to '" + name + L"'");
      }
    }
    if (!found) problems.push_back(L"node '" + pair.first + L"' is not in the backup");
  }
  return problems;
}

}  // namespace

PageKind KindOfPage(const CLSID& page) {
  if (::IsEqualCLSID(page, CLSID_RestorePropertyPage1)) return PageKind::Selection;
  if (::IsEqualCLSID(page, CLSID_RestorePropertyPage3)) return PageKind::Directories;
  if (::IsEqualCLSID(page, CLSID_RestorePropertyPage2)) return PageKind::Nodes;
  return PageKind::Other;
}

std::vector<std::wstring> FillPage(PageKind kind, HWND page, const Answers& answers,
                                   const std::wstring& computerName) {
  switch (kind) {
    case PageKind::Selection: return FillSelection(page, answers);
    case PageKind::Directories: return FillDirectories(page, answers);
    case PageKind::Nodes: return FillNodes(page, answers, computerName);
    default: return {};
  }
}

void ReadPage(PageKind kind, HWND page, const std::wstring& computerName, Answers* answers) {
  switch (kind) {
    case PageKind::Selection: {
      const HWND tree = ::GetDlgItem(page, IDC_BACKUP_TREE);
      const auto current = Next(tree, nullptr, TVGN_CARET);
      answers->backup = current ? comlib::TreeItemText(tree, current) : std::wstring();
      answers->services.clear();
      const HWND services = ::GetDlgItem(page, IDC_SERVICES_TREE);
      for (HTREEITEM item : TreeItems(services))
        if (StateImage(services, item) > 1) answers->services.push_back(comlib::TreeItemText(services, item));
      break;
    }
    case PageKind::Directories:
      answers->serverData = comlib::WindowText(::GetDlgItem(page, IDC_SERVER_DATA));
      answers->serverData2 = comlib::WindowText(::GetDlgItem(page, IDC_SERVER_DATA2));
      answers->projectData = comlib::WindowText(::GetDlgItem(page, IDC_PROJECT_DATA));
      answers->workplaceData = comlib::WindowText(::GetDlgItem(page, IDC_WORKPLACE_DATA));
      answers->newSystemId =
          ::SendDlgItemMessageW(page, IDC_NEW_SYSTEM_ID, BM_GETCHECK, 0, 0) == BST_CHECKED;
      answers->systemName = *answers->newSystemId ? comlib::WindowText(::GetDlgItem(page, IDC_SYSTEM_NAME))
                                                  : std::wstring();
      break;
    case PageKind::Nodes: {
      answers->nodes.clear();
      for (int id : {IDC_PRIMARY_LIST, IDC_SECONDARY_LIST}) {
        const HWND list = ::GetDlgItem(page, id);
        for (int row = 0; row < ListRowCount(list); ++row) {
          const std::wstring label = comlib::ListItemText(list, row, 0);
          const std::wstring original = comlib::ListItemText(list, row, 1);
          if (SameText(label, original)) continue;
          answers->nodes.emplace_back(original,
                                      SameText(label, computerName) ? kThisComputer : label);
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace host

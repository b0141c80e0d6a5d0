#include "ItemSelector.h"

#include <commctrl.h>

#include <algorithm>

#include "comlib/Result.h"
#include "records/ItemArrays.h"

namespace zel {

// {DB04CF43-1298-4F95-98CA-A87D5CF8D116}
const CLSID CLSID_ZelItemSelector = {
    0xDB04CF43, 0x1298, 0x4F95, {0x98, 0xCA, 0xA8, 0x7D, 0x5C, 0xF8, 0xD1, 0x16}};

// --- rules -----------------------------------------------------------------

void ItemChecklist::SetItems(std::vector<records::OwnedBackupItem> items) {
  items_ = std::move(items);
  ApplySelection();
}

void ItemChecklist::SetSelection(std::vector<LONG> values) {
  selection_ = std::move(values);
  ApplySelection();
}

void ItemChecklist::SetChecked(size_t index, bool checked) {
  if (index >= checked_.size() || checked_[index] == checked) return;
  checked_[index] = checked;
  selection_ = Selection();
}

std::vector<records::OwnedBackupItem> ItemChecklist::CheckedItems() const {
  std::vector<records::OwnedBackupItem> chosen;
  for (size_t i = 0; i < items_.size(); ++i)
    if (checked_[i]) chosen.push_back(items_[i]);
  return chosen;
}

std::vector<LONG> ItemChecklist::Selection() const {
  std::vector<LONG> values;
  for (size_t i = 0; i < items_.size(); ++i)
    if (checked_[i]) values.push_back(items_[i].value);
  return values;
}

void ItemChecklist::ApplySelection() {
  checked_.assign(items_.size(), false);
  for (size_t i = 0; i < items_.size(); ++i)
    checked_[i] = std::find(selection_.begin(), selection_.end(), items_[i].value) !=
                  selection_.end();
}

// --- control ---------------------------------------------------------------

const QITAB* CZelItemSelector::Interfaces() noexcept {
  static const QITAB table[] = {ZEL_OLE_CONTROL_QITAB(CZelItemSelector),
                                QITABENT(CZelItemSelector, IItemSelector),
                                QITABENTMULTI(CZelItemSelector, IDispatch, IItemSelector),
                                {nullptr, 0}};
  return table;
}

STDMETHODIMP CZelItemSelector::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CZelItemSelector::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CZelItemSelector::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CZelItemSelector::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                      EXCEPINFO*, UINT*) noexcept {
  return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP CZelItemSelector::GetSelectedItems(ULONG* count, BackupItem** items) noexcept {
  if (!comlib::ResetOuts(count, items)) return E_POINTER;
  return comlib::Guard([&] {
    ReadChecks();
    const std::vector<records::OwnedBackupItem> chosen = list_.CheckedItems();
    records::BackupItemArray records = records::CopyItemRecords(chosen);
    *count = static_cast<ULONG>(chosen.size());
    *items = records.Release();
    return S_OK;
  });
}

STDMETHODIMP CZelItemSelector::SetItems(ULONG count, BackupItem* items) noexcept {
  if (count && !items) return E_POINTER;
  return comlib::Guard([&] {
    ReadChecks();  // the user's last changes count for the items kept
    list_.SetItems(records::CopyItems(count, items));
    FillList(window());
    return S_OK;
  });
}

STDMETHODIMP CZelItemSelector::GetSelection(ULONG* count, LONG** values) noexcept {
  if (!comlib::ResetOuts(count, values)) return E_POINTER;
  return comlib::Guard([&] {
    ReadChecks();
    const std::vector<LONG> selection = list_.Selection();
    comlib::PlainOutArray<LONG> block(selection.size());
    std::copy(selection.begin(), selection.end(), &block[0]);
    *count = static_cast<ULONG>(selection.size());
    *values = block.Release();
    return S_OK;
  });
}

STDMETHODIMP CZelItemSelector::SetSelection(ULONG count, LONG* values) noexcept {
  if (count && !values) return E_POINTER;
  return comlib::Guard([&] {
    list_.SetSelection(values ? std::vector<LONG>(values, values + count) : std::vector<LONG>());
    FillList(window());
    return S_OK;
  });
}

HWND CZelItemSelector::MakeWindow(HWND parent, const RECT& rect) noexcept {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&classes);
  HWND list = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
      comlib::Module::Instance(), nullptr);
  if (!list) return nullptr;
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
  column.cx = 200;
  column.pszText = const_cast<wchar_t*>(L"Item");
  ListView_InsertColumn(list, 0, &column);
  column.pszText = const_cast<wchar_t*>(L"Description");
  ListView_InsertColumn(list, 1, &column);
  FillList(list);
  return list;
}

void CZelItemSelector::WindowClosing() noexcept { ReadChecks(); }

void CZelItemSelector::ReadChecks() noexcept {
  HWND list = window();
  if (!list) return;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count && static_cast<size_t>(i) < list_.size(); ++i)
    list_.SetChecked(static_cast<size_t>(i), ListView_GetCheckState(list, i) != 0);
}

void CZelItemSelector::FillList(HWND list) noexcept {
  if (!list) return;
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < list_.size(); ++i) {
    const records::OwnedBackupItem& item = list_.item(i);
    LVITEMW row = {LVIF_TEXT};
    row.iItem = static_cast<int>(i);
    row.pszText = const_cast<wchar_t*>(item.name.c_str());
    const int index = ListView_InsertItem(list, &row);
    if (index < 0) continue;
    ListView_SetItemText(list, index, 1, const_cast<wchar_t*>(item.description.c_str()));
    ListView_SetCheckState(list, index, list_.checked(i));
  }
}

}  // namespace zel

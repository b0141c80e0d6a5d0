#pragma once
// Reference item selector "ZelBRItemSelector.ItemSelector": a checklist of
// the items offered for one service's restore. Its selection values are the
// values of the checked items; it keeps them as its own state and checks
// every offered item whose value is among them.
#include <windows.h>

#include <vector>

#include "OleControl.h"
#include "ZelFramework.h"
#include "records/OwnedRecords.h"

namespace zel {

extern const CLSID CLSID_ZelItemSelector;

// The checklist's rules, without a window.
class ItemChecklist {
 public:
  void SetItems(std::vector<records::OwnedBackupItem> items);
  void SetSelection(std::vector<LONG> values);
  void SetChecked(size_t index, bool checked);

  size_t size() const noexcept { return items_.size(); }
  const records::OwnedBackupItem& item(size_t index) const { return items_[index]; }
  bool checked(size_t index) const { return checked_[index]; }
  std::vector<records::OwnedBackupItem> CheckedItems() const;
  // The values of the checked items, in list order.
  std::vector<LONG> Selection() const;

 private:
  void ApplySelection();

  std::vector<records::OwnedBackupItem> items_;
  std::vector<bool> checked_;
  std::vector<LONG> selection_;
};

class CZelItemSelector : public OleControl<CZelItemSelector>, public IItemSelector {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  static const CLSID& ClassId() noexcept { return CLSID_ZelItemSelector; }

  // IDispatch: the selector is used through its vtable only.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;

  // IItemSelector
  STDMETHODIMP GetSelectedItems(ULONG* count, BackupItem** items) noexcept override;
  STDMETHODIMP SetItems(ULONG count, BackupItem* items) noexcept override;
  STDMETHODIMP GetSelection(ULONG* count, LONG** values) noexcept override;
  STDMETHODIMP SetSelection(ULONG count, LONG* values) noexcept override;

 protected:
  HWND MakeWindow(HWND parent, const RECT& rect) noexcept override;
  void WindowClosing() noexcept override;

 private:
  void ReadChecks() noexcept;
  void FillList(HWND list) noexcept;

  ItemChecklist list_;
};

}  // namespace zel

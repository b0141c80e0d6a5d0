#pragma once
// Page 2 of the restore wizard, "Node Configuration": the backup's nodes in a
// primary and a secondary list, renamed in place, checked and committed to
// the session on leaving, summarised for the host. The last page: its Apply
// starts the restore.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"
#include "nodes/NodeMapping.h"
#include "nodes/RestoreState.h"
#include "session/WizardPage.h"

namespace nodes {

// The two callback interfaces share a method name and signature; each gets
// its own entry point here so one object can answer both.
class AsynchRestoreCallbacks : public IZelAsynchRestoreCallbacks {
 public:
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept final {
    return OnPhaseCompleted(value, text);
  }

 protected:
  virtual HRESULT OnPhaseCompleted(LONG value, BSTR text) noexcept = 0;
};

class ServiceRestoreCallbacks : public IZelServiceRestoreCallbacks {
 public:
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept final {
    return OnServicePartCompleted(value, text);
  }

 protected:
  virtual HRESULT OnServicePartCompleted(LONG value, BSTR text) noexcept = 0;
};

}  // namespace nodes

class CRestorePropertyPage2 : public session::WizardPage<CRestorePropertyPage2>,
                              public nodes::AsynchRestoreCallbacks,
                              public nodes::ServiceRestoreCallbacks {
 public:
  CRestorePropertyPage2() noexcept;
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  // IZelAsynchRestoreCallbacks (first phase of the restore)
  STDMETHODIMP OnInfo(BSTR text) noexcept override;
  STDMETHODIMP OnWarning(BSTR text) noexcept override;
  STDMETHODIMP OnError(BSTR text) noexcept override;

  // IZelServiceRestoreCallbacks (one part of one service)
  STDMETHODIMP OnProgress(LONG value, BSTR text) noexcept override;

 protected:
  ~CRestorePropertyPage2() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  HRESULT Validate(bool* ok) override;
  std::wstring ValidationMessage() const override;
  // Lists the session's nodes afresh.
  HRESULT OnActivatePage() override;
  HRESULT Summary(std::wstring* text) override;
  // Starts the restore (RestorePropertyPage2Apply.cpp).
  HRESULT OnApply() noexcept override;
  HRESULT OnPhaseCompleted(LONG value, BSTR text) noexcept override;
  HRESULT OnServicePartCompleted(LONG value, BSTR text) noexcept override;

 private:
  // Window
  void OnInitDialog();
  bool OnNotify(const NMHDR& header, INT_PTR* result);
  void OnEndLabelEdit(const NMLVDISPINFOW& info);
  void OnKeyDown(HWND list, const NMLVKEYDOWN& key);
  // The node menu at (x, y) in screen coordinates, for the selected row.
  void OnContextMenu(HWND list, int x, int y);
  void RunCommand(HWND list, UINT command, int row);
  void InsertColumns(HWND list, UINT restoredHeader, UINT originalHeader);
  bool IsNodeList(HWND window) const noexcept;

  // Session
  std::vector<nodes::NodeRow> ReadRows(HWND list, const std::vector<ObjectId>& ids) const;

  HWND primaryList_ = nullptr;
  HWND secondaryList_ = nullptr;
  // Entry r belongs to row r of its list.
  std::vector<ObjectId> primaryIds_;
  std::vector<ObjectId> secondaryIds_;
  // Left by the last validation, handed to the restore by Apply.
  std::vector<comlib::Bstr> mappedNewNames_;
  std::vector<ObjectId> mappedNodeIds_;
  std::wstring validationMessage_;  // empty: none
  // The restore service, the service binding and the completion hand-shakes.
  RestoreState restore_;
};

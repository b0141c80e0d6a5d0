#pragma once
// The system directories page: proposes fresh data directories for the
// restored system, refuses existing or non-local ones and stores them with
// the identity choice in the session.
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "session/WizardPage.h"

class CRestorePropertyPage3 : public session::WizardPage<CRestorePropertyPage3>,
                              public IZelAsynchRestoreCallbacks,
                              public IZelServiceRestoreCallbacks {
 public:
  CRestorePropertyPage3() noexcept;

  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  // IZelAsynchRestoreCallbacks; OnCompleted serves both callback interfaces.
  STDMETHODIMP OnInfo(BSTR text) noexcept override;
  STDMETHODIMP OnWarning(BSTR text) noexcept override;
  STDMETHODIMP OnError(BSTR text) noexcept override;
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept override;
  // IZelServiceRestoreCallbacks
  STDMETHODIMP OnProgress(LONG value, BSTR text) noexcept override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  HRESULT Validate(bool* ok) override;
  std::wstring ValidationMessage() const override;
  // Proposes fresh directories from the session's.
  HRESULT OnActivatePage() override;

 private:
  void OnSameSystemIdClicked();
  void FixTabOrder() noexcept;
  void OnNewSystemIdClicked();
  HRESULT Forward(BSTR text) noexcept;

  std::vector<std::wstring> messages_;
};

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
#include "comlib/ComPtr.h"
#include "comlib/PropertyPage.h"

class CRestorePropertyPage3 : public comlib::PropertyPage<CRestorePropertyPage3>,
                              public IZelCWPropertyPageAdaption,
                              public IZelCWPageDescription,
                              public IZelAsynchRestoreCallbacks,
                              public IZelServiceRestoreCallbacks {
 public:
  CRestorePropertyPage3() noexcept;

  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  // IZelCWPropertyPageAdaption
  STDMETHODIMP Reserved3(LONG value) noexcept override;
  STDMETHODIMP GetNextPage(CLSID* pageClsid) noexcept override;
  STDMETHODIMP GetSummary(BSTR* summary) noexcept override;
  STDMETHODIMP ValidatePage(LONG* ok) noexcept override;
  STDMETHODIMP GetValidationMessage(BSTR* message) noexcept override;
  STDMETHODIMP ActivatePage(LONG* result) noexcept override;
  STDMETHODIMP Reserved9(LONG* result) noexcept override;
  STDMETHODIMP SetMessageSink(IUnknown* sink) noexcept override;

  // IZelCWPageDescription
  STDMETHODIMP GetPageDescription(BSTR* description) noexcept override;

  // IZelAsynchRestoreCallbacks; OnCompleted serves both callback interfaces.
  STDMETHODIMP OnInfo(BSTR text) noexcept override;
  STDMETHODIMP OnWarning(BSTR text) noexcept override;
  STDMETHODIMP OnError(BSTR text) noexcept override;
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept override;
  // IZelServiceRestoreCallbacks
  STDMETHODIMP OnProgress(LONG value, BSTR text) noexcept override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  // Holds the session unless the held one already is the first object.
  HRESULT TakeSession() noexcept;
  HRESULT Validate(LONG* ok);
  HRESULT LoadProposal();
  void OnSameSystemIdClicked();
  void OnNewSystemIdClicked();
  HRESULT Forward(BSTR text) noexcept;

  comlib::ComPtr<IRestoreModule> session_;
  comlib::ComPtr<IZelCWMessageSink> sink_;
  std::vector<std::wstring> messages_;
};

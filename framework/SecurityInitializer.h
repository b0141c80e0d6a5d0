#pragma once
// "Ondrel.ZelSecurityInitializer": the framework's security check. Whether it
// grants is configured by the DWORD "Grant" under
// HKLM\Software\Ondrel\ZelFramework\Security (absent or non-zero: grant).
#include <windows.h>

#include "ZelFramework.h"
#include "comlib/ComObject.h"

// {C563B13B-CE71-4558-A04E-C542CA665A2B}
extern const CLSID CLSID_ZelSecurityInitializer;

class CZelSecurityInitializer final : public comlib::ComObject<CZelSecurityInitializer>,
                                      public IZelSecurityInitializer {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  static const wchar_t kSettingsKey[];
  static const wchar_t kGrantValue[];

  STDMETHODIMP Reserved3() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved10() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved11() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved12() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved13() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved14() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved15() noexcept override { return E_NOTIMPL; }
  // Reads the configuration; S_OK.
  STDMETHODIMP InitializeSecurity() noexcept override;
  STDMETHODIMP Reserved17() noexcept override { return E_NOTIMPL; }
  // S_OK when access is granted, E_ACCESSDENIED otherwise; E_UNEXPECTED
  // before InitializeSecurity.
  STDMETHODIMP ApplySecurity() noexcept override;

 private:
  friend class comlib::ComObject<CZelSecurityInitializer>;
  CZelSecurityInitializer() = default;
  ~CZelSecurityInitializer() override = default;

  bool initialized_ = false;
  bool grant_ = false;
};

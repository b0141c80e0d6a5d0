#include "SecurityInitializer.h"

const CLSID CLSID_ZelSecurityInitializer = {
    0xC563B13B, 0xCE71, 0x4558, {0xA0, 0x4E, 0xC5, 0x42, 0xCA, 0x66, 0x5A, 0x2B}};

const wchar_t CZelSecurityInitializer::kSettingsKey[] = L"Software\\Ondrel\\ZelFramework\\Security";
const wchar_t CZelSecurityInitializer::kGrantValue[] = L"Grant";

const QITAB* CZelSecurityInitializer::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CZelSecurityInitializer, IZelSecurityInitializer),
      {nullptr, 0},
  };
  return table;
}

STDMETHODIMP CZelSecurityInitializer::InitializeSecurity() noexcept {
  DWORD grant = 1;
  DWORD size = sizeof grant;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, kGrantValue, RRF_RT_REG_DWORD, nullptr,
                     &grant, &size) != ERROR_SUCCESS)
    grant = 1;
  grant_ = grant != 0;
  initialized_ = true;
  return S_OK;
}

STDMETHODIMP CZelSecurityInitializer::ApplySecurity() noexcept {
  if (!initialized_) return E_UNEXPECTED;
  return grant_ ? S_OK : E_ACCESSDENIED;
}

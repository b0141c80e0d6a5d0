#include "Faults.h"

#include "comlib/Unique.h"

namespace zel {

const wchar_t kFaultsKey[] = L"Software\\Ondrel\\ZelFramework\\Faults";

namespace {

std::wstring Text(HKEY key, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return std::wstring();
  return buffer;
}

DWORD Number(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return 0;
  return value;
}

}  // namespace

Faults Faults::Read() {
  Faults faults;
  comlib::UniqueHkey owner;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFaultsKey, 0, KEY_READ, owner.put()) != ERROR_SUCCESS)
    return faults;
  const HKEY key = owner.get();
  faults.warning = Text(key, L"Warning");
  faults.error = Text(key, L"Error");
  faults.notReady = Number(key, L"NotReady") != 0;
  faults.startFails = Number(key, L"StartFails") != 0;
  faults.startRestoreFailures = Number(key, L"StartRestoreFailures");
  faults.completeInsideStart = Number(key, L"CompleteInsideStart") != 0;
  faults.noKeyPath = Number(key, L"NoKeyPath") != 0;
  return faults;
}

}  // namespace zel

#include "ToolSupport.h"

#include <objbase.h>


int RunInApartment(const wchar_t* name, int (*run)(int, wchar_t**), int argc, wchar_t** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  int code = 3;
  try {
    code = run(argc, argv);
  } catch (...) {
    WriteText(STD_ERROR_HANDLE, std::wstring(name) + L": out of memory\n");
  }
  ::CoUninitialize();
  return code;
}

#pragma once
// Helpers for tests that load the built DLLs the way a host does and register
// them in the shared Wine prefix.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "comlib/Unique.h"

namespace testing_support {

// A file of the build folder (RESTORE_BUILD_DIR, else the folder above the
// test program's), e.g. BuildPath(L"framework\\ZelFramework.dll").
std::wstring BuildPath(const std::wstring& relative);

// The bundled sample backups, as Wine shows the source tree.
std::wstring SamplesFolder();

// Serialises tests of all test programs that change or rely on the
// registration of components in the shared prefix. Hold it for as long as
// such a registration must stay as the test made it.
class RegistryLock {
 public:
  RegistryLock();
  ~RegistryLock();
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

 private:
  comlib::UniqueHandle mutex_;
};

// An in-process server loaded with LoadLibrary, used through its exports.
class ServerDll {
 public:
  explicit ServerDll(const std::wstring& path);
  ~ServerDll();
  ServerDll(const ServerDll&) = delete;
  ServerDll& operator=(const ServerDll&) = delete;

  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }
  std::wstring path() const;  // as the module knows it
  HRESULT Register() const;
  HRESULT Unregister() const;
  HRESULT CanUnloadNow() const;
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const;
  // Class object, then CreateInstance without an outer object.
  HRESULT Create(REFCLSID clsid, REFIID iid, void** ppv) const;

 private:
  HRESULT Call(const char* name) const;
  HMODULE module_;
};

// Registers a DLL for the lifetime of the object; unregisters it at the end.
class ScopedRegistration {
 public:
  explicit ScopedRegistration(const std::wstring& path);
  ~ScopedRegistration();
  ScopedRegistration(const ScopedRegistration&) = delete;
  ScopedRegistration& operator=(const ScopedRegistration&) = delete;
  HRESULT status() const { return status_; }

 private:
  ServerDll dll_;
  HRESULT status_;
};

}  // namespace testing_support

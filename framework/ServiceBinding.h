#pragma once
// Reference service binding and system settings, and the service restore
// helper that copies a service part's backup files into the restored system.
#include <windows.h>

#include <string>

#include "Faults.h"
#include "Poster.h"
#include "RestoredSystem.h"
#include "ZelFramework.h"
#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"

namespace zel {

// How the reference helper learns from the binding where the restored system
// lies; only the reference binding answers it.
struct IZelRestoreTarget : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSystemDataPath(BSTR* path) = 0;
};
extern const IID IID_IZelRestoreTarget;

// The key of the registered systems, answered for "$RegkeySystems$".
extern const wchar_t kSystemsKey[];

class CZelSystemSettings : public comlib::ComObject<CZelSystemSettings>, public IZelSystemSettings {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  HRESULT FinalConstruct() noexcept;
  STDMETHODIMP GetSetting(const ObjectId* scope, BSTR name, BSTR* value) noexcept override;

 private:
  Faults faults_;
};

class CZelServiceBinding : public comlib::ComObject<CZelServiceBinding>,
                           public IZelServiceBinding,
                           public IZelRestoreTarget {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  // Binds to the system whose first restore phase ended last.
  STDMETHODIMP Bind(REFCLSID serviceHostClsid, REFGUID id1, REFGUID id2, long reserved,
                    long flags) noexcept override;
  STDMETHODIMP GetSystemDataPath(BSTR* path) noexcept override;
#define ZEL_RESERVED(n) \
  STDMETHODIMP Reserved##n() noexcept override { return E_NOTIMPL; }
  ZEL_RESERVED(3) ZEL_RESERVED(4) ZEL_RESERVED(5) ZEL_RESERVED(6) ZEL_RESERVED(7) ZEL_RESERVED(8)
  ZEL_RESERVED(9) ZEL_RESERVED(10) ZEL_RESERVED(11) ZEL_RESERVED(12) ZEL_RESERVED(13)
  ZEL_RESERVED(14) ZEL_RESERVED(15) ZEL_RESERVED(16) ZEL_RESERVED(17) ZEL_RESERVED(18)
  ZEL_RESERVED(19) ZEL_RESERVED(20) ZEL_RESERVED(21) ZEL_RESERVED(22) ZEL_RESERVED(23)
  ZEL_RESERVED(24) ZEL_RESERVED(25) ZEL_RESERVED(26) ZEL_RESERVED(27) ZEL_RESERVED(28)
  ZEL_RESERVED(29) ZEL_RESERVED(30) ZEL_RESERVED(31) ZEL_RESERVED(32) ZEL_RESERVED(33)
#undef ZEL_RESERVED

 private:
  bool bound_ = false;
  std::wstring systemDataPath_;
};

class CZelFileRestoreHelper : public comlib::ComObject<CZelFileRestoreHelper>,
                              public IServiceRestoreHelper {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  HRESULT FinalConstruct() noexcept;

  STDMETHODIMP Initialize(IZelServiceBinding* binding, BSTR backupPath) noexcept override;
  STDMETHODIMP GetArgumentEditor(CLSID* editorClsid) noexcept override;
  STDMETHODIMP GetBackupItems(ULONG* count, BackupItem** items) noexcept override;
  STDMETHODIMP StartRestore(ULONG count, BackupItem* items, ServiceArguments arguments,
                            IZelServiceRestoreCallbacks* callbacks) noexcept override;
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }

 private:
  void RunPart(const comlib::ComPtr<IZelServiceRestoreCallbacks>& callbacks);

  Faults faults_;
  DWORD failuresLeft_ = 0;
  Poster poster_;
  std::wstring backupPath_;
  std::wstring target_;  // where this helper's files go in the restored system
};

}  // namespace zel

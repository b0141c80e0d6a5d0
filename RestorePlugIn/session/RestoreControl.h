#pragma once
// The tool object through which the wizard host lists "Restore System": name,
// description, icon, order, the session class and the permission check.
#include <windows.h>
#include <ocidl.h>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComObject.h"
#include "comlib/Dispatch.h"
#include "session/TypeInfoSlots.h"

class CRestoreControl final : public comlib::ComObject<CRestoreControl>,
                              public comlib::DispatchImpl<IRestoreControl, kRestoreControlSlot>,
                              public IZelCWControlEx {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  // The operation the tool permits when the framework's security allows it.
  static const GUID kRestoreOperation;
  static constexpr LONG kOrder = 1250;

  // IZelCWControl(Ex)
  STDMETHODIMP GetModuleClsid(CLSID* moduleClsid, LONG* value) noexcept override;
  STDMETHODIMP GetIcon(IPicture** picture) noexcept override;
  STDMETHODIMP GetName(BSTR* name) noexcept override;
  STDMETHODIMP GetDescription(BSTR* description) noexcept override;
  STDMETHODIMP GetOrder(LONG* order) noexcept override;
  STDMETHODIMP Reserved8(LONG value) noexcept override;
  STDMETHODIMP Reserved9(LONG value, LONG* result) noexcept override;
  STDMETHODIMP CheckPermission(const ObjectId* operationId, LONG value,
                               LONG* permitted) noexcept override;

 private:
  friend class comlib::ComObject<CRestoreControl>;
  CRestoreControl() = default;
  ~CRestoreControl() override = default;
};

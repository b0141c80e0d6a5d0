#include "session/RestoreControl.h"

#include <olectl.h>

#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "comlib/Module.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "records/Records.h"
#include "resource.h"

namespace {

const wchar_t kSecurityProgId[] = L"Ondrel.ZelSecurityInitializer";
// In-process server or handler, local or remote server: wherever it lives.
const DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                         CLSCTX_REMOTE_SERVER;

HRESULT LoadTextOut(UINT id, BSTR* out) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, out);
  *out = nullptr;
  return comlib::Guard([&] {
    *out = comlib::Bstr(comlib::ResourceString(id)).Detach();
    return S_OK;
  });
}

// Both security calls must succeed.
bool SecurityAllows() noexcept {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(kSecurityProgId, &clsid))) return false;
  comlib::ComPtr<IZelSecurityInitializer> security;
  if (FAILED(::CoCreateInstance(clsid, nullptr, kAnyServer, __uuidof(IZelSecurityInitializer),
                                security.PutVoid())))
    return false;
  if (FAILED(security->InitializeSecurity())) return false;
  return SUCCEEDED(security->ApplySecurity());
}

}  // namespace

// {3899A723-CBDD-48B4-A196-F011F52DA090}
const GUID CRestoreControl::kRestoreOperation = {
    0x3899A723, 0xCBDD, 0x48B4, {0xA1, 0x96, 0xF0, 0x11, 0xF5, 0x2D, 0xA0, 0x90}};

const QITAB* CRestoreControl::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CRestoreControl, IRestoreControl),
      QITABENT(CRestoreControl, IDispatch),
      QITABENTMULTI(CRestoreControl, IZelCWControl, IZelCWControlEx),
      QITABENT(CRestoreControl, IZelCWControlEx),
      {nullptr, 0},
  };
  return table;
}

STDMETHODIMP CRestoreControl::GetModuleClsid(CLSID* moduleClsid, LONG* value) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(moduleClsid, value));
  *moduleClsid = CLSID_RestoreModule;
  *value = 0;
  return S_OK;
}

STDMETHODIMP CRestoreControl::GetIcon(IPicture** picture) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, picture);
  *picture = nullptr;
  // The picture does not own the handle; a shared icon is loaded once and
  // freed with the module, so repeated calls do not leak.
  HICON icon = static_cast<HICON>(::LoadImageW(comlib::Module::Instance(),
                                               MAKEINTRESOURCEW(IDI_RESTORECONTROL), IMAGE_ICON,
                                               0, 0, LR_SHARED));
  RETURN_LAST_ERROR_IF(!icon);
  PICTDESC desc = {};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_ICON;
  desc.icon.hicon = icon;
  return ::OleCreatePictureIndirect(&desc, IID_IPicture, FALSE, reinterpret_cast<void**>(picture));
}

STDMETHODIMP CRestoreControl::GetName(BSTR* name) noexcept {
  return LoadTextOut(IDS_TOOL_NAME, name);
}

STDMETHODIMP CRestoreControl::GetDescription(BSTR* description) noexcept {
  return LoadTextOut(IDS_TOOL_DESCRIPTION, description);
}

STDMETHODIMP CRestoreControl::GetOrder(LONG* order) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, order);
  *order = kOrder;
  return S_OK;
}

STDMETHODIMP CRestoreControl::Reserved8(LONG) noexcept { return E_NOTIMPL; }

STDMETHODIMP CRestoreControl::Reserved9(LONG, LONG* result) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, result);
  *result = 1;
  return S_OK;
}

STDMETHODIMP CRestoreControl::CheckPermission(const ObjectId* operationId, LONG,
                                              LONG* permitted) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, permitted);
  *permitted = 0;
  RETURN_HR_IF_NULL(E_POINTER, operationId);
  // The security component runs whatever the operation; only then is the id looked at.
  if (SecurityAllows() && records::SameId(*operationId, kRestoreOperation)) *permitted = 1;
  return S_OK;
}

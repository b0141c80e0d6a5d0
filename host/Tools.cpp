#include "Tools.h"

#include <comcat.h>
#include <olectl.h>

#include "comlib/Bstr.h"
#include "comlib/Result.h"

namespace host {

const GUID kToolCategory = {0x1E773CDD, 0x74BD, 0x11D2, {0xB9, 0x22, 0x00, 0x10, 0x4B, 0xB0, 0x7E, 0xE2}};
const GUID kRestoreOperation = {0x3899A723, 0xCBDD, 0x48B4, {0xA1, 0x96, 0xF0, 0x11, 0xF5, 0x2D, 0xA0, 0x90}};

namespace {

std::wstring Text(HRESULT hr, BSTR text) {
  comlib::Bstr owned = comlib::Bstr::Attach(text);
  return SUCCEEDED(hr) ? owned.str() : std::wstring();
}

HICON CopyToolIcon(IZelCWControl* control) {
  comlib::ComPtr<IPicture> picture;
  if (FAILED(control->GetIcon(picture.Put())) || !picture) return nullptr;
  OLE_HANDLE handle = 0;
  short type = 0;
  if (FAILED(picture->get_Type(&type)) || type != PICTYPE_ICON ||
      FAILED(picture->get_Handle(&handle)) || !handle)
    return nullptr;
  return ::CopyIcon(reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle)));
}

bool Describe(const CLSID& clsid, Tool* tool) {
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IZelCWControlEx,
                                tool->control.PutVoid())))
    return false;
  IZelCWControlEx* control = tool->control.Get();
  tool->info.clsid = clsid;
  BSTR text = nullptr;
  HRESULT hr = control->GetName(&text);
  tool->info.name = Text(hr, text);
  text = nullptr;
  hr = control->GetDescription(&text);
  tool->info.description = Text(hr, text);
  LONG order = 0;
  tool->info.order = SUCCEEDED(control->GetOrder(&order)) ? order : 0;
  LONG permitted = 0;
  ObjectId operation;
  static_assert(sizeof operation == sizeof kRestoreOperation, "an operation id is a GUID");
  ::memcpy(&operation, &kRestoreOperation, sizeof operation);
  tool->info.permitted =
      SUCCEEDED(control->CheckPermission(&operation, 0, &permitted)) && permitted != 0;
  tool->icon.reset(CopyToolIcon(control));
  return true;
}

}  // namespace

HRESULT FindTools(std::vector<Tool>* tools) {
  RETURN_HR_IF_NULL(E_POINTER, tools);
  tools->clear();
  comlib::ComPtr<ICatInformation> categories;
  RETURN_IF_FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ICatInformation, categories.PutVoid()));
  CATID wanted[] = {kToolCategory};
  comlib::ComPtr<IEnumCLSID> classes;
  RETURN_IF_FAILED(categories->EnumClassesOfCategories(1, wanted, static_cast<ULONG>(-1), nullptr,
                                                       classes.Put()));
  CLSID clsid;
  ULONG fetched = 0;
  while (classes->Next(1, &clsid, &fetched) == S_OK && fetched == 1) {
    Tool tool;
    if (Describe(clsid, &tool)) tools->push_back(std::move(tool));
  }
  SortTools(tools);
  return S_OK;
}

}  // namespace host

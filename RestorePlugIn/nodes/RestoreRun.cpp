#include "RestoreRun.h"

#include "RestoreFailure.h"
#include "StartCallbacks.h"
#include "catalogue/ObjectIds.h"
#include "comlib/Bstr.h"
#include "comlib/PumpingWait.h"

namespace {

const DWORD kPauseBeforeServicesMs = 60000;
const DWORD kPauseBetweenStartsMs = 10000;
const int kStartAttempts = 10;

}  // namespace

void RestoreRun::Line(long kind, const std::wstring& text) {
  if (sink_) sink_->AddMessage(kind, comlib::Bstr(text).get());
}

bool RestoreRun::EnsureBinding() {
  if (state_.binding) return true;
  comlib::Bstr hostClass;
  state_.restore->GetServiceHostClass(hostClass.put());
  state_.restore->Finish();
  CLSID clsid = GUID_NULL;
  if (hostClass.IsNull() || FAILED(::CLSIDFromString(hostClass.get(), &clsid))) clsid = GUID_NULL;

  comlib::ComPtr<IZelServiceBinding> binding;
  HRESULT hr = ::CoCreateInstance(CLSID_ZelServiceBinding, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IZelServiceBinding, binding.PutVoid());
  if (SUCCEEDED(hr)) hr = binding->Bind(clsid, GUID_NULL, GUID_NULL, 0, 1);
  state_.bindingStatus = hr;
  if (FAILED(hr)) return false;
  state_.binding = std::move(binding);
  return true;
}

bool RestoreRun::Run(const ServiceNodeStructure* services, ULONG count) {
  if (!EnsureBinding()) return false;
  Line(0, L"");
  Line(0, L"***Starting to restore Services***");
  Line(0, L"");
  Line(0, L"Waiting...");
  comlib::MessagePumpingWait(kPauseBeforeServicesMs, nullptr);
  for (ULONG s = 0; s < count; ++s) {
    if (!services[s].checked) continue;
    for (size_t part = 0; part < parts_.size(); ++part) {
      const HRESULT hr = RestorePart(services[s], part);
      if (FAILED(hr) && SUCCEEDED(failure_)) failure_ = hr;
    }
  }
  return true;
}

HRESULT RestoreRun::RestorePart(const ServiceNodeStructure& service, size_t part) {
  const comlib::Bstr name = comlib::Bstr::Copy(service.name);
  Line(0, name.str() + L", Restoring part" + std::to_wstring(part + 1) + L" of" +
              std::to_wstring(parts_.size()));

  comlib::ComPtr<IServiceRestoreHelper> helper;
  HRESULT created = ::CoCreateInstance(ToGuid(service.helperId), nullptr, CLSCTX_ALL,
                                       IID_IServiceRestoreHelper, helper.PutVoid());
  if (SUCCEEDED(created) && !helper) created = E_NOINTERFACE;
  if (FAILED(created)) {
    Line(2, L"Failed to create the restore helper of " + name.str());
    return created;
  }
  // The folder named after the helper inside the part's backup folder.
  std::wstring folder = parts_[part];
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  helper->Initialize(state_.binding.Get(),
                     comlib::Bstr(folder + L"\\" + ObjectIdToText(service.helperId)).get());

  HRESULT started = E_FAIL;
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    // Each start has callbacks of its own: a late end of an earlier start
    // must not end this part's wait.
    comlib::ComPtr<IZelServiceRestoreCallbacks> callbacks;
    const unsigned serial = state_.BeginPart();
    started = nodes::PartCallbacks::Make(callbacks_, state_, serial, &callbacks);
    if (SUCCEEDED(started))
      started = helper->StartRestore(service.count, service.backupItem, service.arguments,
                                     callbacks.Get());
    if (started == S_OK) {
      state_.WaitForPart();
      Line(0, L"");
      const HRESULT ended = state_.PartResult();
      if (FAILED(ended)) Line(2, nodes::PartFailedLine(name.str(), part + 1, parts_.size(), ended,
                                            state_.PartEndText()));
      return ended;
    }
    Line(0, L"Trying to Start Restore");
    comlib::MessagePumpingWait(kPauseBetweenStartsMs, nullptr);
  }
  Line(0, L"Failed to Start Restore");
  Line(2, nodes::PartNotStartedLine(name.str(), part + 1, parts_.size(), started));
  return FAILED(started) ? started : E_FAIL;
}

// The property-page Apply of the node configuration page: starts the restore.
#include "nodes/RestorePropertyPage2.h"
#include "nodes/RestoreStart.h"

HRESULT CRestorePropertyPage2::OnApply() noexcept {
  if (!session_) ConnectSession();
  if (!session_) return E_UNEXPECTED;
  comlib::ComPtr<IZelCWMessageSink> sink;
  if (messageSink_) messageSink_.As(&sink);
  RestoreStartInput input;
  input.session = session_.Get();
  input.mappedNodeIds = &mappedNodeIds_;
  input.mappedNewNames = &mappedNewNames_;
  input.sink = sink.Get();
  input.phaseCallbacks = static_cast<IZelAsynchRestoreCallbacks*>(this);
  input.serviceCallbacks = static_cast<IZelServiceRestoreCallbacks*>(this);
  bool finished = false;
  const HRESULT hr = ApplyRestore(restore_, input, &finished);
  if (finished) SetDirty(false);
  return hr;
}

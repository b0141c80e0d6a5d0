// The property-page Apply of the node configuration page: starts the restore.
#include "nodes/RestorePropertyPage2.h"
#include "nodes/RestoreStart.h"

HRESULT CRestorePropertyPage2::OnApply() noexcept {
  IRestoreModule* session = Session();
  if (!session) return E_UNEXPECTED;
  RestoreStartInput input;
  input.session = session;
  input.mappedNodeIds = &mappedNodeIds_;
  input.mappedNewNames = &mappedNewNames_;
  input.sink = Sink();
  input.phaseCallbacks = static_cast<IZelAsynchRestoreCallbacks*>(this);
  input.serviceCallbacks = static_cast<IZelServiceRestoreCallbacks*>(this);
  bool finished = false;
  const HRESULT hr = ApplyRestore(restore_, input, &finished);
  if (finished) SetDirty(false);
  return hr;
}

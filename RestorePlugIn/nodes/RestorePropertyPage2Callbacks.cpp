// The restore's callbacks into the page. They arrive on the page's thread,
// inside Apply's message-pumping waits, and pass their text on to the host.
#include "nodes/RestorePropertyPage2.h"

STDMETHODIMP CRestorePropertyPage2::OnInfo(BSTR text) noexcept {
  AddMessage(0, text);
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage2::OnWarning(BSTR text) noexcept {
  AddMessage(0, text);
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage2::OnError(BSTR text) noexcept {
  AddMessage(0, text);
  return S_OK;
}

// The end of the restore's first phase.
HRESULT CRestorePropertyPage2::OnPhaseCompleted(LONG value, BSTR text) noexcept {
  AddMessage(0, text);
  restore_.PhaseEnded(value, text);  // wakes Apply's wait
  return S_OK;
}

STDMETHODIMP CRestorePropertyPage2::OnProgress(LONG, BSTR text) noexcept {
  AddMessage(0, text);
  return S_OK;
}

// The end of one part of one service's restore.
HRESULT CRestorePropertyPage2::OnServicePartCompleted(LONG value, BSTR text) noexcept {
  if (text) AddMessage(0, text);
  restore_.PartEnded(value, text);  // wakes Apply's wait
  return S_OK;
}

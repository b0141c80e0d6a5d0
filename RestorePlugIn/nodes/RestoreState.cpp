#include "RestoreState.h"

#include "comlib/PumpingWait.h"

void RestoreState::Complete(Handshake& handshake, LONG value, BSTR text) noexcept {
  // A repeated end must not replace the status of the first.
  if (handshake.ended) return;
  handshake.ended = true;
  handshake.value = value;
  try {
    handshake.text.assign(text ? text : L"", ::SysStringLen(text));
  } catch (...) {
    handshake.text.clear();  // the words are a courtesy; the end still counts
  }
  if (!handshake.waiting) handshake.completedEarly = true;
  if (handshake.event) ::SetEvent(handshake.event.get());
}

unsigned RestoreState::Begin(Handshake& handshake) noexcept {
  handshake.waiting = false;
  handshake.completedEarly = false;
  handshake.ended = false;
  handshake.value = 0;
  handshake.text.clear();
  return ++handshake.serial;
}

bool RestoreState::IsOpen(const Handshake& handshake, unsigned serial) noexcept {
  return serial == handshake.serial && !handshake.ended;
}

void RestoreState::Wait(Handshake& handshake) noexcept {
  handshake.event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  handshake.waiting = true;
  // Without an event nothing could end the wait.
  if (handshake.completedEarly || !handshake.event) return;
  comlib::MessagePumpingWait(INFINITE, handshake.event.get());
}

HRESULT RestoreState::Result(const Handshake& handshake) noexcept {
  if (!handshake.ended) return E_FAIL;
  // Only a failure status means failed: any other value is a plain end.
  return FAILED(handshake.value) ? static_cast<HRESULT>(handshake.value) : S_OK;
}

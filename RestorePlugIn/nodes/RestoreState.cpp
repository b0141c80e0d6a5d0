#include "RestoreState.h"

#include "comlib/PumpingWait.h"

void RestoreState::Complete(Handshake& handshake) noexcept {
  if (!handshake.waiting) handshake.completedEarly = true;
  if (handshake.event) ::SetEvent(handshake.event.get());
}

void RestoreState::Begin(Handshake& handshake) noexcept {
  handshake.waiting = false;
  handshake.completedEarly = false;
}

void RestoreState::Wait(Handshake& handshake) noexcept {
  handshake.event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  handshake.waiting = true;
  // Without an event nothing could end the wait.
  if (handshake.completedEarly || !handshake.event) return;
  comlib::MessagePumpingWait(INFINITE, handshake.event.get());
}

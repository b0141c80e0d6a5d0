#include "RestoreState.h"

#include "comlib/PumpingWait.h"

void RestoreState::Complete(Flags& flags) noexcept {
  if (!flags.waiting) flags.completedEarly = true;
  if (event_) ::SetEvent(event_.get());
}

void RestoreState::Wait(Flags& flags) noexcept {
  event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  flags.waiting = true;
  // Without an event nothing could end the wait.
  if (flags.completedEarly || !event_) return;
  comlib::MessagePumpingWait(INFINITE, event_.get());
}

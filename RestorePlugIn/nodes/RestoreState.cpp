#include "RestoreState.h"

#include "comlib/PumpingWait.h"

HRESULT RestoreState::OnMessage(IZelCWMessageSink* sink, BSTR text) noexcept {
  if (sink) sink->AddMessage(0, text);
  return S_OK;
}

HRESULT RestoreState::OnPhaseCompleted(IZelCWMessageSink* sink, BSTR text) noexcept {
  Complete(phase_);
  if (sink) sink->AddMessage(0, text);
  if (event_) ::SetEvent(event_.get());
  return S_OK;
}

HRESULT RestoreState::OnPartCompleted(IZelCWMessageSink* sink, BSTR text) noexcept {
  Complete(part_);
  if (sink && text) sink->AddMessage(0, text);
  if (event_) ::SetEvent(event_.get());
  return S_OK;
}

void RestoreState::Complete(Flags& flags) noexcept {
  if (!flags.waiting) flags.completedEarly = true;
}

void RestoreState::Wait(Flags& flags) noexcept {
  event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  flags.waiting = true;
  // Without an event nothing could end the wait.
  if (flags.completedEarly || !event_) return;
  comlib::MessagePumpingWait(INFINITE, event_.get());
}

#pragma once
// What the node configuration page keeps for its restores between Applies,
// shared with its restore callbacks: the restore service, the service
// binding, and the completion hand-shakes of the first phase and of each
// service part.
#include <windows.h>

#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/Unique.h"

class RestoreState {
 public:
  comlib::ComPtr<IZelSystemRestore> restore;
  comlib::ComPtr<IZelServiceBinding> binding;
  HRESULT bindingStatus = S_OK;  // of the last attempt to create and bind it

  // Called by the final callbacks after they passed their text on:
  // IZelAsynchRestoreCallbacks 6 (the first phase has ended) and
  // IZelServiceRestoreCallbacks 4 (one service part has ended).
  void PhaseEnded() noexcept { Complete(phase_); }
  void PartEnded() noexcept { Complete(part_); }

  // Before the start call of the first phase or of a part.
  void BeginPhase() noexcept { phase_ = Flags(); }
  void BeginPart() noexcept { part_ = Flags(); }
  // After a successful start call: waits, dispatching messages, unless the
  // end was already announced during the start call.
  void WaitForPhase() noexcept { Wait(phase_); }
  void WaitForPart() noexcept { Wait(part_); }

 private:
  // An end may be announced while the start call is still running; the
  // waiting flag tells the callback whether anybody waits yet.
  struct Flags {
    bool waiting = false;
    bool completedEarly = false;
  };
  void Complete(Flags& flags) noexcept;
  void Wait(Flags& flags) noexcept;

  // Each wait gets a fresh event; the callbacks set the newest one.
  comlib::UniqueHandle event_;
  // Apart, so that a late end of one cannot cut the wait for the other short.
  Flags phase_;
  Flags part_;
};

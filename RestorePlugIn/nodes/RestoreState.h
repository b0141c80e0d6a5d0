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
  void BeginPhase() noexcept { Begin(phase_); }
  void BeginPart() noexcept { Begin(part_); }
  // After a successful start call: waits, dispatching messages, unless the
  // end was already announced during the start call.
  void WaitForPhase() noexcept { Wait(phase_); }
  void WaitForPart() noexcept { Wait(part_); }

 private:
  // An end may be announced while the start call is still running; the
  // waiting flag tells the callback whether anybody waits yet. Each
  // hand-shake has its own event, so that a late or repeated end of the
  // first phase cannot cut a part's wait short, nor the reverse.
  struct Handshake {
    bool waiting = false;
    bool completedEarly = false;
    comlib::UniqueHandle event;  // fresh for each wait
  };
  static void Complete(Handshake& handshake) noexcept;
  static void Begin(Handshake& handshake) noexcept;
  static void Wait(Handshake& handshake) noexcept;

  Handshake phase_;
  Handshake part_;
};

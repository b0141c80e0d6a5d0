#pragma once
// What the node configuration page keeps for its restores between Applies,
// shared with its restore callbacks: the restore service, the service
// binding, and the completion hand-shakes of the first phase and of each
// service part.
#include <windows.h>

#include <string>

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
  // IZelServiceRestoreCallbacks 4 (one service part has ended). The value
  // and text are kept as the end's status and words; only the first end of
  // a start counts.
  void PhaseEnded(LONG value, BSTR text) noexcept { Complete(phase_, value, text); }
  void PartEnded(LONG value, BSTR text) noexcept { Complete(part_, value, text); }

  // Before the start call of the first phase or of a part; answers the
  // start's serial, which names its callbacks.
  unsigned BeginPhase() noexcept { return Begin(phase_); }
  unsigned BeginPart() noexcept { return Begin(part_); }
  // Whether an end through the callbacks of that start would still count:
  // it is the newest start and has not ended yet.
  bool PhaseOpen(unsigned serial) const noexcept { return IsOpen(phase_, serial); }
  bool PartOpen(unsigned serial) const noexcept { return IsOpen(part_, serial); }
  // After a successful start call: waits, dispatching messages, unless the
  // end was already announced during the start call.
  void WaitForPhase() noexcept { Wait(phase_); }
  void WaitForPart() noexcept { Wait(part_); }
  // After the wait: S_OK, the end's failure status (a value with the high
  // bit set), or E_FAIL when no end was announced.
  HRESULT PhaseResult() const noexcept { return Result(phase_); }
  HRESULT PartResult() const noexcept { return Result(part_); }
  const std::wstring& PhaseEndText() const noexcept { return phase_.text; }
  const std::wstring& PartEndText() const noexcept { return part_.text; }

 private:
  // An end may be announced while the start call is still running; the
  // waiting flag tells the callback whether anybody waits yet. Each
  // hand-shake has its own event, so that a late or repeated end of the
  // first phase cannot cut a part's wait short, nor the reverse.
  struct Handshake {
    unsigned serial = 0;
    bool waiting = false;
    bool completedEarly = false;
    bool ended = false;
    LONG value = 0;
    std::wstring text;
    comlib::UniqueHandle event;  // fresh for each wait
  };
  static void Complete(Handshake& handshake, LONG value, BSTR text) noexcept;
  static unsigned Begin(Handshake& handshake) noexcept;
  static bool IsOpen(const Handshake& handshake, unsigned serial) noexcept;
  static void Wait(Handshake& handshake) noexcept;
  static HRESULT Result(const Handshake& handshake) noexcept;

  Handshake phase_;
  Handshake part_;
};

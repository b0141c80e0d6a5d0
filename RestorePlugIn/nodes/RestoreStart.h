#pragma once
// The node configuration page's Apply: hands the wizard's choices to the
// framework's system restore service, starts its first phase, writes the
// restore path to the registry, waits for the phase and runs the service
// restores.
#include <windows.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"
#include "RestoreState.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"

struct RestoreStartInput {
  IRestoreModule* session = nullptr;
  // The mapping of the last ValidatePage, parallel lists.
  const std::vector<ObjectId>* mappedNodeIds = nullptr;
  const std::vector<comlib::Bstr>* mappedNewNames = nullptr;
  IZelCWMessageSink* sink = nullptr;  // may be null: lines are dropped
  IZelAsynchRestoreCallbacks* phaseCallbacks = nullptr;
  IZelServiceRestoreCallbacks* serviceCallbacks = nullptr;
};

enum class RestoreOutcome {
  Stopped,    // a condition stopped the start (shown in a message box)
  Finished,   // the restore ran to its end
  NoBinding,  // the first phase ran, the services could not be bound
  Failed,     // the first phase or a service part ended with a failure
};

// The folder of each backup of the dependency chain, root first, each with
// a trailing backslash. An entry without a backslash is taken whole.
std::vector<std::wstring> PartDirectories(const BSTR* dependency, ULONG count);
// The text before the last backslash; false when there is none.
bool FolderOf(const std::wstring& path, std::wstring* folder);

class RestoreStart {
 public:
  RestoreStart(RestoreState& state, const RestoreStartInput& input) noexcept
      : state_(state), in_(input) {}
  RestoreOutcome Run();
  // With Failed: the first phase's failure status, or the first failed
  // part's.
  HRESULT failure() const noexcept { return failure_; }

 private:
  bool LoadBackupFiles(const std::vector<std::wstring>& parts);
  void PassChoices();
  bool ResolveChecks();
  void WriteRestorePath(BSTR backupPath);
  void Line(long kind, const wchar_t* text);

  RestoreState& state_;
  RestoreStartInput in_;
  HRESULT failure_ = S_OK;
};

// Apply's status: S_OK when the restore ran to its end or was stopped
// before it started, S_FALSE when the services could not be bound, a
// failure status when the restore itself failed; *finished tells whether
// the page may be marked not dirty. No exception leaves it.
HRESULT ApplyRestore(RestoreState& state, const RestoreStartInput& input, bool* finished) noexcept;

#pragma once
// The wizard's course without windows: which step shows, which buttons work,
// and the texts the host shows around the pages.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace host {

// One tool as the host lists it.
struct ToolInfo {
  CLSID clsid = {};
  std::wstring name;
  std::wstring description;
  long order = 0;
  bool permitted = false;
};

// By order, then by name; equal tools keep the order they were found in.
bool ToolBefore(const ToolInfo& a, const ToolInfo& b);
inline const ToolInfo& InfoOf(const ToolInfo& tool) { return tool; }
// Sorts ToolInfo, or any T with an InfoOf(const T&) beside it, by ToolBefore.
template <class T>
void SortTools(std::vector<T>* tools) {
  std::stable_sort(tools->begin(), tools->end(),
                   [](const T& a, const T& b) { return ToolBefore(InfoOf(a), InfoOf(b)); });
}
// The first permitted tool named name (any permitted tool when name is
// empty); null when there is none.
const ToolInfo* PickTool(const std::vector<ToolInfo>& tools, const std::wstring& name);

enum class Step { Tools, Page, Summary, Progress, Done };

struct Buttons {
  bool back = false;
  bool next = false;     // Next on a page, Finish on the summary
  bool cancel = false;   // Cancel, or Close once the run is over
  std::wstring nextText;
  std::wstring cancelText;
};

class WizardFlow {
 public:
  Step step() const { return step_; }
  // Pages from the first one to the current one, as the host walked them.
  const std::vector<CLSID>& pages() const { return pages_; }
  size_t pageIndex() const { return index_; }
  const CLSID& currentPage() const { return pages_[index_]; }

  // A tool was chosen; its session names the first page.
  void Begin(const CLSID& firstPage);
  // The current page let itself be left; next is what it named as the next
  // page, nothing for the last page (the summary follows).
  void Forward(const std::optional<CLSID>& next);
  // Back from a page or the summary; from the first page to the tool list.
  // Not possible once the restore runs.
  bool Back();
  // Finish on the summary: the restore starts.
  bool Finish();
  // The restore returned.
  void Complete(bool succeeded);
  bool succeeded() const { return succeeded_; }

  Buttons buttons() const;

 private:
  Step step_ = Step::Tools;
  std::vector<CLSID> pages_;
  size_t index_ = 0;
  bool succeeded_ = false;
};

// "Step 2 of 3: title" for page n (0-based) of count known pages.
std::wstring PageHeading(size_t index, const std::wstring& title);
// The text shown when a page refuses; the page's own reason when it gives one.
std::wstring RefusalText(const std::wstring& pageMessage);
// Asked before Cancel, Escape or closing ends a wizard with choices made.
std::wstring DiscardQuestion();
// Asked before Finish starts the restore: names the system and where its
// project data goes.
std::wstring RestoreQuestion(const std::wstring& system, const std::wstring& projectData);
// What the progress view shows for one AddMessage line.
std::wstring ProgressLine(long kind, const std::wstring& text);
// The answer of the whole run for the process's exit code.
// Failed is a restore stopped before it started (or a host that could not
// run); RestoreFailed a restore that started and failed.
enum class Outcome {
  Restored = 0,
  Failed = 1,
  Refused = 2,
  NotPermitted = 3,
  NoTool = 4,
  BadAnswers = 5,
  Cancelled = 6,
  RestoreFailed = 7,
};

// What a finished Apply means: its status, and whether one of its message
// boxes stopped it before the restore started.
enum class RestoreResult { Restored, Stopped, Failed };
RestoreResult JudgeRestore(HRESULT applyStatus, bool stoppedAtBox);
Outcome OutcomeOf(RestoreResult result);
// Which of the restore's directories a failed restore left on disk.
std::wstring LeftOnDiskText(const std::vector<std::wstring>& left);

}  // namespace host

#include "WizardFlow.h"

namespace host {

bool ToolBefore(const ToolInfo& a, const ToolInfo& b) {
  if (a.order != b.order) return a.order < b.order;
  return ::CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) == CSTR_LESS_THAN;
}

const ToolInfo* PickTool(const std::vector<ToolInfo>& tools, const std::wstring& name) {
  for (const ToolInfo& tool : tools) {
    if (!tool.permitted) continue;
    if (name.empty() ||
        ::CompareStringOrdinal(tool.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
      return &tool;
  }
  return nullptr;
}

void WizardFlow::Begin(const CLSID& firstPage) {
  pages_.assign(1, firstPage);
  index_ = 0;
  step_ = Step::Page;
}

void WizardFlow::Forward(const std::optional<CLSID>& next) {
  if (step_ != Step::Page) return;
  if (!next) {
    step_ = Step::Summary;
    return;
  }
  // The way on may differ from the one walked before going back.
  pages_.resize(index_ + 1);
  pages_.push_back(*next);
  ++index_;
}

bool WizardFlow::Back() {
  switch (step_) {
    case Step::Summary:
      step_ = Step::Page;
      return true;
    case Step::Page:
      if (index_ > 0) {
        --index_;
      } else {
        step_ = Step::Tools;
        pages_.clear();
      }
      return true;
    default:
      return false;
  }
}

bool WizardFlow::Finish() {
  if (step_ != Step::Summary) return false;
  step_ = Step::Progress;
  return true;
}

void WizardFlow::Complete(bool succeeded) {
  if (step_ != Step::Progress) return;
  succeeded_ = succeeded;
  step_ = Step::Done;
}

Buttons WizardFlow::buttons() const {
  Buttons b;
  b.nextText = L"&Next >";
  b.cancelText = L"Cancel";
  switch (step_) {
    case Step::Tools:
      b.next = b.cancel = true;
      break;
    case Step::Page:
      b.back = b.next = b.cancel = true;
      break;
    case Step::Summary:
      b.back = b.next = b.cancel = true;
      b.nextText = L"&Finish";
      break;
    case Step::Progress:
      // The restore cannot be stopped once it runs.
      b.nextText = L"&Finish";
      break;
    case Step::Done:
      b.nextText = L"&Finish";
      b.cancel = true;
      b.cancelText = L"Close";
      break;
  }
  return b;
}

std::wstring PageHeading(size_t index, const std::wstring& title) {
  return L"Step " + std::to_wstring(index + 1) + L": " + title;
}

std::wstring RefusalText(const std::wstring& pageMessage) {
  if (pageMessage.find_first_not_of(L" \t\r\n") == std::wstring::npos)
    return L"The page cannot be left yet.";
  return pageMessage;
}

RestoreResult JudgeRestore(HRESULT applyStatus, bool stoppedAtBox) {
  // A failure status means the restore ran and failed, even if a box came
  // first and was answered Yes.
  if (FAILED(applyStatus)) return RestoreResult::Failed;
  if (applyStatus != S_OK || stoppedAtBox) return RestoreResult::Stopped;
  return RestoreResult::Restored;
}

Outcome OutcomeOf(RestoreResult result) {
  switch (result) {
    case RestoreResult::Restored: return Outcome::Restored;
    case RestoreResult::Failed: return Outcome::RestoreFailed;
    default: return Outcome::Failed;
  }
}

std::wstring LeftOnDiskText(const std::vector<std::wstring>& left) {
  if (left.empty()) return L"Nothing of the restore is left on disk.";
  std::wstring text = L"Left on disk: ";
  for (size_t i = 0; i < left.size(); ++i) text += (i ? L", " : L"") + left[i];
  return text + L".";
}

std::wstring DiscardQuestion() { return L"Discard your choices and close the wizard?"; }

std::wstring RestoreQuestion(const std::wstring& system, const std::wstring& projectData) {
  return L"Restore the system \"" + system + L"\" into the project data directory \"" + projectData +
         L"\"?\r\n\r\nThe restore cannot be stopped once it runs.";
}

std::wstring ProgressLine(long kind, const std::wstring& text) {
  return kind == 2 ? L"Error: " + text : text;
}

}  // namespace host

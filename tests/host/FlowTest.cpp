// The wizard's course and texts, without windows.
#include <gtest/gtest.h>

#include "WizardFlow.h"

namespace {

using host::Step;
using host::WizardFlow;

const CLSID kPage1 = {1};
const CLSID kPage3 = {3};
const CLSID kPage2 = {2};

TEST(WizardFlowTest, WalksThePagesToTheSummaryAndTheRestore) {
  WizardFlow flow;
  EXPECT_EQ(Step::Tools, flow.step());
  EXPECT_FALSE(flow.buttons().back);
  flow.Begin(kPage1);
  flow.Forward(kPage3);
  flow.Forward(kPage2);
  ASSERT_EQ(Step::Page, flow.step());
  EXPECT_EQ(2u, flow.pageIndex());
  EXPECT_TRUE(::IsEqualCLSID(kPage2, flow.currentPage()));
  EXPECT_EQ(L"&Next >", flow.buttons().nextText);
  flow.Forward(std::nullopt);  // the last page names none
  ASSERT_EQ(Step::Summary, flow.step());
  EXPECT_TRUE(::IsEqualCLSID(kPage2, flow.currentPage()));
  EXPECT_EQ(L"&Finish", flow.buttons().nextText);
  EXPECT_TRUE(flow.Finish());
  // Nothing can be pressed while the restore runs.
  const host::Buttons running = flow.buttons();
  EXPECT_FALSE(running.back || running.next || running.cancel);
  EXPECT_FALSE(flow.Back());
  flow.Complete(true);
  EXPECT_EQ(Step::Done, flow.step());
  EXPECT_TRUE(flow.succeeded());
  const host::Buttons done = flow.buttons();
  EXPECT_TRUE(done.cancel);
  EXPECT_FALSE(done.back || done.next);
  EXPECT_EQ(L"Close", done.cancelText);
}

TEST(WizardFlowTest, BackReturnsPageByPageAndForgetsTheWayAhead) {
  WizardFlow flow;
  flow.Begin(kPage1);
  flow.Forward(kPage3);
  flow.Forward(kPage2);
  flow.Forward(std::nullopt);
  ASSERT_TRUE(flow.Back());  // summary -> last page
  EXPECT_EQ(Step::Page, flow.step());
  EXPECT_EQ(2u, flow.pageIndex());
  ASSERT_TRUE(flow.Back());
  ASSERT_TRUE(flow.Back());
  EXPECT_EQ(0u, flow.pageIndex());
  // A page may name another page than before.
  flow.Forward(kPage2);
  ASSERT_EQ(2u, flow.pages().size());
  EXPECT_TRUE(::IsEqualCLSID(kPage2, flow.pages()[1]));
  ASSERT_TRUE(flow.Back());
  ASSERT_TRUE(flow.Back());  // first page -> tool list
  EXPECT_EQ(Step::Tools, flow.step());
  EXPECT_TRUE(flow.pages().empty());
  EXPECT_FALSE(flow.Finish());
}

TEST(WizardFlowTest, FinishOnlyFromTheSummary) {
  WizardFlow flow;
  flow.Begin(kPage1);
  EXPECT_FALSE(flow.Finish());
  flow.Complete(true);  // ignored outside a run
  EXPECT_EQ(Step::Page, flow.step());
}

TEST(ToolListTest, SortsByOrderThenNameAndPicksPermittedTools) {
  std::vector<host::ToolInfo> tools = {
      {{}, L"Restore System", L"", 1250, true},
      {{}, L"backup", L"", 100, true},
      {{}, L"Archive", L"", 1250, false},
      {{}, L"Zeta", L"", -5, false},
  };
  host::SortTools(&tools);
  std::vector<std::wstring> names;
  for (const auto& t : tools) names.push_back(t.name);
  EXPECT_EQ((std::vector<std::wstring>{L"Zeta", L"backup", L"Archive", L"Restore System"}), names);
  ASSERT_NE(nullptr, host::PickTool(tools, L"restore system"));
  EXPECT_EQ(L"Restore System", host::PickTool(tools, L"restore system")->name);
  EXPECT_EQ(nullptr, host::PickTool(tools, L"Archive"));  // not permitted
  EXPECT_EQ(L"backup", host::PickTool(tools, L"")->name);
  EXPECT_EQ(nullptr, host::PickTool(tools, L"Missing"));
}

TEST(HostTextTest, RefusalsAndProgressLines) {
  EXPECT_EQ(L"Select a valid node!", host::RefusalText(L"Select a valid node!"));
  EXPECT_EQ(L"The page cannot be left yet.", host::RefusalText(L""));
  EXPECT_EQ(L"The page cannot be left yet.", host::RefusalText(L" \n"));
  EXPECT_EQ(L"Waiting...", host::ProgressLine(0, L"Waiting..."));
  EXPECT_EQ(L"Error: Failed to write restore path to registry",
            host::ProgressLine(2, L"Failed to write restore path to registry"));
  EXPECT_EQ(L"Step 2: System Directories Selection", host::PageHeading(1, L"System Directories Selection"));
}

}  // namespace

TEST(HostTextTest, ApplysStatusAndStopsGiveTheRestoreResult) {
  using host::Outcome;
  using host::RestoreResult;
  struct Case {
    HRESULT status;
    bool stoppedAtBox;
    RestoreResult result;
    Outcome outcome;
  } cases[] = {
      {S_OK, false, RestoreResult::Restored, Outcome::Restored},
      {S_OK, true, RestoreResult::Stopped, Outcome::Failed},
      {S_FALSE, false, RestoreResult::Stopped, Outcome::Failed},
      {E_FAIL, false, RestoreResult::Failed, Outcome::RestoreFailed},
      // a warning answered Yes, then the restore failed
      {HRESULT_FROM_WIN32(ERROR_DISK_FULL), true, RestoreResult::Failed, Outcome::RestoreFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.status << " stopped " << c.stoppedAtBox);
    EXPECT_EQ(c.result, host::JudgeRestore(c.status, c.stoppedAtBox));
    EXPECT_EQ(c.outcome, host::OutcomeOf(c.result));
  }
  // Each exit code is its own.
  EXPECT_NE(static_cast<int>(Outcome::RestoreFailed), static_cast<int>(Outcome::Refused));
  EXPECT_NE(static_cast<int>(Outcome::RestoreFailed), static_cast<int>(Outcome::Failed));
  EXPECT_NE(0, static_cast<int>(Outcome::RestoreFailed));
  EXPECT_EQ(L"Nothing of the restore is left on disk.", host::LeftOnDiskText({}));
  EXPECT_EQ(L"Left on disk: D:\\A, D:\\A\\B.", host::LeftOnDiskText({L"D:\\A", L"D:\\A\\B"}));
}

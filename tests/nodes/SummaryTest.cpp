// The selection summary: the text itself, and what the page gathers for it.
#include "PageFixture.h"
#include "nodes/Summary.h"

namespace nodes_test {
namespace {

const wchar_t kHead[] =
    L"***Summary info of selections***\r\n"
    L" SystemName:\tPlant\r\n"
    L" SystemDescription:\tMain plant\r\n"
    L" ServerData:\tD:\\Server\r\n"
    L" ProjectData:\tD:\\Project\r\n"
    L" WorkplaceData:\tD:\\Workplace\r\n"
    L" ServerData2:\tD:\\Server2\r\n"
    L" BackupName:\tNightly\r\n"
    L" BackupPath:\tE:\\Backups\\Nightly\\BackupInfo.xml\r\n";

nodes::SummaryInput PlantInput() {
  nodes::SummaryInput input;
  input.systemName = L"Plant";
  input.description = L"Main plant";
  input.serverData = L"D:\\Server";
  input.serverData2 = L"D:\\Server2";
  input.projectData = L"D:\\Project";
  input.workplaceData = L"D:\\Workplace";
  input.backupName = L"Nightly";
  input.backupPath = L"E:\\Backups\\Nightly\\BackupInfo.xml";
  return input;
}

TEST(Summary, MappedNodesFollowTheHeaderEachAfterItsOwnLineEnd) {
  nodes::SummaryInput input = PlantInput();
  input.mappedNodes = {{L"NODE1", L"WS7"}, {L"SEC1", L"WS8"}};
  input.nodeNames = {L"NODE1", L"SEC1"};  // not listed when pairs exist
  input.serviceNames = {L"Alarm"};
  EXPECT_EQ(std::wstring(kHead) +
                L"Nodes:\r\n"
                L"Node:\t\thas been mapped to node:"
                L"\r\nNODE1 \tWS7\r\n"
                L"\r\nSEC1 \tWS8\r\n",
            nodes::BuildSummary(input));
}

TEST(Summary, WithoutPairsTheBackupsNodesAndServicesAreListed) {
  struct Case {
    int line;
    std::vector<std::wstring> services;
    std::wstring tail;
  } cases[] = {
      {__LINE__, {}, L"Nodes::\r\n NodeName:\tNODE1\r\n NodeName:\tSEC1\r\n"},
      {__LINE__,
       {L"Alarm", L"History"},
       L"Nodes::\r\n NodeName:\tNODE1\r\n NodeName:\tSEC1\r\n"
       L"Services\t\r\n Service:\tAlarm\r\n Service:\tHistory\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    nodes::SummaryInput input = PlantInput();
    input.nodeNames = {L"NODE1", L"SEC1"};
    input.serviceNames = c.services;
    EXPECT_EQ(kHead + c.tail, nodes::BuildSummary(input));
  }
}

TEST(Summary, EmptyValuesLeaveTheLabelAndTab) {
  EXPECT_EQ(L"***Summary info of selections***\r\n SystemName:\t\r\n SystemDescription:\t\r\n"
            L" ServerData:\t\r\n ProjectData:\t\r\n WorkplaceData:\t\r\n ServerData2:\t\r\n"
            L" BackupName:\t\r\n BackupPath:\t\r\nNodes::\r\n",
            nodes::BuildSummary(nodes::SummaryInput()));
}

class PageSummary : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    RestoreInfo& info = session.restoreInfo;
    info.systemName = L"Plant";
    info.description = L"Main plant";
    info.serverPath = L"D:\\Server";
    info.serverPath2 = L"D:\\Server2";
    info.systemPath = L"D:\\Project";
    info.workplacePath = L"D:\\Workplace";
    info.backupName = L"Nightly";
    info.backupPath = L"E:\\Backups\\Nightly\\BackupInfo.xml";
    session.newRestoreInfo = info;
    session.newRestoreInfo.systemName = L"Plant2";
    session.nodes = {{L"NODE1", true}, {L"SEC1", false}};
    session.services = {{L"Alarm"}};
  }
  std::wstring Summary() {
    BSTR text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, adaption->GetSummary(&text));
    comlib::Bstr owned = comlib::Bstr::Attach(text);
    EXPECT_FALSE(owned.IsNull());
    return owned.str();
  }
};

TEST_F(PageSummary, ANewSystemIdNamesTheNewSystem) {
  const std::wstring unmapped =
      L"Nodes::\r\n NodeName:\tNODE1\r\n NodeName:\tSEC1\r\nServices\t\r\n Service:\tAlarm\r\n";
  session.createNewSystemId = 0;
  EXPECT_EQ(kHead + unmapped, Summary());
  EXPECT_EQ(0u, session.CallCount("GetNewRestoreInfo"));

  session.createNewSystemId = 1;
  std::wstring expected = kHead + unmapped;
  expected.replace(expected.find(L"Plant"), 5, L"Plant2");
  EXPECT_EQ(expected, Summary());
  EXPECT_EQ(1u, session.CallCount("GetNewRestoreInfo"));
}

TEST_F(PageSummary, AfterValidationThePairsReplaceTheNodeList) {
  machine.computerName = L"WS7";
  Enter();
  Rename(secondary, L"SEC1", L"WS8");
  EXPECT_EQ(1, Validate());
  session.calls.clear();
  EXPECT_EQ(std::wstring(kHead) +
                L"Nodes:\r\nNode:\t\thas been mapped to node:\r\nNODE1 \tWS7\r\n\r\nSEC1 \tWS8\r\n",
            Summary());
  EXPECT_EQ(0u, session.CallCount("GetRestoreNode"));
}

}  // namespace
}  // namespace nodes_test

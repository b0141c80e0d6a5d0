#include <gtest/gtest.h>

#include "Fixtures.h"
#include "TestSupport.h"
#include "catalogue/ReadXML.h"

namespace {

using fixtures::kId1;
using fixtures::kNode1;
using fixtures::kNode2;
using testing_support::TempDir;

TEST(ReadXML, StatusesFollowTheFile) {
  using Outcome = ReadXML::Outcome;
  const std::string system = std::string("<SYSTEM><NODE NodeName=\"N\" NodeId=\"") + kNode1 + "\"/></SYSTEM>";
  struct Case {
    int line;
    std::string xml;  // empty: no file
    HRESULT status;
    Outcome outcome;
  } cases[] = {
      {__LINE__, "", S_FALSE, Outcome::CannotLoad},
      {__LINE__, "<BACKUP Name=\"x\">", S_FALSE, Outcome::CannotLoad},
      {__LINE__, "<BACKUP Name=\"x\"/>", E_FAIL, Outcome::EmptyDocumentElement},
      {__LINE__, "<BACKUP Name=\"x\"><SERVICE Name=\"s\"/></BACKUP>", E_FAIL, Outcome::MalformedService},
      {__LINE__, "<BACKUP Name=\"x\">" + system + "<SERVICE Name=\"S\" Id=\"a\" HelperId=\"b\"/></BACKUP>", E_FAIL,
       Outcome::MalformedService},
      {__LINE__, "<BACKUP Name=\"x\"><OTHER/></BACKUP>", S_FALSE, Outcome::NoNodeContainer},
      {__LINE__, "<BACKUP Name=\"x\"><system><NODE/></system></BACKUP>", S_FALSE, Outcome::NoNodeContainer},
      {__LINE__, "<BACKUP Name=\"x\"><SYSTEM/></BACKUP>", S_FALSE, Outcome::EmptyNodeContainer},
      {__LINE__, "<BACKUP Name=\"x\">" + system + "<SYSTEM/></BACKUP>", S_FALSE, Outcome::EmptyNodeContainer},
      {__LINE__, "<LEGACY SystemName=\"s\"/>", S_FALSE, Outcome::EmptyNodeContainer},
      {__LINE__, "<BACKUP Name=\"x\">" + system + "</BACKUP>", S_OK, Outcome::Read},
      {__LINE__, "<BACKUP Name=\"\"><!-- c --><SYSTEM><!-- only a comment --></SYSTEM></BACKUP>", S_OK,
       Outcome::Read},
      {__LINE__, "<LEGACY><OTHER/></LEGACY>", S_OK, Outcome::Read},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::wstring folder = L"F" + std::to_wstring(n++);
    const std::wstring path = c.xml.empty() ? dir / (folder + L"\\BackupInfo.xml") : fixtures::Backup(dir, folder, c.xml);
    ReadXML reader(path.c_str());
    EXPECT_EQ(c.status, reader.Read());
    EXPECT_EQ(c.outcome, reader.LastOutcome());
  }
}

TEST(ReadXML, CurrentLayoutFields) {
  TempDir dir;
  const std::string xml = std::string("<BACKUP Name=\" Mon &amp; Tue \" Id=\"") + kId1 + "\" ParentId=\"" +
                          fixtures::kId2 + "\">"
                          "<SERVICE Name=\"A\" Id=\"" + fixtures::kId3 + "\" HelperId=\"bad\" BackupPath=\"pa\"/>"
                          "<SYSTEM SystemName=\"old\"><NODE NodeName=\"gone\"/></SYSTEM>"
                          "<service Name=\"lower\"/>"
                          "<SYSTEM SystemName=\"Sys\" SystemDescription=\"Desc\">"
                          "<NODE NodeName=\"N1\" NodeId=\"" + kNode1 + "\"/>"
                          "<node NodeName=\"lower\"/>"
                          "<NODE NodeName=\"N2\"/>"
                          "<NODE NodeName=\"N1\" NodeId=\"" + kNode1 + "\"/>"
                          "<RESTORENODE NodeId=\"" + kNode2 + "\" ProjectDataPath=\"x\" ServerDataPath=\"y\" "
                          "ServerData2Path=\"y2\" WorkplaceDataPath=\"z\"/>"
                          "<RESTORENODE NodeId=\"" + kNode1 + "\" ProjectDataPath=\"P\" ServerDataPath=\"S\" "
                          "WorkplaceDataPath=\"W\"/>"
                          "<RESTORENODE NodeId=\"" + kNode1 + "\" ProjectDataPath=\"P\" ServerDataPath=\"S\" "
                          "WorkplaceDataPath=\"W\"/>"
                          "</SYSTEM>"
                          "<SERVICE Name=\"B\" Id=\"" + fixtures::kId1 + "\" HelperId=\"" + fixtures::kId2 +
                          "\" BackupPath=\"\"/></BACKUP>";
  const std::wstring path = fixtures::Backup(dir, L"Mon", xml);
  ReadXML reader(path.c_str());
  ASSERT_EQ(S_OK, reader.Read());
  BackupNode node;
  reader.GetBackupNode(&node);
  EXPECT_EQ(L" Mon & Tue ", node.name.str());
  EXPECT_EQ(path, node.infoFilePath.str());
  EXPECT_TRUE(node.id == ObjectIdFromText(L"{11111111-1111-1111-1111-111111111111}"));
  EXPECT_TRUE(node.parentId == ObjectIdFromText(L"{22222222-2222-2222-2222-222222222222}"));
  ASSERT_EQ(2u, node.services.size());
  EXPECT_EQ(L"A", node.services[0].name.str());
  EXPECT_TRUE(IsNullObjectId(node.services[0].helperId));  // a bad id is no error
  EXPECT_EQ(L"pa", node.services[0].backupPath.str());
  EXPECT_TRUE(node.services[0].checked);
  EXPECT_EQ(L"B", node.services[1].name.str());
  EXPECT_TRUE(!node.services[1].backupPath.IsNull() && node.services[1].backupPath.IsEmpty());
  // The second SYSTEM replaces the first, nodes included.
  EXPECT_EQ(L"Sys", node.systemName.str());
  EXPECT_EQ(L"Desc", node.systemDescription.str());
  ASSERT_EQ(3u, node.nodeNames.size());
  EXPECT_EQ(L"N1", node.nodeNames[0].str());
  EXPECT_EQ(L"N2", node.nodeNames[1].str());
  EXPECT_TRUE(IsNullObjectId(node.nodeIds[1]));
  EXPECT_TRUE(node.nodeIds[0] == node.nodeIds[2]);
  // The last RESTORENODE stands; it has no ServerData2Path, which reads empty.
  EXPECT_EQ(L"P", node.projectDataPath.str());
  EXPECT_EQ(L"S", node.serverDataPath.str());
  EXPECT_TRUE(!node.serverData2Path.IsNull() && node.serverData2Path.IsEmpty());
  EXPECT_EQ(L"W", node.workplaceDataPath.str());
  EXPECT_EQ(2u, node.primaryNodeIds.size());
  EXPECT_TRUE(node.IsRestoreNode(ObjectIdFromText(L"{AAAAAAAA-0000-0000-0000-000000000002}")));
  EXPECT_TRUE(node.IsRestoreNode(node.nodeIds[0]));
  EXPECT_FALSE(node.IsRestoreNode(kNullObjectId));
}

TEST(ReadXML, LegacyLayoutNamesTheFolderAndMakesANewIdEachTime) {
  TempDir dir;
  const std::wstring path = fixtures::Backup(dir, L"B\\Mon", fixtures::Legacy());
  ReadXML first(path.c_str()), second(path.c_str());
  ASSERT_EQ(S_OK, first.Read());
  ASSERT_EQ(S_OK, second.Read());
  BackupNode a, b;
  first.GetBackupNode(&a);
  second.GetBackupNode(&b);
  EXPECT_EQ(L"Mon", a.name.str());
  EXPECT_EQ(L"Old", a.systemName.str());
  EXPECT_TRUE(a.services.empty());
  EXPECT_TRUE(IsNullObjectId(a.parentId));
  EXPECT_FALSE(IsNullObjectId(a.id));
  EXPECT_TRUE(a.id != b.id);
  EXPECT_EQ(1u, a.nodeNames.size());
}

}  // namespace

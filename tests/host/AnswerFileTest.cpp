// Answer files: what is read, what is refused, and that a written file reads
// back the same.
#include <gtest/gtest.h>

#include "AnswerFile.h"
#include "TestSupport.h"

namespace {

using host::Answers;

const wchar_t kFull[] =
    L"; comment\r\n"
    L"[Wizard]\r\nTool = Restore System\r\n"
    L"[backups]\r\nFolder2=E:\\Second\r\nFolder1= D:\\First \r\nBackup=Plant 2024-03 incremental\r\n"
    L"Services=Historian; Alarm server ;\r\n"
    L"[Directories]\nProjectData=D:\\P\nServerData=\nWorkplaceData=D:\\W\n"
    L"[Identity]\nNewSystemId=1\nSystemName=Plant = North\n"
    L"# another comment\n[Nodes]\nPN-SRV1=%COMPUTERNAME%\nPN-OS1=OS-NEW\n"
    L"[Restore]\nContinueOnWarning=1\n";

TEST(AnswerFileTest, ReadsEverySection) {
  Answers a;
  std::wstring error;
  ASSERT_TRUE(host::ParseAnswers(kFull, &a, &error)) << error;
  EXPECT_EQ(L"Restore System", a.tool);
  EXPECT_EQ((std::vector<std::wstring>{L"D:\\First", L"E:\\Second"}), a.folders);  // by number
  EXPECT_EQ(L"Plant 2024-03 incremental", a.backup);
  EXPECT_EQ((std::vector<std::wstring>{L"Historian", L"Alarm server"}), a.services);
  EXPECT_EQ(L"D:\\P", a.projectData.value_or(L"<unset>"));
  EXPECT_EQ(L"", a.serverData.value_or(L"<unset>"));  // set, to empty
  EXPECT_FALSE(a.serverData2.has_value());
  EXPECT_EQ(L"D:\\W", a.workplaceData.value_or(L"<unset>"));
  EXPECT_EQ(true, a.newSystemId.value_or(false));
  EXPECT_EQ(L"Plant = North", a.systemName);  // split at the first '='
  ASSERT_EQ(2u, a.nodes.size());
  EXPECT_EQ(L"PN-SRV1", a.nodes[0].first);
  EXPECT_EQ(host::kThisComputer, a.nodes[0].second);
  EXPECT_EQ(L"OS-NEW", a.nodes[1].second);
  EXPECT_TRUE(a.continueOnWarning);
}

TEST(AnswerFileTest, RefusesWhatItCannotUnderstandAndNamesTheLine) {
  const struct {
    const wchar_t* text;
    const wchar_t* error;
  } cases[] = {
      {L"Backup=x\n", L"line 1: key 'Backup' outside a section"},
      {L"[Backups]\n[Other]\n", L"line 2: unknown section [Other]"},
      {L"[Backups\n", L"line 1: a section name must end with ']'"},
      {L"[Backups]\nBackup\n", L"line 2: expected key=value"},
      {L"[Backups]\n=x\n", L"line 2: a key is missing before '='"},
      {L"[Backups]\nBackups=x\n", L"line 2: unknown key 'Backups' in [Backups]"},
      {L"[Backups]\nFolder0=x\n", L"line 2: unknown key 'Folder0' in [Backups]"},
      {L"[Backups]\nFolder1=x\nfolder1=y\n", L"line 3: 'folder1' given twice"},
      {L"[Identity]\nNewSystemId=yes\n", L"line 2: NewSystemId must be 0 or 1"},
      {L"[Restore]\nContinueOnWarning=2\n", L"line 2: ContinueOnWarning must be 0 or 1"},
      {L"[Nodes]\nA=B\na=C\n", L"line 3: node 'a' given twice"},
  };
  for (const auto& c : cases) {
    Answers a;
    a.backup = L"untouched";
    std::wstring error;
    EXPECT_FALSE(host::ParseAnswers(c.text, &a, &error)) << c.text;
    EXPECT_EQ(c.error, error) << c.text;
    EXPECT_EQ(L"untouched", a.backup);
  }
}

TEST(AnswerFileTest, WrittenFileReadsBackTheSame) {
  Answers a;
  ASSERT_TRUE(host::ParseAnswers(kFull, &a, nullptr));
  a.systemName = L"Anlage Süd";
  testing_support::TempDir dir;
  ASSERT_TRUE(host::WriteAnswerFile(dir / L"answers.ini", a));
  Answers b;
  std::wstring error;
  ASSERT_TRUE(host::ReadAnswerFile(dir / L"answers.ini", &b, &error)) << error;
  EXPECT_EQ(host::FormatAnswers(a), host::FormatAnswers(b));
  EXPECT_EQ(L"Anlage Süd", b.systemName);
  EXPECT_EQ(a.serverData, b.serverData);
  EXPECT_EQ(a.serverData2, b.serverData2);
}

TEST(AnswerFileTest, ReadsUtf8WithMarkAndUtf16AndNamesTheFileOnErrors) {
  testing_support::TempDir dir;
  dir.WriteFile(L"bom.ini", "\xEF\xBB\xBF[Backups]\nBackup=Gr\xC3\xBC\x6E\n");
  Answers a;
  std::wstring error;
  ASSERT_TRUE(host::ReadAnswerFile(dir / L"bom.ini", &a, &error)) << error;
  EXPECT_EQ(L"Grün", a.backup);
  const char utf16[] = "\xFF\xFE[\0B\0a\0c\0k\0u\0p\0s\0]\0\n\0B\0a\0c\0k\0u\0p\0=\0x\0";
  dir.WriteFile(L"utf16.ini", std::string(utf16, sizeof utf16 - 1));
  ASSERT_TRUE(host::ReadAnswerFile(dir / L"utf16.ini", &a, &error)) << error;
  EXPECT_EQ(L"x", a.backup);
  dir.WriteFile(L"bad.ini", "[Backups]\nBackup=\xFF\n");
  EXPECT_FALSE(host::ReadAnswerFile(dir / L"bad.ini", &a, &error));
  EXPECT_NE(std::wstring::npos, error.find(L"bad.ini")) << error;
  EXPECT_FALSE(host::ReadAnswerFile(dir / L"missing.ini", &a, &error));
  EXPECT_EQ(L"cannot open " + (dir / L"missing.ini"), error);
}

}  // namespace

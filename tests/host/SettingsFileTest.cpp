// The host seeds and reads the module's settings file without the module's
// code: what one writes, the other reads back unchanged.
#include <gtest/gtest.h>

#include "SettingsFile.h"
#include "TestSupport.h"
#include "catalogue/Persistency.h"

namespace {

using testing_support::TempDir;

const std::vector<std::vector<std::wstring>> kLists = {
    {L"D:\\Backups"},
    {L"C:\\A & B", L"D:\\<x>\\\"q\"", L"E:\\it's > here", L"C:\\A & B"},
    {L"E:\\Gr\u00fc\u00dfe \u65e5\u672c \U0001F600", L"\\\\server\\share\\&amp;", L" "},
    {L""},
    {},
};

std::vector<std::wstring> Texts(const std::vector<comlib::Bstr>& list) {
  std::vector<std::wstring> out;
  for (const comlib::Bstr& b : list) out.push_back(b.str());
  return out;
}

TEST(SettingsFile, TheModuleReadsWhatTheHostWrites) {
  TempDir dir;
  const host::SettingsFile settings(dir.path());
  EXPECT_EQ(dir.path() + L"\\Ondrel\\RestoreWizard.xml", settings.Path());
  for (const auto& list : kLists) {
    ASSERT_EQ(S_OK, settings.WriteFolders(list));  // makes the folder the first time
    std::vector<comlib::Bstr> read;
    EXPECT_EQ(S_OK, Persistency(dir.path()).ReadPaths(&read));
    EXPECT_EQ(list, Texts(read));
    const std::string text = testing_support::ReadFileUtf8(settings.Path());
    EXPECT_NE(std::string::npos, text.find("<RESTOREWIZARD")) << text;
  }
}

TEST(SettingsFile, TheHostReadsWhatTheModuleWrites) {
  TempDir dir;
  const host::SettingsFile settings(dir.path());
  std::vector<std::wstring> read{L"dropped"};
  EXPECT_EQ(S_FALSE, settings.ReadFolders(&read));
  EXPECT_TRUE(read.empty());
  for (const auto& list : kLists) {
    ASSERT_EQ(S_OK, Persistency(dir.path()).WritePaths(std::vector<comlib::Bstr>(list.begin(), list.end())));
    EXPECT_EQ(S_OK, settings.ReadFolders(&read));
    EXPECT_EQ(list, read);
  }
}

TEST(SettingsFile, ReadsOnlyDirectPathChildrenWithAName) {
  TempDir dir;
  dir.WriteFile(L"Ondrel\\RestoreWizard.xml",
                "<OTHER><PATH Name=\"a\"/><path Name=\"lower\"/><GROUP><PATH Name=\"deep\"/></GROUP>"
                "<PATH/><PATH Name=\"b &amp; &lt;c&gt; &quot;d&quot;\"/></OTHER>");
  std::vector<std::wstring> read;
  EXPECT_EQ(S_OK, host::SettingsFile(dir.path()).ReadFolders(&read));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b & <c> \"d\""}), read);

  dir.WriteFile(L"Ondrel\\RestoreWizard.xml", "<RESTOREWIZARD><PATH Name=\"a\"");
  EXPECT_EQ(S_FALSE, host::SettingsFile(dir.path()).ReadFolders(&read));
  EXPECT_TRUE(read.empty());
}

}  // namespace

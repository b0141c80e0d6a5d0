#include <gtest/gtest.h>

#include "TestSupport.h"
#include "catalogue/Persistency.h"

#include <shlobj.h>

namespace {

using testing_support::TempDir;

std::vector<std::wstring> Texts(const std::vector<comlib::Bstr>& list) {
  std::vector<std::wstring> out;
  for (const comlib::Bstr& b : list) out.push_back(b.str());
  return out;
}

std::vector<comlib::Bstr> Bstrs(const std::vector<std::wstring>& list) {
  return std::vector<comlib::Bstr>(list.begin(), list.end());
}

TEST(Persistency, FirstUseThenRoundTrips) {
  TempDir dir;
  const Persistency settings(dir.path());
  std::vector<comlib::Bstr> read{comlib::Bstr(L"kept")};
  EXPECT_EQ(S_FALSE, settings.ReadPaths(&read));
  EXPECT_EQ(std::vector<std::wstring>{L"kept"}, Texts(read));
  EXPECT_EQ(dir.path() + L"\\Ondrel\\RestoreWizard.xml", settings.SettingsFile());

  const std::vector<std::vector<std::wstring>> lists = {
      {L"C:\\A & B", L"D:\\<x>\\\"q\"", L"E:\\Gr\u00fc\u00dfe \u65e5\u672c \U0001F600", L"C:\\A & B", L" "},
      {L""},
      {},
  };
  for (const auto& list : lists) {
    ASSERT_EQ(S_OK, settings.WritePaths(Bstrs(list)));  // makes the folder the first time
    read.clear();
    EXPECT_EQ(S_OK, settings.ReadPaths(&read));
    EXPECT_EQ(list, Texts(read));
  }
  EXPECT_NE(std::string::npos, testing_support::ReadFileUtf8(settings.SettingsFile()).find("<RESTOREWIZARD"));
}

TEST(Persistency, ReadsOnlyDirectPathChildrenWithAName) {
  TempDir dir;
  const Persistency settings(dir.path());
  struct Case {
    int line;
    const char* xml;
    HRESULT status;
    std::vector<std::wstring> paths;
  } cases[] = {
      {__LINE__,
       "<OTHER><PATH Name=\"a\"/><path Name=\"lower\"/><X><PATH Name=\"nested\"/></X><!-- c -->"
       "<PATH/><PATH Name=\"b\">text</PATH></OTHER>",
       S_OK, {L"a", L"b"}},
      {__LINE__, "<RESTOREWIZARD/>", S_OK, {}},
      {__LINE__, "<RESTOREWIZARD><PATH Name=\"a\">", S_FALSE, {}},
      {__LINE__, "<!DOCTYPE R [<!ENTITY e \"x\">]><R><PATH Name=\"&e;\"/></R>", S_FALSE, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    dir.WriteFile(L"Ondrel\\RestoreWizard.xml", c.xml);
    std::vector<comlib::Bstr> read;
    EXPECT_EQ(c.status, settings.ReadPaths(&read));
    EXPECT_EQ(c.paths, Texts(read));
  }
}

TEST(Persistency, RealLocationIsTheLocalApplicationDataFolder) {
  wchar_t local[MAX_PATH];
  ASSERT_EQ(S_OK, ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local));
  const Persistency settings;
  const std::wstring file = settings.SettingsFile();
  EXPECT_EQ(std::wstring(local) + L"\\Ondrel\\RestoreWizard.xml", file);

  // The user's list is put back afterwards.
  std::vector<comlib::Bstr> before;
  const HRESULT had = settings.ReadPaths(&before);
  const std::vector<comlib::Bstr> list{comlib::Bstr(L"C:\\Backups")};
  ASSERT_EQ(S_OK, settings.WritePaths(list));
  std::vector<comlib::Bstr> read;
  EXPECT_EQ(S_OK, settings.ReadPaths(&read));
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\Backups"}, Texts(read));
  if (had == S_OK)
    settings.WritePaths(before);
  else
    ::DeleteFileW(file.c_str());
}

}  // namespace

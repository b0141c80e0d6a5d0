#include <gtest/gtest.h>

#include "TestSupport.h"
#include "catalogue/Persistency.h"

#include <shlobj.h>

#include <algorithm>
#include <functional>

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
      // Words that once made the whole file unreadable.
      {L"C:\\Backups", L"E:\\Archive\\UTF-7 mail", L"F:\\<!DOCTYPE x>", L"G:\\utf-7"},
      {L"C:\\tab\there", L"C:\\line\nbreak", L"C:\\cr\rhere", L"C:\\\uFFFD\uE000\x7F"},
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

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (data.cFileName[0] != L'.') names.push_back(data.cFileName);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Persistency, RefusesTextsTheFileCannotCarry) {
  TempDir dir;
  const Persistency settings(dir.path());
  ASSERT_EQ(S_OK, settings.WritePaths(Bstrs({L"C:\\Kept"})));
  const std::string before = testing_support::ReadFileUtf8(settings.SettingsFile());
  const struct {
    int line;
    std::wstring text;
    size_t bad;
  } cases[] = {
      {__LINE__, L"C:\\x\uFFFE", 4},   {__LINE__, L"C:\\\uFFFFx", 3},
      {__LINE__, L"C:\\\xD800x", 3},   {__LINE__, L"C:\\x\xDC00", 4},
      {__LINE__, L"C:\\\xDC00\xD800", 3}, {__LINE__, std::wstring(L"C:\\\0x", 5), 3},
      {__LINE__, L"C:\\\x01", 3},      {__LINE__, L"C:\\\x1F", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    size_t bad = 0;
    EXPECT_FALSE(Persistency::CanCarry(c.text, &bad));
    EXPECT_EQ(c.bad, bad);
    EXPECT_EQ(E_INVALIDARG, settings.WritePaths(Bstrs({L"C:\\Other", c.text})));
    EXPECT_EQ(before, testing_support::ReadFileUtf8(settings.SettingsFile()));
  }
  EXPECT_TRUE(Persistency::CanCarry(L"C:\\\U0001F600\t\r\n\uFFFD"));
}

// The new file is written beside the old one and takes its place in one
// step: the old file is never opened for writing, and nothing is left beside it.
TEST(Persistency, SaveReplacesTheFileInOneStep) {
  TempDir dir;
  const Persistency settings(dir.path());
  auto identity = [&] {
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE h = ::CreateFileW(settings.SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr);
    ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    return (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  };
  ASSERT_EQ(S_OK, settings.WritePaths(Bstrs({L"C:\\Old", L"C:\\Older"})));
  const ULONGLONG before = identity();
  EXPECT_EQ(S_OK, settings.WritePaths(Bstrs({L"C:\\New"})));
  EXPECT_NE(before, identity());
  std::vector<comlib::Bstr> read;
  EXPECT_EQ(S_OK, settings.ReadPaths(&read));
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\New"}, Texts(read));
  EXPECT_EQ(std::vector<std::wstring>{L"RestoreWizard.xml"}, FilesIn(dir / L"Ondrel"));
}

HANDLE held = INVALID_HANDLE_VALUE;

// A save that cannot replace the file fails and leaves everything as it was.
TEST(Persistency, FailedSaveLeavesTheOldFile) {
  struct Case {
    int line;
    const char* name;
    std::function<void(const TempDir&)> prepare;
    std::function<void(const TempDir&)> undo;
  } cases[] = {
      {__LINE__, "read-only file",
       [](const TempDir& d) {
         d.WriteFile(L"Ondrel\\RestoreWizard.xml", "<RESTOREWIZARD><PATH Name=\"C:\\Mine\"/></RESTOREWIZARD>");
         ::SetFileAttributesW((d / L"Ondrel\\RestoreWizard.xml").c_str(), FILE_ATTRIBUTE_READONLY);
       },
       [](const TempDir& d) { ::SetFileAttributesW((d / L"Ondrel\\RestoreWizard.xml").c_str(), 0); }},
      {__LINE__, "a folder in the file's place",
       [](const TempDir& d) { d.WriteFile(L"Ondrel\\RestoreWizard.xml\\inside.txt", "mine"); }, nullptr},
      {__LINE__, "a file in the module folder's place", [](const TempDir& d) { d.WriteFile(L"Ondrel", "mine"); },
       nullptr},
      {__LINE__, "the file held open by another program",
       [](const TempDir& d) {
         d.WriteFile(L"Ondrel\\RestoreWizard.xml", "<RESTOREWIZARD><PATH Name=\"C:\\Mine\"/></RESTOREWIZARD>");
         held = ::CreateFileW((d / L"Ondrel\\RestoreWizard.xml").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
       },
       [](const TempDir&) { ::CloseHandle(held); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir dir;
    c.prepare(dir);
    const Persistency settings(dir.path());
    const std::vector<std::wstring> before = FilesIn(dir.path()), beforeModule = FilesIn(dir / L"Ondrel");
    const std::string bytes = testing_support::ReadFileUtf8(settings.SettingsFile());
    const std::string top = testing_support::ReadFileUtf8(dir / L"Ondrel");
    EXPECT_TRUE(FAILED(settings.WritePaths(Bstrs({L"C:\\New"})))) << c.name;
    EXPECT_EQ(bytes, testing_support::ReadFileUtf8(settings.SettingsFile()));
    EXPECT_EQ(top, testing_support::ReadFileUtf8(dir / L"Ondrel"));
    EXPECT_EQ(before, FilesIn(dir.path()));
    EXPECT_EQ(beforeModule, FilesIn(dir / L"Ondrel"));
    if (c.undo) c.undo(dir);
  }
}

// A file that cannot be read may still be the user's only list: its bytes
// are kept under a new name before the save replaces it.
TEST(Persistency, UnreadableFileIsKeptBeforeItIsReplaced) {
  TempDir dir;
  const Persistency settings(dir.path());
  const std::string kept = "<RESTOREWIZARD><PATH Name=\"C:\\Mine\"/>";
  const struct {
    int line;
    std::string bytes;  // empty: no file
    std::wstring copy;  // empty: none kept
  } cases[] = {
      {__LINE__, "", L""},
      {__LINE__, "<RESTOREWIZARD><PATH Name=\"C:\\Readable\"/></RESTOREWIZARD>", L""},
      {__LINE__, kept, L"RestoreWizard.xml.unreadable"},
      {__LINE__, "<!DOCTYPE R []>" + kept + "</RESTOREWIZARD>", L"RestoreWizard.xml.unreadable-2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ::DeleteFileW(settings.SettingsFile().c_str());
    if (!c.bytes.empty()) dir.WriteFile(L"Ondrel\\RestoreWizard.xml", c.bytes);
    std::vector<comlib::Bstr> read;
    xml::LoadFailure failure;
    settings.ReadPaths(&read, &failure);
    EXPECT_EQ(c.bytes.empty(), failure.Missing());
    std::wstring copy = L"unchanged";
    EXPECT_EQ(S_OK, settings.WritePaths(Bstrs({L"C:\\New"}), &copy));
    EXPECT_EQ(c.copy.empty() ? L"" : dir / (L"Ondrel\\" + c.copy), copy);
    if (!c.copy.empty()) {
      EXPECT_EQ(c.bytes, testing_support::ReadFileUtf8(copy));
    }
  }
}

}  // namespace

// The directory rules against the real file system and the drives that the
// test prefix set up (scripts/wine-env.sh): D: fixed, R: removable, N: network.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "directories/SystemDirectories.h"

using directories::SystemDirectories;
using directories::SystemPaths;
using testing_support::TempDir;

namespace {

using testing_support::Narrow;

// A folder on the prefix's fixed drive D:, removed afterwards.
class DriveDir {
 public:
  explicit DriveDir(const std::wstring& drive) {
    GUID g;
    ::CoCreateGuid(&g);
    path_ = drive + L"\\t" + std::to_wstring(g.Data1);
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~DriveDir() { testing_support::RemoveTree(path_); }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

SystemPaths Under(const std::wstring& project) {
  return SystemPaths{project, project + L"\\Server", project + L"\\Server2", project + L"\\WP"};
}

}  // namespace

TEST(TestDrives, ThePrefixHasAFixedARemovableAndANetworkDrive) {
  // Set up by wine_prefix_setup; without them the drive rules go untested.
  const char* hint = "the drives come from wine_test_drives in scripts/wine-env.sh";
  EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), ::GetDriveTypeW(L"D:")) << hint;
  EXPECT_EQ(static_cast<UINT>(DRIVE_REMOVABLE), ::GetDriveTypeW(L"R:")) << hint;
  EXPECT_EQ(static_cast<UINT>(DRIVE_REMOTE), ::GetDriveTypeW(L"N:")) << hint;
}

TEST(FixedDrive, OnlyPathsOnALocalHardDiskPass) {
  struct Case {
    const wchar_t* path;
    bool fixed;
  } cases[] = {
      {L"C:\\Data", true},          {L"D:\\Data\\More", true},  {L"C:", true},
      {L"c:\\lower", true},         {L"R:\\Data", false},       {L"N:\\Data", false},
      {L"\\\\server\\share", false}, {L"\\Data", false},        {L"Data\\More", false},
      {L"Data", false},             {L"", false},               {L"Q:\\NoSuchDrive", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.fixed, directories::IsOnFixedDrive(c.path)) << Narrow(c.path);
}

TEST(Proposal, CountsUpToTheFirstNumberForWhichNoneOfTheFourExists) {
  TempDir temp;
  const std::wstring p = temp / L"Sys";
  struct Case {
    int line;
    std::vector<std::wstring> existing;  // relative to the temporary folder
    std::wstring expected;               // suffix of the project directory
  } cases[] = {
      {__LINE__, {}, L""},
      {__LINE__, {L"Sys"}, L"1"},
      // P, P1 and a part of P2 exist: P3.
      {__LINE__, {L"Sys", L"Sys1", L"Sys2\\Server"}, L"3"},
      {__LINE__, {L"Sys", L"Sys1\\Server2"}, L"2"},
      {__LINE__, {L"Sys", L"Sys1\\WP"}, L"2"},
      // A number beyond nine.
      {__LINE__,
       {L"Sys", L"Sys1", L"Sys2", L"Sys3", L"Sys4", L"Sys5", L"Sys6", L"Sys7", L"Sys8", L"Sys9",
        L"Sys10"},
       L"11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir dirs;
    const std::wstring project = dirs / L"Sys";
    for (const std::wstring& relative : c.existing) dirs.MakeDir(relative);
    const SystemPaths proposal = SystemDirectories(Under(project)).Proposal();
    EXPECT_EQ(Narrow(project + c.expected), Narrow(proposal.project));
    EXPECT_EQ(Under(project + c.expected), proposal);
  }
  // A file counts as well as a directory.
  temp.MakeDir(L"Sys");
  temp.WriteFile(L"Sys1\\WP", "x");
  EXPECT_EQ(Under(p + L"2"), SystemDirectories(Under(p)).Proposal());
}

TEST(Proposal, KeepsThePathsUnlessAllLieUnderTheProjectDirectoryOnFixedDrives) {
  TempDir temp;
  DriveDir onD(L"D:");
  const std::wstring p = temp / L"Sys";
  temp.MakeDir(L"Sys");  // so that a proposal would change the paths
  struct Case {
    int line;
    SystemPaths paths;
    bool proposed;
  } cases[] = {
      // The server directory on another drive.
      {__LINE__, {p, onD.path() + L"\\Server", p + L"\\Server", p + L"\\WP"}, false},
      // The rest after P must start with a backslash.
      {__LINE__, {p, p + L"X\\Server", p + L"\\Server", p + L"\\WP"}, false},
      {__LINE__, {p, p + L"\\Server", p + L"Server2", p + L"\\WP"}, false},
      {__LINE__, {p, p + L"\\Server", p + L"\\Server2", p + L".WP"}, false},
      // Exactly P is under P.
      {__LINE__, {p, p, p, p}, true},
      {__LINE__, {p, p + L"\\Server", L"", p + L"\\WP"}, false},
      // All under P, but not on a fixed drive.
      {__LINE__, Under(L"R:\\Sys"), false},
      {__LINE__, Under(L"N:\\Sys"), false},
      {__LINE__, Under(L"\\\\server\\share\\Sys"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const SystemPaths proposal = SystemDirectories(c.paths).Proposal();
    if (c.proposed)
      EXPECT_EQ(Narrow(c.paths.project + L"1"), Narrow(proposal.project));
    else
      EXPECT_EQ(c.paths, proposal);
  }
}

TEST(Problems, NamesEveryUnusableDirectoryInServerServer2ProjectWorkplaceOrder) {
  TempDir temp;
  const std::wstring existing = temp.MakeDir(L"Here");
  const std::wstring fresh = temp / L"Fresh";
  const std::wstring tooLong = temp / std::wstring(300 - temp.path().size() - 1, L'x');
  ASSERT_EQ(300u, tooLong.size());
  const std::wstring longest = temp / std::wstring(259 - temp.path().size() - 1, L'y');
  ASSERT_EQ(259u, longest.size());
  struct Case {
    int line;
    SystemPaths paths;  // project, server, server2, workplace
    std::vector<std::wstring> messages;
  } cases[] = {
      {__LINE__, {fresh, fresh + L"\\S", fresh + L"\\S2", fresh + L"\\W"}, {}},
      {__LINE__, {longest, fresh, fresh, fresh}, {}},
      {__LINE__,
       {L"N:\\P", existing, L"R:\\S2", L"W"},
       {L"E<" + existing + L">", L"L<R:\\S2>", L"L<N:\\P>", L"L<W>"}},
      {__LINE__, {existing, L"", fresh, existing}, {L"L<>", L"E<" + existing + L">", L"E<" + existing + L">"}},
      // Refused whole instead of being cut to a shorter, other directory.
      {__LINE__, {fresh, tooLong, fresh, fresh}, {L"L<" + tooLong + L">"}},
      {__LINE__, {fresh, L"\\\\server\\share\\S", fresh, fresh}, {L"L<\\\\server\\share\\S>"}},
      // A path that looks like a format is taken literally.
      {__LINE__, {fresh, L"%s%d\\x", fresh, fresh}, {L"L<%s%d\\x>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto messages = SystemDirectories(c.paths).Problems(L"E<%s>", L"L<%s>");
    ASSERT_EQ(c.messages.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i)
      EXPECT_EQ(Narrow(c.messages[i]), Narrow(messages[i])) << i;
  }
}

// Each rule with a path it refuses and a near one it lets through.
TEST(ImpossiblePath, NamesNoLocalDiskCouldHoldAreRefused) {
  struct Case {
    const wchar_t* path;
    bool impossible;
  } cases[] = {
      // characters Windows does not allow
      {L"D:\\Restored\\Ser|ver", true},    {L"D:\\Restored\\Server", false},
      {L"D:\\a<b", true},                  {L"D:\\a>b", true},
      {L"D:\\a\"b", true},                 {L"D:\\a?b", true},
      {L"D:\\a*b", true},                  {L"D:\\a\tb", true},
      {L"D:\\a\x01" L"b", true},           {L"D:\\a b", false},
      {L"D:\\a/b", false},                 // the other separator
      // a colon only after the drive letter
      {L"D:\\a:b", true},                  {L"D:\\ab:", true},
      {L":\\ab", true},                    {L"D:", false},
      // reserved device names, with or without an extension, any case
      {L"D:\\CON", true},                  {L"D:\\x\\con\\y", true},
      {L"D:\\NUL.txt", true},              {L"D:\\aux.tar.gz", true},
      {L"D:\\COM1", true},                 {L"D:\\lpt9", true},
      {L"D:\\PRN .txt", true},             {L"D:\\CONSOLE", false},
      {L"D:\\COM0", false},                {L"D:\\COM10", false},
      {L"D:\\LPT", false},                 {L"D:\\xCON", false},
      // a component ending in a blank or a dot
      {L"D:\\Project \\Server", true},     {L"D:\\Project.\\Server", true},
      {L"D:\\Project.", true},             {L"D:\\Project.1", false},
      {L"D:\\ Project", false},
      // component length
      {nullptr, true},                     {nullptr, false},
  };
  const std::wstring long256 = L"D:\\" + std::wstring(256, L'x') + L"\\Server";
  const std::wstring long255 = L"D:\\" + std::wstring(255, L'x') + L"\\Server";
  for (const Case& c : cases) {
    const std::wstring path = c.path ? c.path : (c.impossible ? long256 : long255);
    EXPECT_EQ(c.impossible, directories::IsImpossiblePath(path)) << Narrow(path);
  }
}

TEST(Problems, AnImpossiblePathOnAFixedDriveIsNotALocalPath) {
  DriveDir d(L"D:");
  const std::wstring bad = d.path() + L"\\Project\\Ser|ver";
  SystemPaths paths = Under(d.path() + L"\\Project");
  paths.server = bad;
  const std::vector<std::wstring> problems =
      SystemDirectories(paths).Problems(L"exists %s", L"not local %s");
  ASSERT_EQ(1u, problems.size());
  EXPECT_EQ(L"not local " + bad, problems[0]);
}

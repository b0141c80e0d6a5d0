#include <gtest/gtest.h>

#include <string>

#include "Fixtures.h"
#include "Links.h"
#include "TestSupport.h"
#include "catalogue/FileFinder.h"

namespace {

using links::Links;
using links::UnderWine;
using testing_support::TempDir;

TEST(FileFinder, EndsOnDirectoryLinksThatLeadBackIntoTheirTree) {
  TempDir dir;
  const std::wstring root = dir / L"Root";
  fixtures::Backup(dir, L"Root\\A", "<a/>");
  fixtures::Backup(dir, L"Root\\Y", "<a/>");
  dir.MakeDir(L"Root\\A\\sub");
  dir.MakeDir(L"Root\\X");
  // Back to the root, back to the folder above, and two folders that lead
  // into each other.
  Links links;
  const bool made = links.Make(root + L"\\A\\sub\\loop", root) && links.Make(root + L"\\A\\sub\\up", root + L"\\A") &&
                    links.Make(root + L"\\X\\toY", root + L"\\Y") && links.Make(root + L"\\Y\\toX", root + L"\\X");
  if (!made && !UnderWine()) GTEST_SKIP() << "no right to make directory links here";
  ASSERT_TRUE(made);

  FileFinder finder;
  finder.AddFolder(root.c_str());
  finder.AddFileName(L"BackupInfo.xml");
  // A link into another branch is followed once; a way back is not.
  EXPECT_EQ((std::vector<std::wstring>{root + L"\\A\\BackupInfo.xml", root + L"\\X\\toY\\BackupInfo.xml",
                                       root + L"\\Y\\BackupInfo.xml"}),
            finder.Find());
}

}  // namespace

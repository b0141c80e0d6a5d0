// A short, fixed-seed run of the mutation campaign: hostile information and
// settings files must each end listed, read, or refused with their cause.
#include <gtest/gtest.h>

#include "MutationCampaign.h"
#include "TestSupport.h"

namespace {

using testing_support::Narrow;

TEST(Mutation, SameSeedSameFiles) {
  mutation::Random a(7), b(7), c(8);
  for (int i = 0; i < 50; ++i) {
    const std::string x = mutation::MutatedInfoFile(a);
    EXPECT_EQ(x, mutation::MutatedInfoFile(b));
    EXPECT_EQ(mutation::MutatedSettingsFile(a), mutation::MutatedSettingsFile(b));
  }
  EXPECT_NE(mutation::MutatedInfoFile(a), mutation::MutatedInfoFile(c));
}

TEST(Mutation, EveryFileIsListedReadOrRefusedWithItsCause) {
  testing_support::TempDir dir;
  mutation::Options options;
  options.seed = 20240613;
  options.infoFiles = 2000;
  options.settingsFiles = 200;
  options.folder = dir.path();
  const mutation::Summary summary = mutation::Run(options);
  const std::wstring report = mutation::Report(summary);
  EXPECT_TRUE(summary.faults.empty()) << Narrow(report);
  EXPECT_EQ(options.infoFiles, summary.found);
  // The run covers both ends: files that read and files refused.
  EXPECT_GT(summary.listed, 0u);
  EXPECT_GT(summary.dropped, 0u);
  EXPECT_GT(summary.settingsRead, 0u);
  EXPECT_GT(summary.keptCopies, 0u);
}

}  // namespace

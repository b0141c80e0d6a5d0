// The node mapping rules, run through the page: the rows the engineer leaves,
// the verdict, the message and the pairs the session ends up holding.
#include <algorithm>

#include "PageFixture.h"
#include "RestoreFakes.h"

namespace nodes_test {
namespace {

const wchar_t kNotOnPrimary[] = L"No primary node is mapped to this node";
const wchar_t kDuplicate[] = L"More than one node is mapped to the same node";
const wchar_t kTakesPrimary[] =
    L"One of the new nodes has the same name as one of the original primary nodes, this is not "
    L"allowed unless a new system id has been generated.";
const wchar_t kTakesSecondary[] =
    L"One of the new nodes has the same name as one of the original secondary nodes, this is not "
    L"allowed unless a new system id has been generated.";

struct Edit {
  bool primary;
  const wchar_t* original;
  const wchar_t* name;
};

// One press of the wizard's Next: the renames made first, then what follows.
struct Attempt {
  std::vector<Edit> renames;
  const wchar_t* message;  // null: accepted
  Pairs pairs;             // the session's pairs afterwards, in order
};

struct Case {
  int line;
  std::vector<FakeNode> nodes;
  const wchar_t* computer;
  LONG createNewSystemId;
  std::vector<Attempt> attempts;
};

const std::vector<FakeNode> kBackup = {
    {L"NODE1", true}, {L"NODE2", true}, {L"SEC1", false}, {L"SEC2", false}};
const std::vector<FakeNode> kSinglePrimary = {{L"NODE1", true}, {L"SEC1", false}, {L"SEC2", false}};

// The lists show the backup's order reversed: primary NODE2, NODE1; secondary
// SEC2, SEC1. Pairs follow the rows: primary rows first.
const Case kCases[] = {
    {__LINE__, kSinglePrimary, L"WS7", 0, {{{}, nullptr, {{L"NODE1", L"WS7"}}}}},
    {__LINE__, kSinglePrimary, L"NODE1", 0, {{{}, nullptr, {}}}},
    {__LINE__, kBackup, L"WS7", 0, {{{}, kNotOnPrimary, {}}}},
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"ws7"}}, kNotOnPrimary, {{L"NODE1", L"ws7"}}}}},
    // NotOnPrimaryNode decides before DuplicateName.
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"X"}, {true, L"NODE2", L"X"}}, kNotOnPrimary,
       {{L"NODE2", L"X"}, {L"NODE1", L"X"}}}}},
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"WS7"}, {true, L"NODE2", L"WS7"}}, kDuplicate,
       {{L"NODE2", L"WS7"}, {L"NODE1", L"WS7"}}}}},
    // A secondary node keeping a name another node takes: DuplicateName
    // decides before TakesSecondaryName.
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"WS7"}, {true, L"NODE2", L"SEC1"}}, kDuplicate,
       {{L"NODE2", L"SEC1"}, {L"NODE1", L"WS7"}}}}},
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"WS7"}, {true, L"NODE2", L"node2"}}, nullptr,
       {{L"NODE2", L"node2"}, {L"NODE1", L"WS7"}}}}},
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"NODE2"}, {true, L"NODE2", L"WS7"}}, kTakesPrimary,
       {{L"NODE2", L"WS7"}, {L"NODE1", L"NODE2"}}}}},
    {__LINE__, kBackup, L"WS7", 1,
     {{{{true, L"NODE1", L"NODE2"}, {true, L"NODE2", L"WS7"}}, nullptr,
       {{L"NODE2", L"WS7"}, {L"NODE1", L"NODE2"}}}}},
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"WS7"}, {false, L"SEC1", L"SEC2"}, {false, L"SEC2", L"SEC9"}},
       kTakesSecondary,
       {{L"NODE1", L"WS7"}, {L"SEC2", L"SEC9"}, {L"SEC1", L"SEC2"}}}}},
    {__LINE__, kBackup, L"WS7", 1,
     {{{{true, L"NODE1", L"WS7"}, {false, L"SEC1", L"SEC2"}, {false, L"SEC2", L"SEC9"}}, nullptr,
       {{L"NODE1", L"WS7"}, {L"SEC2", L"SEC9"}, {L"SEC1", L"SEC2"}}}}},
    // A name that both a primary and a secondary node had: the primary message.
    {__LINE__,
     {{L"NODE1", true}, {L"NODE2", true}, {L"SEC1", false}, {L"NODE2", false}},
     L"WS7",
     0,
     {{{{true, L"NODE1", L"WS7"},
        {true, L"NODE2", L"P2"},
        {false, L"NODE2", L"S2"},
        {false, L"SEC1", L"NODE2"}},
       kTakesPrimary,
       {{L"NODE2", L"P2"}, {L"NODE1", L"WS7"}, {L"NODE2", L"S2"}, {L"SEC1", L"NODE2"}}}}},
    {__LINE__, {{L"SEC1", false}, {L"SEC2", false}}, L"WS7", 0, {{{}, kNotOnPrimary, {}}}},
    {__LINE__, {}, L"WS7", 0, {{{}, kNotOnPrimary, {}}}},
    // An unreadable computer name leaves the single primary row empty; that
    // must not pass for this computer.
    {__LINE__, kSinglePrimary, L"", 0, {{{}, kNotOnPrimary, {{L"NODE1", L""}}}}},
    // Refused, then corrected: only the corrected pairs stay.
    {__LINE__, kBackup, L"WS7", 0,
     {{{{true, L"NODE1", L"WS7"}, {true, L"NODE2", L"WS7"}}, kDuplicate,
       {{L"NODE2", L"WS7"}, {L"NODE1", L"WS7"}}},
      {{{true, L"NODE2", L"NODE2"}}, nullptr, {{L"NODE1", L"WS7"}}}}},
};

// Apply is stopped by the restore service's error right after the choices
// went over, so that the mapping it hands on can be read there.
class NodeMappingRules : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    session.Allow({"GetBackupDependency", "GetSystemPaths", "GetNewSystemName"});
    restore.error = L"Stopped by the test.";
  }
  void TearDown() override {
    restore.callbacks = nullptr;  // the page's, which must go with the page
    PageFixture::TearDown();
  }

  restore_fakes::FakeSystemRestore restore;
  restore_fakes::RegisteredClass restoreClass{
      CLSID_ZelSystemRestore, [this] { return static_cast<IZelSystemRestore*>(&restore); }};
};

TEST_F(NodeMappingRules, VerdictMessageAndPairsForEachMapping) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    session.nodes = c.nodes;
    session.createNewSystemId = c.createNewSystemId;
    session.pairs = {{L"STALE", L"PAIR"}};
    machine.computerName = c.computer;
    Enter();
    int step = 0;
    for (const Attempt& attempt : c.attempts) {
      SCOPED_TRACE(testing::Message() << "attempt " << ++step);
      for (const Edit& rename : attempt.renames)
        Rename(rename.primary ? primary : secondary, rename.original, rename.name);
      EXPECT_EQ(attempt.message ? 0 : 1, Validate());
      EXPECT_EQ(attempt.message ? attempt.message : L"<null>", ValidationMessage());
      EXPECT_EQ(attempt.pairs, session.pairs);

      // What Apply hands on: the new names with the ids of their rows.
      EXPECT_EQ(S_OK, page->Apply());
      ASSERT_EQ(attempt.pairs.size(), restore.mappedNames.size());
      ASSERT_EQ(attempt.pairs.size(), restore.mappedIds.size());
      for (size_t k = 0; k < attempt.pairs.size(); ++k) {
        EXPECT_EQ(attempt.pairs[k].second, restore.mappedNames[k]);
        const ObjectId id = restore.mappedIds[k];
        const size_t index = id.Data1 - NodeId(0).Data1;
        ASSERT_LT(index, c.nodes.size());
        EXPECT_EQ(attempt.pairs[k].first, c.nodes[index].name);
      }
    }
  }
}

TEST(NodeMapping, FlagIsAskedOnlyWhenTheLastRuleIsReached) {
  const std::vector<nodes::NodeRow> primaries = {{L"WS7", L"NODE1", NodeId(0)}};
  int asked = 0;
  const auto flag = [&] {
    ++asked;
    return false;
  };
  EXPECT_EQ(nodes::MappingVerdict::NotOnPrimaryNode,
            nodes::NodeMapping(primaries, {}).Check(L"WS8", flag));
  EXPECT_EQ(0, asked);
  EXPECT_EQ(nodes::MappingVerdict::Accepted, nodes::NodeMapping(primaries, {}).Check(L"WS7", flag));
  EXPECT_EQ(1, asked);
}

TEST(NodeMapping, NamesCompareCaseSensitivelyAndMissingTextIsEmpty) {
  EXPECT_FALSE(nodes::SameName(L"NODE1", L"node1"));
  EXPECT_TRUE(nodes::SameName(L"NODE1", L"NODE1"));
  EXPECT_TRUE(nodes::IsEmptyName(nullptr));
  EXPECT_TRUE(nodes::IsEmptyName(L""));
  EXPECT_FALSE(nodes::IsEmptyName(L"A"));
  // Duplicates under the comparison count once, whatever their position.
  const std::vector<nodes::NodeRow> rows = {{L"WS7", L"A", NodeId(0)},
                                            {L"B", L"B", NodeId(1)},
                                            {L"WS7", L"C", NodeId(2)}};
  EXPECT_EQ(nodes::MappingVerdict::DuplicateName,
            nodes::NodeMapping(rows, {}).Check(L"WS7", [] { return true; }));
}

}  // namespace
}  // namespace nodes_test

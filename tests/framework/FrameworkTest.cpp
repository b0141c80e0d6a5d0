// Apply against the reference services of ZelFramework.dll, registered in
// the prefix for the test, over backups written to a temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Components.h"
#include "RestoreFakes.h"
#include "TestSupport.h"
#include "comlib/Unique.h"

namespace {

using namespace restore_fakes;
using testing_support::FakeMachine;
using testing_support::TempDir;

const wchar_t kFaults[] = L"Software\\Ondrel\\ZelFramework\\Faults";
const wchar_t kSystems[] = L"Software\\Ondrel\\ZelFramework\\Systems";
// The reference helper that copies a service's backup files.
const GUID kFileHelper = {0xD3A5F0B2, 0x6C1E, 0x4B8A, {0x9F, 0x27, 0x3E, 0x5C, 0x8A, 0x1B, 0x7D, 0x40}};
const char kNode1[] = "{11111111-2222-3333-4444-555555555555}";
const char kSec1[] = "{11111111-2222-3333-4444-666666666666}";

using testing_support::Narrow;

class FrameworkTest : public ::testing::Test, public ApplyHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, registration.status());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFaults);
    const std::string helper = Narrow(GuidText(kFileHelper));
    const std::string system = std::string("<SYSTEM SystemName=\"PLANT\"><NODE NodeName=\"NODE1\" NodeId=\"") +
                               kNode1 + "\"/><NODE NodeName=\"SEC1\" NodeId=\"" + kSec1 +
                               "\"/><RESTORENODE NodeId=\"" + kNode1 + "\" ProjectDataPath=\"C:\\P\"/></SYSTEM>";
    const std::string service = "<SERVICE Name=\"Files\" Id=\"" + std::string(kSec1) + "\" HelperId=\"" +
                                helper + "\" BackupPath=\"x\"/>";
    backups.WriteFile(L"Mon\\BackupInfo.xml", "<BACKUP Name=\"Mon\">" + service + system + "</BACKUP>");
    backups.WriteFile(L"Mon\\" + GuidText(kFileHelper) + L"\\a.dat", "old");
    backups.WriteFile(L"Mon\\" + GuidText(kFileHelper) + L"\\sub\\b.dat", "only in Mon");
    backups.WriteFile(L"Tue\\BackupInfo.xml", "<BACKUP Name=\"Tue\">" + service + system + "</BACKUP>");
    backups.WriteFile(L"Tue\\" + GuidText(kFileHelper) + L"\\a.dat", "new");
    session.dependency = {backups / L"Tue\\BackupInfo.xml", backups / L"Mon\\BackupInfo.xml"};
    session.restoreInfo.backupPath = backups / L"Tue\\BackupInfo.xml";
    session.systemDataPath = targets / L"Project";
    session.serverDataPath = targets / L"Server";
    session.serverData2Path = targets / L"Server2";
    session.workplaceDataPath = targets / L"Workplace";
    session.services = {{L"Files", kFileHelper, true}};
    ObjectId node1;
    ::IIDFromString(L"{11111111-2222-3333-4444-555555555555}", reinterpret_cast<GUID*>(&node1));
    mappedIds = {node1};
    mappedNames = {comlib::Bstr(L"WS7")};
  }
  ~FrameworkTest() override {
    state.restore = nullptr;
    state.binding = nullptr;
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFaults);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSystems, L"TempBackupPath");
  }

  void SetFault(const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFaults, name, REG_DWORD, &value, sizeof value);
  }
  void SetFault(const wchar_t* name, const std::wstring& text) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFaults, name, REG_SZ, text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  size_t Count(const SinkLine& line) const {
    return static_cast<size_t>(std::count(sink.lines.begin(), sink.lines.end(), line));
  }

  testing_support::RegistryLock lock;
  testing_support::ScopedRegistration registration{
      testing_support::BuildPath(L"framework\\ZelFramework.dll")};
  FakeMachine machine;
  TempDir backups;
  TempDir targets;
};

TEST_F(FrameworkTest, RestoresTheSystemAndItsServiceOnDisk) {
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_FALSE(machine.hung);
  EXPECT_TRUE(machine.boxes.empty());
  for (const SinkLine& line : sink.lines) EXPECT_EQ(0, line.kind) << Narrow(line.text);
  EXPECT_EQ(1u, Count({0, L"The first phase of the restore has ended"}));
  EXPECT_EQ(1u, Count({0, L"Files, Restoring part1 of2"}));
  EXPECT_EQ(1u, Count({0, L"Files, Restoring part2 of2"}));
  EXPECT_EQ(60000u, machine.pausedMs);

  for (const wchar_t* folder : {L"Project", L"Server", L"Server2", L"Workplace"})
    EXPECT_TRUE(testing_support::FileExists(targets / folder)) << Narrow(folder);
  const std::string description =
      testing_support::ReadFileUtf8(targets / L"Project\\RestoredSystem.xml");
  EXPECT_NE(std::string::npos, description.find("SystemName=\"PLANT\"")) << description;
  EXPECT_NE(std::string::npos, description.find(Narrow(L"ServerDataPath=\"" + session.serverDataPath.str() + L"\"")));
  EXPECT_NE(std::string::npos,
            description.find(std::string("NodeName=\"WS7\" NodeId=\"") + kNode1 + "\" OriginalName=\"NODE1\" Primary=\"1\""))
      << description;
  EXPECT_NE(std::string::npos, description.find("NodeName=\"SEC1\"")) << description;

  // Root part first, so the newer part's file wins.
  const std::wstring restored = targets / (L"Project\\Services\\" + GuidText(kFileHelper));
  EXPECT_EQ("new", testing_support::ReadFileUtf8(restored + L"\\a.dat"));
  EXPECT_EQ("only in Mon", testing_support::ReadFileUtf8(restored + L"\\sub\\b.dat"));

  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_LOCAL_MACHINE, kSystems, L"TempBackupPath",
                                          RRF_RT_REG_SZ, nullptr, value, &size));
  EXPECT_EQ(backups / L"Tue", value);
}

TEST_F(FrameworkTest, NewSystemIdAndNameReachTheDescription) {
  session.createNewSystemId = 1;
  session.newSystemName = L"PLANT2";
  EXPECT_EQ(S_OK, Apply());
  const std::string description =
      testing_support::ReadFileUtf8(targets / L"Project\\RestoredSystem.xml");
  EXPECT_NE(std::string::npos, description.find("SystemName=\"PLANT2\"")) << description;
  EXPECT_EQ(std::string::npos, description.find("SystemId=\"\"")) << description;
}

struct ServiceStop {
  const char* name;
  std::function<void(FrameworkTest*)> arrange;
  std::wstring text;
  std::wstring caption;
};

class FrameworkStops : public FrameworkTest, public ::testing::WithParamInterface<int> {
 public:
  using FrameworkTest::SetFault;
  TempDir& Backups() { return backups; }
  FakeMachine& Machine() { return machine; }
};

const ServiceStop kServiceStops[] = {
    {"UnreadablePart",
     [](FrameworkTest* t) { ::DeleteFileW((static_cast<FrameworkStops*>(t)->Backups() / L"Mon\\BackupInfo.xml").c_str()); },
     L"Failed to load backupfiles", L"Failed to load backupfiles"},
    {"ErrorFault", [](FrameworkTest* t) { static_cast<FrameworkStops*>(t)->SetFault(L"Error", std::wstring(L"Licence missing.")); },
     L"Licence missing.", L"Error"},
    {"WarningFaultAnsweredNo",
     [](FrameworkTest* t) {
       static_cast<FrameworkStops*>(t)->SetFault(L"Warning", std::wstring(L"Old backup."));
       static_cast<FrameworkStops*>(t)->Machine().boxAnswers = {IDNO};
     },
     L"Old backup.\n\nDo you wish to continue?", L"Warning"},
    {"NotReadyFault", [](FrameworkTest* t) { static_cast<FrameworkStops*>(t)->SetFault(L"NotReady", 1); },
     L"Not ready to restore", L"Not ready to restore"},
    {"StartFault", [](FrameworkTest* t) { static_cast<FrameworkStops*>(t)->SetFault(L"StartFails", 1); },
     L"Failed to Start backup", L"Failed to Start backup"},
};

TEST_P(FrameworkStops, StopWithTheirBoxAndRestoreNothing) {
  const ServiceStop& c = kServiceStops[GetParam()];
  c.arrange(this);
  bool finished = true;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_FALSE(finished);
  ASSERT_EQ(1u, machine.boxes.size());
  EXPECT_EQ(c.text, machine.boxes[0].text);
  EXPECT_EQ(c.caption, machine.boxes[0].caption);
  EXPECT_FALSE(testing_support::FileExists(targets / L"Project"));
}

INSTANTIATE_TEST_SUITE_P(Reference, FrameworkStops,
                         ::testing::Range(0, static_cast<int>(std::size(kServiceStops))),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kServiceStops[info.param].name);
                         });

TEST_F(FrameworkTest, ExistingTargetIsNamedInTheError) {
  targets.MakeDir(L"Server2");
  EXPECT_EQ(S_OK, Apply());
  ASSERT_EQ(1u, machine.boxes.size());
  EXPECT_EQ(L"The directory " + session.serverData2Path.str() + L" already exists.", machine.boxes[0].text);
}

TEST_F(FrameworkTest, MappingOfAnUnknownNodeIsRefused) {
  mappedIds[0].Data1 = 0x99;
  EXPECT_EQ(S_OK, Apply());
  ASSERT_EQ(1u, machine.boxes.size());
  EXPECT_EQ(L"Error", machine.boxes[0].caption);
  EXPECT_NE(std::wstring::npos, machine.boxes[0].text.find(L"not in the backup"));
}

TEST_F(FrameworkTest, FailingStartsAreRetried) {
  SetFault(L"StartRestoreFailures", 2);
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(4u, Count({0, L"Trying to Start Restore"}));  // two per part
  EXPECT_EQ(60000u + 4 * 10000u, machine.pausedMs);
  EXPECT_EQ("new", testing_support::ReadFileUtf8(
                       targets / (L"Project\\Services\\" + GuidText(kFileHelper) + L"\\a.dat")));
}

TEST_F(FrameworkTest, EndsAnnouncedInsideTheStartCallsDoNotHang) {
  SetFault(L"CompleteInsideStart", 1);
  machine.hangLimitMs = 3000;
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_FALSE(machine.hung);
  EXPECT_EQ(1u, Count({0, L"The first phase of the restore has ended"}));
}

TEST_F(FrameworkTest, NoKeyPathIsReported) {
  SetFault(L"NoKeyPath", 1);
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, nullptr, L"TempBackupPath");
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(1u, Count({2, L"Failed to write restore path to registry"}));
  wchar_t value[MAX_PATH];
  DWORD size = sizeof value;
  EXPECT_NE(ERROR_SUCCESS, ::RegGetValueW(HKEY_LOCAL_MACHINE, nullptr, L"TempBackupPath",
                                          RRF_RT_ANY, nullptr, value, &size));
  EXPECT_EQ(1u, Count({0, L"The first phase of the restore has ended"}));
}

// --- a restore that fails takes back what it made ------------------------------

// Every path below folder, relative, sorted.
std::vector<std::wstring> Tree(const std::wstring& folder, const std::wstring& relative = L"") {
  std::vector<std::wstring> paths;
  WIN32_FIND_DATAW data;
  const std::wstring base = relative.empty() ? folder : folder + L"\\" + relative;
  const comlib::UniqueFind find(::FindFirstFileW((base + L"\\*").c_str(), &data));
  if (!find) return paths;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
    paths.push_back(child);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const std::vector<std::wstring> below = Tree(folder, child);
      paths.insert(paths.end(), below.begin(), below.end());
    }
  } while (::FindNextFileW(find.get(), &data));
  std::sort(paths.begin(), paths.end());
  return paths;
}

// A directory beneath a file cannot be made: the phase fails there, after
// it made the directories before it, and after parents of its own.
TEST_F(FrameworkTest, FailedFirstPhaseLeavesExactlyWhatWasThereBefore) {
  struct Row {
    const char* name;
    const wchar_t* server;
    const wchar_t* server2;
    const wchar_t* project;
    const wchar_t* workplace;
  };
  const Row rows[] = {
      {"the second of four fails", L"Plant\\Server", L"Blocker\\Server2", L"Plant\\Project", L"Plant\\Workplace"},
      {"the last of four fails", L"Plant\\Project\\Server", L"Plant\\Project\\Server2", L"Plant\\Project",
       L"Blocker\\Workplace"},
      {"beside folders that were there", L"Kept\\New\\Server", L"Kept\\New\\Server2", L"Kept\\Project",
       L"Blocker\\Deep\\Workplace"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir place;
    place.WriteFile(L"Blocker", "a file, not a folder");
    place.WriteFile(L"Kept\\note.txt", "was here before");
    const std::vector<std::wstring> before = Tree(place.path());
    session.serverDataPath = place / row.server;
    session.serverData2Path = place / row.server2;
    session.systemDataPath = place / row.project;
    session.workplaceDataPath = place / row.workplace;
    sink.lines.clear();
    bool finished = true;
    const HRESULT hr = Apply(&finished);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_FALSE(finished);
    EXPECT_TRUE(machine.boxes.empty());
    EXPECT_EQ(before, Tree(place.path()));
    EXPECT_EQ(0u, Count({0, L"Files, Restoring part1 of2"}));
    std::vector<std::wstring> errors;
    for (const SinkLine& line : sink.lines)
      if (line.kind == 2) errors.push_back(line.text);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(0u, errors[0].find(L"The restore failed: the first phase ended with ")) << Narrow(errors[0]);
    EXPECT_NE(std::wstring::npos, errors[0].find(L"(0x8007")) << Narrow(errors[0]);
    EXPECT_NE(std::wstring::npos, errors[0].find(L"removed " + place.path())) << Narrow(errors[0]);
  }
}

// A part that fails takes back the files it made; what the earlier part
// restored stays, and Apply fails.
TEST_F(FrameworkTest, FailedServicePartRemovesItsNewFilesAndFailsTheApply) {
  // Tue's file "sub" cannot replace the folder "sub" that Mon restored.
  backups.WriteFile(L"Tue\\" + GuidText(kFileHelper) + L"\\c.dat", "new in Tue");
  backups.WriteFile(L"Tue\\" + GuidText(kFileHelper) + L"\\sub", "a file where Mon has a folder");
  bool finished = true;
  const HRESULT hr = Apply(&finished);
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  EXPECT_FALSE(finished);
  const std::wstring restored = targets / (L"Project\\Services\\" + GuidText(kFileHelper));
  EXPECT_EQ("only in Mon", testing_support::ReadFileUtf8(restored + L"\\sub\\b.dat"));
  EXPECT_FALSE(testing_support::FileExists(restored + L"\\c.dat"));
  std::vector<std::wstring> errors;
  for (const SinkLine& line : sink.lines)
    if (line.kind == 2) errors.push_back(line.text);
  ASSERT_EQ(1u, errors.size());
  EXPECT_EQ(0u, errors[0].find(L"The restore failed: part 2 of 2 of Files ended with ")) << Narrow(errors[0]);
  EXPECT_NE(std::wstring::npos, errors[0].find(L"(0x8007")) << Narrow(errors[0]);
}

}  // namespace

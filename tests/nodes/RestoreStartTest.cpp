#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <regex>

#include "RestoreFakes.h"
#include "TestSupport.h"
#include "comlib/Unique.h"
#include "nodes/RestoreFailure.h"
#include "nodes/RestorePropertyPage2.h"

namespace {

using namespace restore_fakes;
using testing_support::FakeMachine;
using testing_support::TempDir;

// Helper classes of the test: one registered, one never registered.
const GUID kHelper = {0x5A1E7C10, 0x2B3D, 0x4E5F, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
const GUID kMissingHelper = {0x5A1E7C11, 0x2B3D, 0x4E5F, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x78}};
const wchar_t kTestKeys[] = L"Software\\RestorePlugInTests";

std::wstring NewKeyPath() {
  GUID g;
  ::CoCreateGuid(&g);
  return std::wstring(kTestKeys) + L"\\" + GuidText(g);
}

// The value, or "(none)".
std::wstring ReadTempBackupPath(const std::wstring& keyPath, DWORD* type = nullptr,
                                DWORD* bytes = nullptr) {
  wchar_t data[512] = {};
  DWORD size = sizeof data;
  DWORD kind = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.empty() ? nullptr : keyPath.c_str(),
                     L"TempBackupPath", RRF_RT_ANY, &kind, data, &size) != ERROR_SUCCESS)
    return L"(none)";
  if (type) *type = kind;
  if (bytes) *bytes = size;
  return data;
}

// The fake machine, and callbacks that come one wait round later: each is
// posted only when a wait for a handle finds the handle not set and nothing
// queued, so it arrives after the wait has looked at its handle again.
class RoundMachine : public FakeMachine {
 public:
  std::deque<std::function<void()>> later;
  DWORD MsgWait(DWORD count, const HANDLE* handles, DWORD timeoutMs) override {
    if (count == 1 && timeoutMs == INFINITE && !later.empty()) {
      if (::WaitForSingleObject(handles[0], 0) == WAIT_OBJECT_0) return WAIT_OBJECT_0;
      MSG queued;
      if (!::PeekMessageW(&queued, nullptr, 0, 0, PM_NOREMOVE)) {
        Post(std::move(later.front()));
        later.pop_front();
      }
    }
    return FakeMachine::MsgWait(count, handles, timeoutMs);
  }
};

class RestoreStartTest : public ::testing::Test, public ApplyHarness {
 protected:
  ~RestoreStartTest() override {
    // The fakes go before the state that points at them.
    state.restore = nullptr;
    state.binding = nullptr;
    restore.callbacks = nullptr;
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKeys);  // only when no other test holds a key
  }

  size_t ProgressCount(const std::wstring& text) const {
    const auto lines = sink.Progress();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
  }
  std::vector<std::wstring> PartLines() const {
    std::vector<std::wstring> out;
    for (const std::wstring& line : sink.Progress())
      if (line.find(L", Restoring part") != std::wstring::npos) out.push_back(line);
    return out;
  }

  RoundMachine machine;
  FakeSystemRestore restore;
  FakeBinding binding;
  FakeHelper helper;
  FakeSettings settings;
  bool restoreCreatable = true;
  bool settingsCreatable = true;
  RegisteredClass restoreClass{CLSID_ZelSystemRestore, [this]() -> IUnknown* {
                                 return restoreCreatable ? static_cast<IZelSystemRestore*>(&restore) : nullptr;
                               }};
  RegisteredClass bindingClass{CLSID_ZelServiceBinding, [this] { return static_cast<IZelServiceBinding*>(&binding); }};
  RegisteredClass helperClass{kHelper, [this] { return static_cast<IServiceRestoreHelper*>(&helper); }};
  RegisteredClass settingsClass{CLSID_ZelSystemSettings, [this]() -> IUnknown* {
                                  return settingsCreatable ? static_cast<IZelSystemSettings*>(&settings) : nullptr;
                                }};
  std::wstring keyPath = NewKeyPath();

  void SetUp() override { settings.keyPath = keyPath; }
};

// --- conditions that stop the start ----------------------------------------

struct StopCase {
  const char* name;
  std::function<void(RestoreStartTest*, FakeSystemRestore&, FakeMachine&, bool& creatable)> arrange;
  std::wstring text;
  std::wstring caption;
  UINT type;
  bool started;
};

class StopConditions : public RestoreStartTest, public ::testing::WithParamInterface<int> {};

const StopCase kStops[] = {
    {"NoRestoreService", [](auto*, auto&, auto&, bool& creatable) { creatable = false; },
     L"Failed to create the system restore service", L"Failed to create the system restore service", MB_OK, false},
    {"LoadFails", [](auto*, FakeSystemRestore& r, auto&, bool&) { r.loadStatus = E_FAIL; },
     L"Failed to load backupfiles", L"Failed to load backupfiles", MB_OK, false},
    {"LoadAnswersFalse", [](auto*, FakeSystemRestore& r, auto&, bool&) { r.loadStatus = S_FALSE; },
     L"Failed to load backupfiles", L"Failed to load backupfiles", MB_OK, false},
    {"WarningAnsweredNo",
     [](auto*, FakeSystemRestore& r, FakeMachine& m, bool&) {
       r.warning = L"Drive D: is nearly full.";
       m.boxAnswers = {IDNO};
     },
     L"Drive D: is nearly full.\n\nDo you wish to continue?", L"Warning", MB_YESNO | MB_DEFBUTTON2, false},
    {"Error", [](auto*, FakeSystemRestore& r, auto&, bool&) { r.error = L"Target exists."; },
     L"Target exists.", L"Error", MB_OK, false},
    {"NotReady", [](auto*, FakeSystemRestore& r, auto&, bool&) { r.ready = 0; },
     L"Not ready to restore", L"Not ready to restore", MB_OK, false},
    {"StartFails", [](auto*, FakeSystemRestore& r, auto&, bool&) { r.startStatus = E_FAIL; },
     L"Failed to Start backup", L"Failed to Start backup", MB_OK, true},
};

TEST_P(StopConditions, ShowOneBoxWithoutOwnerAndStartNothing) {
  const StopCase& c = kStops[GetParam()];
  SCOPED_TRACE(c.name);
  c.arrange(this, restore, machine, restoreCreatable);
  bool finished = true;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_FALSE(finished);
  ASSERT_EQ(1u, machine.boxes.size());
  EXPECT_EQ(nullptr, machine.boxes[0].owner);
  EXPECT_EQ(c.text, machine.boxes[0].text);
  EXPECT_EQ(c.caption, machine.boxes[0].caption);
  EXPECT_EQ(c.type, machine.boxes[0].type);
  EXPECT_EQ(c.started ? 1u : 0u, restore.Count(L"Start"));
  EXPECT_EQ(0u, restore.Count(L"Finish"));
  EXPECT_TRUE(sink.lines.empty());
  EXPECT_EQ(L"(none)", ReadTempBackupPath(keyPath));
  EXPECT_EQ(0u, machine.pausedMs);
}

INSTANTIATE_TEST_SUITE_P(Apply, StopConditions, ::testing::Range(0, static_cast<int>(std::size(kStops))),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kStops[info.param].name);
                         });

TEST_F(RestoreStartTest, WarningAnsweredYesGoesOnToTheErrorBox) {
  restore.warning = L"Only 2 MB left on C:.";
  restore.error = L"C:\\Restored\\Server exists.";
  machine.boxAnswers = {IDYES};
  EXPECT_EQ(S_OK, Apply());
  ASSERT_EQ(2u, machine.boxes.size());
  EXPECT_EQ(L"Only 2 MB left on C:.\n\nDo you wish to continue?", machine.boxes[0].text);
  EXPECT_EQ(L"Warning", machine.boxes[0].caption);
  EXPECT_EQ(L"C:\\Restored\\Server exists.", machine.boxes[1].text);
  EXPECT_EQ(L"Error", machine.boxes[1].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), machine.boxes[1].type);
  EXPECT_EQ(0u, restore.Count(L"Start"));
}

TEST_F(RestoreStartTest, WarningAnsweredYesStartsTheRestore) {
  restore.warning = L"Only 2 MB left on C:.";
  machine.boxAnswers = {IDYES};
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_EQ(1u, machine.boxes.size());
  EXPECT_EQ(1u, restore.Count(L"Start"));
}

// --- what the restore service is given ----------------------------------------

TEST_F(RestoreStartTest, PartDirectoriesRunFromTheRootAndCarryTheirNodeContainers) {
  TempDir dir;
  // Selected backup: current layout, the last SYSTEM element holds the nodes.
  dir.WriteFile(L"Wed\\BackupInfo.xml",
                "<BACKUP Name=\"Wed\"><SYSTEM SystemName=\"First\"/><!-- note -->"
                "<SERVICE Name=\"A\" Id=\"\" HelperId=\"\" BackupPath=\"x\"/>"
                "<SYSTEM SystemName=\"Second\"><NODE NodeName=\"N1\"/></SYSTEM></BACKUP>");
  // Its parent: legacy layout, the document element is the container.
  dir.WriteFile(L"Tue\\BackupInfo.xml", "<ROOT SystemName=\"Legacy\"><NODE NodeName=\"N1\"/></ROOT>");
  // The root of the chain has lost its file.
  dir.MakeDir(L"Mon");
  session.dependency = {dir / L"Wed\\BackupInfo.xml", dir / L"Tue\\BackupInfo.xml",
                        dir / L"Mon\\BackupInfo.xml"};
  EXPECT_EQ(S_OK, Apply());
  const std::vector<std::wstring> expectedDirs = {dir / L"Mon\\", dir / L"Tue\\", dir / L"Wed\\"};
  EXPECT_EQ(expectedDirs, restore.directories);
  const std::vector<std::wstring> expectedElements = {L"|", L"ROOT|Legacy", L"SYSTEM|Second"};
  EXPECT_EQ(expectedElements, restore.elementTags);
}

TEST_F(RestoreStartTest, NamedBackupWithoutSystemElementPassesAnEmptyElement) {
  TempDir dir;
  dir.WriteFile(L"Wed\\BackupInfo.xml", "<BACKUP Name=\"Wed\"><OTHER/></BACKUP>");
  session.dependency = {dir / L"Wed\\BackupInfo.xml"};
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(std::vector<std::wstring>{L"|"}, restore.elementTags);
}

TEST_F(RestoreStartTest, EmptyMappingPassesTwoZerosAndTwoNullArrays) {
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(1u, restore.Count(L"SetNodeMappings(0,0)"));
  EXPECT_EQ(0u, restore.mappingIds);
  EXPECT_EQ(0u, restore.mappingNames);
}

TEST_F(RestoreStartTest, MappingPassesIdsAndNewNamesInOrder) {
  ObjectId a = {}, b = {};
  a.Data1 = 1;
  b.Data1 = 2;
  mappedIds = {a, b};
  mappedNames = {comlib::Bstr(L"WS7"), comlib::Bstr(L"WS8")};
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(1u, restore.Count(L"SetNodeMappings(2,2)"));
  ASSERT_EQ(2u, restore.mappedIds.size());
  EXPECT_EQ(1u, restore.mappedIds[0].Data1);
  EXPECT_EQ(2u, restore.mappedIds[1].Data1);
  EXPECT_EQ((std::vector<std::wstring>{L"WS7", L"WS8"}), restore.mappedNames);
}

std::vector<std::wstring> Between(const std::vector<std::wstring>& calls, const std::wstring& from,
                                  const std::wstring& to) {
  auto first = std::find_if(calls.begin(), calls.end(), [&](const std::wstring& c) { return c.rfind(from, 0) == 0; });
  auto last = std::find(first, calls.end(), to);
  return first == calls.end() ? std::vector<std::wstring>() : std::vector<std::wstring>(first + 1, last);
}

TEST_F(RestoreStartTest, PathsGoOverInOrderAndTheIdentityOnlyWhenANewIdIsWanted) {
  EXPECT_EQ(S_OK, Apply());
  const std::vector<std::wstring> sameId = {
      L"SetSystemDataPath(C:\\Restored\\Project)", L"SetServerDataPath(C:\\Restored\\Server)",
      L"SetServerData2Path(C:\\Restored\\Server2)", L"SetWorkplaceDataPath(C:\\Restored\\Workplace)"};
  EXPECT_EQ(sameId, Between(restore.calls, L"SetNodeMappings", L"GetWarning"));

  restore.calls.clear();
  session.createNewSystemId = 1;
  EXPECT_EQ(S_OK, Apply());
  const std::vector<std::wstring> newId = Between(restore.calls, L"SetNodeMappings", L"GetWarning");
  ASSERT_EQ(6u, newId.size());
  EXPECT_TRUE(std::regex_match(newId[4], std::wregex(LR"(SetSystemId\(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\))")))
      << std::string(newId[4].begin(), newId[4].end());
  EXPECT_EQ(L"SetSystemName(NEWSYS)", newId[5]);
}

// --- the restore path in the registry ----------------------------------------

TEST_F(RestoreStartTest, WritesTheSelectedBackupsFolderAsTempBackupPath) {
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  DWORD type = 0, bytes = 0;
  EXPECT_EQ(L"C:\\Backups\\Mon", ReadTempBackupPath(keyPath, &type, &bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(sizeof(L"C:\\Backups\\Mon"), bytes);  // the terminating zero counts
  for (const SinkLine& line : sink.lines) EXPECT_EQ(0, line.kind);
}

TEST_F(RestoreStartTest, FailingRegistryWriteIsReportedAndThePhaseStillRuns) {
  // A key name part over 256 characters cannot be created.
  settings.keyPath = keyPath + L"\\" + std::wstring(300, L'k');
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  ASSERT_FALSE(sink.lines.empty());
  EXPECT_EQ((SinkLine{2, L"Failed to write restore path to registry"}), sink.lines.front());
  EXPECT_EQ(1u, ProgressCount(L"Phase one done"));
  EXPECT_EQ(L"Finish", restore.calls.back());
  EXPECT_FALSE(machine.hung);
}

struct NoKeyCase {
  const char* name;
  std::function<void(FakeSettings&, bool& creatable)> arrange;
};

class NoKeyPath : public RestoreStartTest, public ::testing::WithParamInterface<int> {};

const NoKeyCase kNoKeys[] = {
    {"EmptyAnswer", [](FakeSettings& s, bool&) { s.keyPath.clear(); }},
    {"NullAnswer", [](FakeSettings& s, bool&) { s.nullAnswer = true; }},
    {"CallFails", [](FakeSettings& s, bool&) { s.status = E_FAIL; }},
    {"NoSettingsObject", [](FakeSettings&, bool& creatable) { creatable = false; }},
};

// Never written into the root of HKEY_LOCAL_MACHINE.
TEST_P(NoKeyPath, IsReportedInsteadOfWritingIntoTheRootOfTheHive) {
  kNoKeys[GetParam()].arrange(settings, settingsCreatable);
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, nullptr, L"TempBackupPath");
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_EQ(L"(none)", ReadTempBackupPath(L""));
  EXPECT_EQ(1u, std::count(sink.lines.begin(), sink.lines.end(),
                           SinkLine{2, L"Failed to write restore path to registry"}));
  EXPECT_EQ(1u, ProgressCount(L"Phase one done"));
}

INSTANTIATE_TEST_SUITE_P(Apply, NoKeyPath, ::testing::Range(0, static_cast<int>(std::size(kNoKeys))),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kNoKeys[info.param].name);
                         });

TEST_F(RestoreStartTest, TextsWithoutBackslashDoNotBreakTheStart) {
  session.dependency = {L"BackupInfo.xml"};
  session.restoreInfo.backupPath = L"BackupInfo.xml";
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_EQ(std::vector<std::wstring>{L"BackupInfo.xml\\"}, restore.directories);
  EXPECT_EQ(L"(none)", ReadTempBackupPath(keyPath));
  EXPECT_EQ((SinkLine{2, L"Failed to write restore path to registry"}), sink.lines.front());
}

TEST_F(RestoreStartTest, EmptyDependencyPassesNoPartsAndNullArrays) {
  session.dependency.clear();
  EXPECT_EQ(S_OK, Apply());
  EXPECT_TRUE(restore.directoriesNull);
  EXPECT_TRUE(restore.elementTags.empty());
}

// --- the first phase --------------------------------------------------------

TEST_F(RestoreStartTest, BackupWithoutServicesFinishesAfterThePhaseWithoutPause) {
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_EQ((std::vector<std::wstring>{L"Restoring system", L"Phase one done"}), sink.Progress());
  EXPECT_EQ(L"Finish", restore.calls.back());
  EXPECT_EQ(1u, restore.Count(L"Finish"));
  EXPECT_EQ(0u, restore.Count(L"GetServiceHostClass"));
  EXPECT_EQ(0u, machine.pausedMs);
  EXPECT_FALSE(machine.hung);
}

TEST_F(RestoreStartTest, PhaseEndAnnouncedInsideStartDoesNotMakeApplyWait) {
  restore.completion = Completion::InsideStart;
  machine.hangLimitMs = 3000;
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_FALSE(machine.hung);
  EXPECT_EQ(std::vector<std::wstring>{L"Phase one done"}, sink.Progress());
}

// --- the service restore run -----------------------------------------------

class ServiceRunTest : public RestoreStartTest {
 protected:
  void SetUp() override {
    RestoreStartTest::SetUp();
    session.services = {{L"Alarm", kHelper, true}, {L"Trend", kHelper, false}, {L"Report", kHelper, true}};
    session.dependency = {L"D:\\B\\Wed\\BackupInfo.xml", L"D:\\B\\Tue\\BackupInfo.xml",
                          L"D:\\B\\Mon\\BackupInfo.xml"};
    restore.loadStatus = S_OK;
  }
};

TEST_F(ServiceRunTest, TwoCheckedServicesOverThreePartsRunPartByPart) {
  bool finished = false;
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  const std::vector<std::wstring> expected = {
      L"Restoring system", L"Phase one done",
      L"", L"***Starting to restore Services***", L"", L"Waiting...",
      L"Alarm, Restoring part1 of3", L"Copying", L"",
      L"Alarm, Restoring part2 of3", L"Copying", L"",
      L"Alarm, Restoring part3 of3", L"Copying", L"",
      L"Report, Restoring part1 of3", L"Copying", L"",
      L"Report, Restoring part2 of3", L"Copying", L"",
      L"Report, Restoring part3 of3", L"Copying", L""};
  EXPECT_EQ(expected, sink.Progress());
  EXPECT_EQ(60000u, machine.pausedMs);
  const std::wstring helperFolder = GuidText(kHelper);
  const std::vector<std::wstring> paths = {
      L"D:\\B\\Mon\\" + helperFolder, L"D:\\B\\Tue\\" + helperFolder, L"D:\\B\\Wed\\" + helperFolder,
      L"D:\\B\\Mon\\" + helperFolder, L"D:\\B\\Tue\\" + helperFolder, L"D:\\B\\Wed\\" + helperFolder};
  EXPECT_EQ(paths, helper.initialized);
  EXPECT_EQ(static_cast<IZelServiceBinding*>(&binding), helper.lastBinding);
  // The phase is finished once, before the binding is made.
  EXPECT_EQ(1u, restore.Count(L"Finish"));
  ASSERT_EQ(1u, binding.bound.size());
  EXPECT_EQ(L"{0B5C2C65-1F6E-4C0B-9E3A-7C1E2B4A5D60}", GuidText(binding.bound[0]));
  EXPECT_FALSE(machine.hung);
}

TEST_F(ServiceRunTest, NoCheckedServiceStillOpensAndPauses) {
  for (FakeService& s : session.services) s.checked = false;
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ((std::vector<std::wstring>{L"Restoring system", L"Phase one done", L"",
                                       L"***Starting to restore Services***", L"", L"Waiting..."}),
            sink.Progress());
  EXPECT_EQ(60000u, machine.pausedMs);
  EXPECT_EQ(0, helper.starts);
}

TEST_F(ServiceRunTest, TwoFailedStartsThenSuccessRetryAfterTenSecondsEach) {
  session.services = {{L"Alarm", kHelper, true}};
  session.dependency = {L"D:\\B\\Mon\\BackupInfo.xml"};
  helper.failuresLeft = 2;
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(2u, ProgressCount(L"Trying to Start Restore"));
  EXPECT_EQ(0u, ProgressCount(L"Failed to Start Restore"));
  EXPECT_EQ(3, helper.starts);
  EXPECT_EQ(60000u + 20000u, machine.pausedMs);
  EXPECT_EQ(1u, ProgressCount(L"Copying"));
}

TEST_F(ServiceRunTest, TenFailedStartsGiveUpAndGoOnWithTheNextPart) {
  session.services = {{L"Alarm", kHelper, true}};
  session.dependency = {L"D:\\B\\Tue\\BackupInfo.xml", L"D:\\B\\Mon\\BackupInfo.xml"};
  helper.failuresLeft = 10;
  // The part that never started fails the restore; the next part still runs.
  EXPECT_EQ(E_FAIL, Apply());
  std::vector<std::wstring> expected = {L"Alarm, Restoring part1 of2"};
  expected.insert(expected.end(), 10, L"Trying to Start Restore");
  expected.insert(expected.end(), {L"Failed to Start Restore", L"Alarm, Restoring part2 of2", L"Copying", L""});
  const std::vector<std::wstring> progress = sink.Progress();
  ASSERT_GE(progress.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::wstring>(progress.end() - expected.size(), progress.end()));
  EXPECT_EQ(11, helper.starts);
  EXPECT_EQ(60000u + 100000u, machine.pausedMs);
}

TEST_F(ServiceRunTest, PartEndAnnouncedInsideStartRestoreDoesNotMakeApplyWait) {
  session.services = {{L"Alarm", kHelper, true}};
  helper.completion = Completion::InsideStart;
  machine.hangLimitMs = 3000;
  EXPECT_EQ(S_OK, Apply());
  EXPECT_FALSE(machine.hung);
  EXPECT_EQ(3u, ProgressCount(L"Part done"));
  EXPECT_EQ(3, helper.starts);
}

// An end of the first phase that comes again, late, while a part is being
// waited for, must not end that wait: the part's own end does, and the next
// part starts only after it.
TEST_F(ServiceRunTest, LateFirstPhaseEndsDoNotCutAPartsWaitShort) {
  struct Case {
    const char* name;
    bool (*lateEndIn)(int start);  // the starts whose wait sees one
  };
  const Case cases[] = {
      {"once, in the first part's wait", [](int start) { return start == 1; }},
      {"in every part's wait", [](int) { return true; }},
      {"in the last part's wait", [](int start) { return start == 6; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.lines.clear();
    std::vector<std::wstring> log;
    helper.starts = 0;
    helper.onStart = [&](int start, IZelServiceRestoreCallbacks* callbacks) {
      log.push_back(L"start " + std::to_wstring(start));
      if (c.lateEndIn(start)) {
        comlib::ComPtr<IZelAsynchRestoreCallbacks> phase = restore.callbacks;
        Post([phase] { phase->OnCompleted(0, comlib::Bstr(L"Phase one done").get()); });
      }
      comlib::ComPtr<IZelServiceRestoreCallbacks> part(callbacks);
      machine.later.push_back([&log, part, start] {
        log.push_back(L"end " + std::to_wstring(start));
        part->OnCompleted(0, nullptr);
      });
    };
    EXPECT_EQ(S_OK, Apply());
    EXPECT_FALSE(machine.hung);
    EXPECT_TRUE(machine.later.empty());
    machine.later.clear();  // they hold this row's log
    std::vector<std::wstring> expected;
    for (int start = 1; start <= 6; ++start) {
      expected.push_back(L"start " + std::to_wstring(start));
      expected.push_back(L"end " + std::to_wstring(start));
    }
    EXPECT_EQ(expected, log);
    EXPECT_EQ(6u, PartLines().size());
  }
}

TEST_F(ServiceRunTest, SecondApplyReusesTheBinding) {
  EXPECT_EQ(S_OK, Apply());
  restore.calls.clear();
  EXPECT_EQ(S_OK, Apply());
  EXPECT_EQ(2, restoreClass.created);
  EXPECT_EQ(1, bindingClass.created);
  EXPECT_EQ(1u, binding.bound.size());
  EXPECT_EQ(0u, restore.Count(L"GetServiceHostClass"));
  EXPECT_EQ(0u, restore.Count(L"Finish"));
  EXPECT_EQ(12, helper.starts);
}

TEST_F(ServiceRunTest, BindingThatFailsRestoresNothingAndIsTriedAgain) {
  binding.bindStatus = E_FAIL;
  bool finished = true;
  EXPECT_EQ(S_FALSE, Apply(&finished));
  EXPECT_FALSE(finished);
  EXPECT_EQ(0, helper.starts);
  EXPECT_EQ(0u, ProgressCount(L"***Starting to restore Services***"));
  EXPECT_EQ(0u, machine.pausedMs);
  EXPECT_EQ(E_FAIL, state.bindingStatus);

  binding.bindStatus = S_FALSE;  // non-negative: usable
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_EQ(2, bindingClass.created);
}

TEST_F(ServiceRunTest, UnparsableHostClassBindsTheNullClass) {
  restore.hostClass = L"not a class id";
  EXPECT_EQ(S_OK, Apply());
  ASSERT_EQ(1u, binding.bound.size());
  EXPECT_TRUE(::IsEqualGUID(GUID_NULL, binding.bound[0]));
}

TEST_F(ServiceRunTest, HelperThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
  session.services = {{L"Alarm", kMissingHelper, true}, {L"Report", kHelper, true}};
  session.dependency = {L"D:\\B\\Tue\\BackupInfo.xml", L"D:\\B\\Mon\\BackupInfo.xml"};
  bool finished = true;
  // Alarm was not restored, so the restore failed.
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Apply(&finished));
  EXPECT_FALSE(finished);
  const SinkLine error{2, L"Failed to create the restore helper of Alarm"};
  EXPECT_EQ(2u, std::count(sink.lines.begin(), sink.lines.end(), error));
  EXPECT_EQ((std::vector<std::wstring>{L"Alarm, Restoring part1 of2", L"Alarm, Restoring part2 of2",
                                       L"Report, Restoring part1 of2", L"Report, Restoring part2 of2"}),
            PartLines());
  EXPECT_EQ(2, helper.starts);
}

// --- a restore that fails says so ---------------------------------------------

// How the parts of the run end, for the table below.
enum class Parts { AllDone, FirstFails, LateRepeatedEnd, NeverStart };

struct OutcomeRow {
  long phaseEnd;  // the value the end of the first phase carries
  Parts parts;
};

std::string RowName(const OutcomeRow& row) {
  static const char* const names[] = {"all done", "the first fails", "a late repeated end", "never start"};
  char phase[16];
  snprintf(phase, sizeof phase, "0x%08lX", static_cast<unsigned long>(row.phaseEnd));
  return std::string("phase ends ") + phase + ", parts: " + names[static_cast<int>(row.parts)];
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

// One service over two parts. A failed first phase starts no part; a part
// that fails does not stop the other; only an end's failure status counts,
// and only the first end of the current start.
TEST_F(ServiceRunTest, OutcomeTellsWhetherThePhaseAndEveryPartRestored) {
  const HRESULT kDiskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);  // 0x80070070
  const long kPhaseEnds[] = {0, 1, 42, kDiskFull};  // only the last is a failure
  const Parts kParts[] = {Parts::AllDone, Parts::FirstFails, Parts::LateRepeatedEnd, Parts::NeverStart};
  for (long phaseEnd : kPhaseEnds) {
    for (Parts parts : kParts) {
      const OutcomeRow row{phaseEnd, parts};
      SCOPED_TRACE(RowName(row));
      RestoreState fresh;
      std::swap(state.binding, fresh.binding);  // each row binds anew
      sink.lines.clear();
      helper.starts = 0;
      helper.failuresLeft = 0;
      helper.onStart = nullptr;
      helper.endValue = nullptr;
      machine.later.clear();
      restore.endValue = phaseEnd;
      session.services = {{L"Alarm", kHelper, true}};
      session.dependency = {L"D:\\B\\Tue\\BackupInfo.xml", L"D:\\B\\Mon\\BackupInfo.xml"};
      comlib::ComPtr<IZelServiceRestoreCallbacks> first;
      switch (parts) {
        case Parts::AllDone: break;
        case Parts::FirstFails:
          helper.endValue = [](int start) { return start == 1 ? long{E_ACCESSDENIED} : 0L; };
          break;
        case Parts::NeverStart: helper.failuresLeft = 20; break;
        case Parts::LateRepeatedEnd:
          // The first start ends well, then says so again with a failure
          // while the second part is waited for; the second ends well.
          helper.onStart = [&](int start, IZelServiceRestoreCallbacks* callbacks) {
            comlib::ComPtr<IZelServiceRestoreCallbacks> own(callbacks);
            machine.later.push_back([own] { own->OnCompleted(0, comlib::Bstr(L"Part done").get()); });
            if (start == 1)
              machine.later.push_back([own] { own->OnCompleted(E_FAIL, comlib::Bstr(L"Part done again").get()); });
          };
          break;
      }
      const bool phaseFails = FAILED(phaseEnd);
      bool finished = true;
      const HRESULT hr = Apply(&finished);
      EXPECT_FALSE(machine.hung);
      EXPECT_TRUE(machine.later.empty()) << "an end was never delivered: a wait was cut short";

      std::vector<std::wstring> errors;
      for (const SinkLine& line : sink.lines)
        if (line.kind == 2) errors.push_back(line.text);
      // The framework's own texts stay progress lines.
      EXPECT_EQ(1u, std::count(sink.lines.begin(), sink.lines.end(), SinkLine{0, L"Phase one done"}));

      if (phaseFails) {
        EXPECT_EQ(kDiskFull, hr);
        EXPECT_FALSE(finished);
        EXPECT_EQ(0, helper.starts);
        EXPECT_TRUE(PartLines().empty());
        ASSERT_EQ(1u, errors.size());
        EXPECT_TRUE(StartsWith(errors[0], L"The restore failed: the first phase ended with "));
        EXPECT_NE(std::wstring::npos, errors[0].find(L"(0x80070070)"));
        EXPECT_NE(std::wstring::npos, errors[0].find(L"Phase one done"));
        continue;
      }
      EXPECT_EQ(2u, PartLines().size()) << "a failed part does not stop the next";
      switch (parts) {
        case Parts::AllDone:
        case Parts::LateRepeatedEnd:
          EXPECT_EQ(S_OK, hr);
          EXPECT_TRUE(finished);
          EXPECT_EQ(2, helper.starts);
          EXPECT_TRUE(errors.empty());
          break;
        case Parts::FirstFails:
          EXPECT_EQ(E_ACCESSDENIED, hr);
          EXPECT_FALSE(finished);
          EXPECT_EQ(2, helper.starts);
          ASSERT_EQ(1u, errors.size());
          EXPECT_TRUE(StartsWith(errors[0], L"The restore failed: part 1 of 2 of Alarm ended with "));
          EXPECT_NE(std::wstring::npos, errors[0].find(L"(0x80070005)"));
          break;
        case Parts::NeverStart:
          EXPECT_EQ(E_FAIL, hr);
          EXPECT_FALSE(finished);
          EXPECT_EQ(20, helper.starts);
          EXPECT_EQ(2u, ProgressCount(L"Failed to Start Restore"));
          ASSERT_EQ(2u, errors.size());
          EXPECT_TRUE(StartsWith(errors[1], L"The restore failed: part 2 of 2 of Alarm could not be started; "
                                            L"the last attempt answered "));
          EXPECT_NE(std::wstring::npos, errors[1].find(L"(0x80004005)"));
          break;
      }
    }
  }
  machine.later.clear();
}

// An end of an earlier Apply's first phase, announced late, must not end
// the wait of the next Apply's phase nor give it its status.
TEST_F(RestoreStartTest, LateEndOfAnEarlierApplysPhaseIsNotThisPhasesEnd) {
  EXPECT_EQ(S_OK, Apply());
  comlib::ComPtr<IZelAsynchRestoreCallbacks> earlier = restore.callbacks;
  restore.completion = Completion::Never;
  const long kFailure = E_FAIL;
  bool finished = true;
  machine.later.push_back([earlier, kFailure] { earlier->OnCompleted(kFailure, comlib::Bstr(L"late").get()); });
  machine.later.push_back([this] { restore.callbacks->OnCompleted(0, comlib::Bstr(L"now").get()); });
  EXPECT_EQ(S_OK, Apply(&finished));
  EXPECT_TRUE(finished);
  EXPECT_FALSE(machine.hung);
  EXPECT_TRUE(machine.later.empty());
  EXPECT_NE(earlier.Get(), restore.callbacks.Get());
}

// --- the page's Apply -------------------------------------------------------

class PageApplyTest : public ServiceRunTest {
 protected:
  void SetUp() override {
    ServiceRunTest::SetUp();
    ASSERT_EQ(S_OK, CRestorePropertyPage2::CreateInstance(nullptr, IID_IPropertyPage, page.PutVoid()));
    IUnknown* objects[] = {static_cast<IRestoreModule*>(&session)};
    ASSERT_EQ(S_OK, page->SetObjects(1, objects));
    comlib::ComPtr<IZelCWPropertyPageAdaption> adaption;
    ASSERT_EQ(S_OK, page.As(&adaption));
    ASSERT_EQ(S_OK, adaption->SetMessageSink(static_cast<IZelCWMessageSink*>(&sink)));
  }
  comlib::ComPtr<IPropertyPage> page;
};

// The page's own callbacks carry the ends into its waits.
TEST_F(PageApplyTest, RunsTheRestoreThroughThePagesCallbacks) {
  session.services = {{L"Alarm", kHelper, true}};
  session.dependency = {L"D:\\B\\Tue\\BackupInfo.xml", L"D:\\B\\Mon\\BackupInfo.xml"};
  EXPECT_EQ(S_OK, page->Apply());
  EXPECT_EQ(S_FALSE, page->IsPageDirty());
  EXPECT_FALSE(machine.hung);
  EXPECT_EQ((std::vector<std::wstring>{L"Restoring system", L"Phase one done", L"",
                                       L"***Starting to restore Services***", L"", L"Waiting...",
                                       L"Alarm, Restoring part1 of2", L"Copying", L"",
                                       L"Alarm, Restoring part2 of2", L"Copying", L""}),
            sink.Progress());
}

TEST_F(PageApplyTest, EndsAnnouncedInsideTheStartCallsDoNotMakeThePageWait) {
  session.services = {{L"Alarm", kHelper, true}};
  restore.completion = Completion::InsideStart;
  helper.completion = Completion::InsideStart;
  machine.hangLimitMs = 3000;
  EXPECT_EQ(S_OK, page->Apply());
  EXPECT_FALSE(machine.hung);
  EXPECT_EQ(1u, ProgressCount(L"Phase one done"));
  EXPECT_EQ(3u, ProgressCount(L"Part done"));
}

// The page's own callbacks carry the phase's status into Apply's answer.
TEST_F(PageApplyTest, FailedFirstPhaseIsApplysFailure) {
  session.services = {{L"Alarm", kHelper, true}};
  restore.endValue = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), page->Apply());
  EXPECT_EQ(0, helper.starts);
  ASSERT_FALSE(sink.lines.empty());
  EXPECT_EQ(2, sink.lines.back().kind);
}

TEST_F(PageApplyTest, BindingFailureAnswersFalse) {
  binding.bindStatus = E_FAIL;
  EXPECT_EQ(S_FALSE, page->Apply());
  EXPECT_EQ(0, helper.starts);
}

}  // namespace

namespace {

// The system's words go only with failures: a start that answered S_FALSE
// must not read as "Incorrect function".
TEST(RestoreFailureLines, NameTheStatusAndTheFrameworksWords) {
  EXPECT_EQ(L"The restore failed: part 1 of 3 of Alarm could not be started; the last attempt answered 0x00000001",
            nodes::PartNotStartedLine(L"Alarm", 1, 3, S_FALSE));
  EXPECT_EQ(L"The restore failed: the first phase ended with error 0x8BADF00D. Gone",
            nodes::PhaseFailedLine(static_cast<HRESULT>(0x8BADF00D), L"Gone"));
  EXPECT_EQ(L"The restore failed: part 2 of 2 of Trend ended with error 0x8BADF00D",
            nodes::PartFailedLine(L"Trend", 2, 2, static_cast<HRESULT>(0x8BADF00D), L""));
}

}  // namespace

// The wizard host run unattended against the registered module and the
// framework's reference components: tools from the component category,
// pages created with CoCreateInstance, Apply against the reference restore.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "Components.h"
#include "PlantAnswers.h"
#include "RestorePlugIn.h"
#include "TestSupport.h"
#include "Wizard.h"
#include "catalogue/Persistency.h"
#include "comlib/ClassFactory.h"
#include "comlib/ComPtr.h"
#include "directories/RestorePropertyPage3.h"
#include "nodes/RestorePropertyPage2.h"
#include "selection/RestorePropertyPage1.h"
#include "session/RestoreControl.h"
#include "session/RestoreModule.h"

namespace {

using host::Answers;
using host::Outcome;
using testing_support::TempDir;

const wchar_t kFaults[] = L"Software\\Ondrel\\ZelFramework\\Faults";
const wchar_t kSecurity[] = L"Software\\Ondrel\\ZelFramework\\Security";
const wchar_t kSystems[] = L"Software\\Ondrel\\ZelFramework\\Systems";
const wchar_t kFileHelper[] = L"{D3A5F0B2-6C1E-4B8A-9F27-3E5C8A1B7D40}";
const wchar_t kPageTitles[][32] = {L"Restore Selection", L"System Directories Selection",
                                   L"Node Configuration"};

using testing_support::Narrow;

std::wstring ThisComputer() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(buffer, &size) ? std::wstring(buffer, size) : std::wstring();
}

using testing_support::SamplesFolder;

class WizardRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, module.status());
    ASSERT_EQ(S_OK, framework.status());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFaults);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSecurity, L"Grant");
    Persistency().ReadPaths(&savedFolders);
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFaults);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSecurity, L"Grant");
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSystems, L"TempBackupPath");
    Persistency().WritePaths(savedFolders);
  }

  Answers Ordinary() const { return host_test::PlantCopy(targets); }

  Outcome Run(const Answers& answers) {
    host::RunOptions options;
    options.answers = answers;
    options.output = [this](const std::wstring& line) { output.push_back(line); };
    return host::RunWizard(options, &transcript);
  }

  std::string Output() const {
    std::string all;
    for (const auto& line : output) all += Narrow(line) + "\n";
    return all;
  }

  bool HasLine(long kind, const std::wstring& text) const {
    return std::find(transcript.progress.begin(), transcript.progress.end(), std::make_pair(kind, text)) !=
           transcript.progress.end();
  }

  testing_support::RegistryLock lock;
  testing_support::ScopedRegistration module{testing_support::BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  testing_support::ScopedRegistration framework{testing_support::BuildPath(L"framework\\ZelFramework.dll")};
  std::vector<comlib::Bstr> savedFolders;
  TempDir targets;
  host::Transcript transcript;
  std::vector<std::wstring> output;
};

TEST_F(WizardRun, RestoresTheSamplePlant) {
  ASSERT_EQ(Outcome::Restored, Run(Ordinary())) << Output();

  ASSERT_FALSE(transcript.tools.empty());
  const auto tool = std::find_if(transcript.tools.begin(), transcript.tools.end(),
                                 [](const host::ToolInfo& t) { return t.name == L"Restore System"; });
  ASSERT_NE(transcript.tools.end(), tool);
  EXPECT_EQ(L"Restores a saved system", tool->description);
  EXPECT_EQ(1250, tool->order);
  EXPECT_TRUE(tool->permitted);
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestoreControl, tool->clsid));

  ASSERT_EQ(3u, transcript.pages.size()) << Output();
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(kPageTitles[i], transcript.pages[i]);
  EXPECT_TRUE(transcript.refusals.empty());
  EXPECT_TRUE(transcript.problems.empty());
  EXPECT_TRUE(transcript.boxes.empty()) << Output();

  const std::wstring& summary = transcript.summary;
  EXPECT_EQ(0u, summary.find(L"***Summary info of selections***\r\n SystemName:\tPlant North Copy\r\n")) << Output();
  EXPECT_NE(std::wstring::npos, summary.find(L" BackupName:\tPlant 2024-03 incremental\r\n"));
  EXPECT_NE(std::wstring::npos, summary.find(L" ProjectData:\t" + targets / L"Plant\\Project" + L"\r\n"));
  EXPECT_NE(std::wstring::npos, summary.find(L"\r\nPN-SRV1 \t" + ThisComputer() + L"\r\n"));
  EXPECT_NE(std::wstring::npos, summary.find(L"\r\nPN-OS1 \tOS-NEW\r\n"));

  EXPECT_TRUE(HasLine(0, L"The first phase of the restore has ended")) << Output();
  for (const auto& line : transcript.progress) EXPECT_EQ(0, line.first) << Narrow(line.second);
  EXPECT_EQ(S_OK, transcript.applyStatus);
  // No service is handed over in ordinary use: no service restore, no pause.
  EXPECT_FALSE(HasLine(0, L"***Starting to restore Services***"));

  for (const wchar_t* folder : {L"", L"\\Server", L"\\Server2", L"\\Workplace"})
    EXPECT_TRUE(testing_support::FileExists(targets / L"Plant\\Project" + folder)) << Narrow(folder);
  const std::string description = testing_support::ReadFileUtf8(targets / L"Plant\\Project\\RestoredSystem.xml");
  EXPECT_NE(std::string::npos, description.find("SystemName=\"Plant North Copy\"")) << description;
  EXPECT_NE(std::string::npos, description.find("NodeName=\"OS-NEW\"")) << description;
  EXPECT_NE(std::string::npos, description.find("NodeName=\"" + Narrow(ThisComputer()) + "\"")) << description;

  // The folder list went into the settings file that page 1 reads.
  std::vector<comlib::Bstr> folders;
  Persistency().ReadPaths(&folders);
  ASSERT_EQ(1u, folders.size());
  EXPECT_EQ(SamplesFolder(), folders[0].str());
}

TEST_F(WizardRun, SavedAnswersRunTheSameWizardAgain) {
  TempDir saved;
  host::RunOptions options;
  options.answers = Ordinary();
  options.saveAnswers = saved / L"answers.ini";
  ASSERT_EQ(Outcome::Restored, host::RunWizard(options, &transcript));
  Answers again;
  std::wstring error;
  ASSERT_TRUE(host::ReadAnswerFile(saved / L"answers.ini", &again, &error)) << Narrow(error);
  EXPECT_EQ(L"Restore System", again.tool);
  EXPECT_EQ(std::vector<std::wstring>{SamplesFolder()}, again.folders);
  EXPECT_EQ(L"Plant 2024-03 incremental", again.backup);
  EXPECT_EQ(targets / L"Plant\\Project\\Server2", again.serverData2.value_or(L""));
  EXPECT_TRUE(again.newSystemId.value_or(false));
  EXPECT_EQ(L"Plant North Copy", again.systemName);
  // What page 2 showed by itself is recorded too, this computer by its stand-in.
  const std::vector<std::pair<std::wstring, std::wstring>> nodes = {{L"PN-SRV1", host::kThisComputer},
                                                                   {L"PN-OS1", L"OS-NEW"}};
  EXPECT_EQ(nodes, again.nodes);
  // The directories exist now, so the same answers must be refused on page 3.
  EXPECT_EQ(Outcome::Refused, Run(again));
  ASSERT_EQ(1u, transcript.refusals.size());
  EXPECT_EQ(0u, transcript.refusals[0].find(L"Directory '" + targets / L"Plant\\Project\\Server" + L"' already exists. \n"));
}

struct Refusal {
  const char* name;
  std::function<void(Answers*, const TempDir&)> change;
  size_t page;  // the page that refuses, 0-based
  std::function<std::wstring(const TempDir&)> message;
};

class WizardRefusal : public WizardRun, public ::testing::WithParamInterface<Refusal> {};

TEST_P(WizardRefusal, StopsOnThePageWithItsMessage) {
  const Refusal& r = GetParam();
  Answers answers = Ordinary();
  r.change(&answers, targets);
  EXPECT_EQ(Outcome::Refused, Run(answers)) << Output();
  ASSERT_EQ(r.page + 1, transcript.pages.size()) << Output();
  EXPECT_EQ(kPageTitles[r.page], transcript.pages.back());
  ASSERT_EQ(1u, transcript.refusals.size()) << Output();
  EXPECT_EQ(r.message(targets), transcript.refusals[0]);
  EXPECT_TRUE(transcript.summary.empty());
  EXPECT_TRUE(transcript.progress.empty());
  EXPECT_FALSE(testing_support::FileExists(targets / L"Plant\\Project\\RestoredSystem.xml"));
}

std::function<std::wstring(const TempDir&)> Text(const wchar_t* text) {
  return [text](const TempDir&) { return std::wstring(text); };
}

const wchar_t kPrimaryTaken[] =
    L"One of the new nodes has the same name as one of the original primary nodes, this is not allowed "
    L"unless a new system id has been generated.";
const wchar_t kSecondaryTaken[] =
    L"One of the new nodes has the same name as one of the original secondary nodes, this is not allowed "
    L"unless a new system id has been generated.";

INSTANTIATE_TEST_SUITE_P(
    EveryPage, WizardRefusal,
    ::testing::Values(
        Refusal{"UnknownBackup", [](Answers* a, const TempDir&) { a->backup = L"Plant 1999"; }, 0,
                Text(L"Select a valid node!")},
        Refusal{"NoFolders", [](Answers* a, const TempDir&) { a->folders = {L"C:\\no such folder"}; }, 0,
                Text(L"Select a valid node!")},
        Refusal{"ExistingAndRemoteDirectories",
                [](Answers* a, const TempDir& t) {
                  t.MakeDir(L"Plant\\Project");
                  a->serverData = L"R:\\Server";  // removable drive of the test prefix
                  a->workplaceData = L"relative\\Workplace";
                },
                1,
                [](const TempDir& t) {
                  return L"'R:\\Server' is not a valid path. Choose a local hard disk.\n"
                         L"Directory '" + t / L"Plant\\Project" + L"' already exists. \n"
                         L"'relative\\Workplace' is not a valid path. Choose a local hard disk.\n";
                }},
        Refusal{"NewIdWithoutName", [](Answers* a, const TempDir&) { a->systemName.clear(); }, 1,
                Text(L"The system name may not be empty.\n")},
        Refusal{"ThisComputerNotPrimary", [](Answers* a, const TempDir&) { a->nodes = {{L"PN-SRV1", L"PN-SRV1"}}; },
                2, Text(L"No primary node is mapped to this node")},
        Refusal{"TwoNodesOneName",
                [](Answers* a, const TempDir&) { a->nodes = {{L"PN-OS1", host::kThisComputer}}; }, 2,
                Text(L"More than one node is mapped to the same node")},
        Refusal{"PrimaryNameTaken",
                [](Answers* a, const TempDir&) {
                  a->newSystemId = false;
                  a->nodes = {{L"PN-OS1", L"PN-SRV1"}};
                },
                2, Text(kPrimaryTaken)},
        Refusal{"SecondaryNameTaken",
                [](Answers* a, const TempDir&) {
                  a->backup = L"Plant 2024-02 incremental";
                  a->newSystemId = false;
                  a->nodes = {{L"PN-OS1", L"PN-OS2"}, {L"PN-OS2", L"PN-OS9"}};
                },
                2, Text(kSecondaryTaken)}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(WizardRun, PermissionRefusedOffersNoPage) {
  const DWORD grant = 0;
  ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSecurity, L"Grant", REG_DWORD, &grant, sizeof grant));
  EXPECT_EQ(Outcome::NotPermitted, Run(Ordinary())) << Output();
  ASSERT_FALSE(transcript.tools.empty());
  for (const auto& tool : transcript.tools) {
    if (tool.name == L"Restore System") {
      EXPECT_FALSE(tool.permitted);
    }
  }
  EXPECT_TRUE(transcript.pages.empty());
  EXPECT_FALSE(testing_support::FileExists(targets / L"Plant"));
}

TEST_F(WizardRun, AnswersThePagesCannotTakeFailTheRun) {
  Answers answers = Ordinary();
  answers.nodes = {{L"NO-SUCH-NODE", L"X"}};
  EXPECT_EQ(Outcome::BadAnswers, Run(answers)) << Output();
  ASSERT_EQ(1u, transcript.problems.size());
  EXPECT_EQ(L"node 'NO-SUCH-NODE' is not in the backup", transcript.problems[0]);
  EXPECT_TRUE(transcript.progress.empty());
}

TEST_F(WizardRun, RestoreStoppedByTheServiceFailsTheRun) {
  const std::wstring error = L"The target disk is locked";
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFaults, L"Error", REG_SZ, error.c_str(),
                    static_cast<DWORD>((error.size() + 1) * sizeof(wchar_t)));
  EXPECT_EQ(Outcome::Failed, Run(Ordinary())) << Output();
  EXPECT_EQ(std::vector<std::wstring>{L"Error: The target disk is locked"}, transcript.boxes);
  EXPECT_FALSE(HasLine(0, L"The first phase of the restore has ended"));
}

// The first phase fails after it made some directories: the run says so in
// its header, its error lines and its exit code, and nothing it made stays.
TEST_F(WizardRun, RestoreThatFailsSaysSoAndLeavesNothing) {
  targets.WriteFile(L"Blocker", "a file where a folder would go");
  Answers answers = Ordinary();
  answers.workplaceData = targets / L"Blocker\\Workplace";
  EXPECT_EQ(Outcome::RestoreFailed, Run(answers)) << Output();
  EXPECT_TRUE(FAILED(transcript.applyStatus));
  EXPECT_EQ(0u, transcript.result.find(L"Restore failed: The restore failed: ")) << Narrow(transcript.result);
  EXPECT_NE(std::wstring::npos, transcript.result.find(L"(0x8007")) << Narrow(transcript.result);
  EXPECT_NE(std::wstring::npos, transcript.result.find(L"Nothing of the restore is left on disk."))
      << Narrow(transcript.result);
  EXPECT_EQ(std::wstring::npos, Output().find("Restore finished")) << Output();
  std::vector<std::wstring> errors;
  for (const auto& line : transcript.progress)
    if (line.first == 2) errors.push_back(line.second);
  ASSERT_EQ(1u, errors.size()) << Output();
  EXPECT_EQ(0u, errors[0].find(L"The restore failed: the first phase ended with ")) << Narrow(errors[0]);
  EXPECT_FALSE(testing_support::FileExists(targets / L"Plant")) << Output();
  EXPECT_TRUE(testing_support::FileExists(targets / L"Blocker"));
}

TEST_F(WizardRun, WarningsAreAnsweredAsTheAnswersSay) {
  const std::wstring warning = L"Little space left";
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFaults, L"Warning", REG_SZ, warning.c_str(),
                    static_cast<DWORD>((warning.size() + 1) * sizeof(wchar_t)));
  Answers answers = Ordinary();
  EXPECT_EQ(Outcome::Failed, Run(answers)) << Output();
  ASSERT_EQ(1u, transcript.boxes.size());
  EXPECT_EQ(L"Warning: Little space left\n\nDo you wish to continue?", transcript.boxes[0]);

  transcript = {};
  answers.continueOnWarning = true;
  EXPECT_EQ(Outcome::Restored, Run(answers)) << Output();
  EXPECT_EQ(1u, transcript.boxes.size());
  EXPECT_TRUE(HasLine(0, L"The first phase of the restore has ended"));
}

// The module's classes from this program's own copy, registered as class
// objects so that the host's CoCreateInstance reaches them: they then wait on
// the fake machine's virtual clock.
class LocalModule {
 public:
  LocalModule() {
    const struct {
      const CLSID* clsid;
      comlib::CreateFunction create;
    } classes[] = {
        {&CLSID_RestoreControl, &CRestoreControl::CreateInstance},
        {&CLSID_RestoreModule, &CRestoreModule::CreateInstance},
        {&CLSID_RestorePropertyPage1, &CRestorePropertyPage1::CreateInstance},
        {&CLSID_RestorePropertyPage2, &CRestorePropertyPage2::CreateInstance},
        {&CLSID_RestorePropertyPage3, &CRestorePropertyPage3::CreateInstance},
    };
    for (const auto& c : classes) {
      comlib::ComPtr<IUnknown> factory;
      DWORD cookie = 0;
      if (SUCCEEDED(comlib::CreateClassFactory(c.create, IID_IUnknown, factory.PutVoid())) &&
          SUCCEEDED(::CoRegisterClassObject(*c.clsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                            REGCLS_MULTIPLEUSE, &cookie)))
        cookies_.push_back(cookie);
    }
  }
  ~LocalModule() {
    for (DWORD cookie : cookies_) ::CoRevokeClassObject(cookie);
  }
  size_t registered() const { return cookies_.size(); }

 private:
  std::vector<DWORD> cookies_;
};

TEST_F(WizardRun, TwoServicesOverTwoPartsOnTheVirtualClock) {
  TempDir backups;
  const std::string helper = Narrow(kFileHelper);
  const std::string services = "<SERVICE Name=\"Alarms\" Id=\"{B0000000-0000-4000-8000-000000000001}\" HelperId=\"" +
                               helper + "\" BackupPath=\"a\"/><SERVICE Name=\"Historian\" "
                               "Id=\"{B0000000-0000-4000-8000-000000000002}\" HelperId=\"" + helper +
                               "\" BackupPath=\"h\"/>";
  const std::string system =
      "<SYSTEM SystemName=\"Mill\" SystemDescription=\"Paper mill\">"
      "<NODE NodeName=\"MILL-SRV\" NodeId=\"{C0000000-0000-4000-8000-000000000001}\"/>"
      "<RESTORENODE NodeName=\"MILL-SRV\" NodeId=\"{C0000000-0000-4000-8000-000000000001}\" "
      "ProjectDataPath=\"C:\\Mill\"/></SYSTEM>";
  backups.WriteFile(L"Mon\\BackupInfo.xml", "<BACKUP Name=\"Mill Monday\" Id=\"{D0000000-0000-4000-8000-000000000001}\" ParentId=\"\">" +
                                                services + system + "</BACKUP>");
  backups.WriteFile(L"Tue\\BackupInfo.xml", "<BACKUP Name=\"Mill Tuesday\" Id=\"{D0000000-0000-4000-8000-000000000002}\" "
                                            "ParentId=\"{D0000000-0000-4000-8000-000000000001}\">" +
                                                services + system + "</BACKUP>");
  backups.WriteFile(L"Mon\\" + std::wstring(kFileHelper) + L"\\a.dat", "monday");
  backups.WriteFile(L"Mon\\" + std::wstring(kFileHelper) + L"\\only-monday.dat", "kept");
  backups.WriteFile(L"Tue\\" + std::wstring(kFileHelper) + L"\\a.dat", "tuesday");

  testing_support::FakeMachine machine;
  machine.computerName = ThisComputer();
  LocalModule local;
  ASSERT_EQ(5u, local.registered());
  Answers answers = Ordinary();
  answers.folders = {backups.path()};
  answers.backup = L"Mill Tuesday";
  answers.services = {L"Alarms", L"Historian"};
  answers.nodes.clear();
  ASSERT_EQ(Outcome::Restored, Run(answers)) << Output();
  EXPECT_FALSE(machine.hung);

  std::vector<std::wstring> parts;
  for (const auto& line : transcript.progress)
    if (line.second.find(L", Restoring part") != std::wstring::npos) parts.push_back(line.second);
  EXPECT_EQ((std::vector<std::wstring>{L"Alarms, Restoring part1 of2", L"Alarms, Restoring part2 of2",
                                       L"Historian, Restoring part1 of2", L"Historian, Restoring part2 of2"}),
            parts) << Output();
  EXPECT_TRUE(HasLine(0, L"***Starting to restore Services***"));
  EXPECT_EQ(60000u, machine.pausedMs);
  for (const auto& line : transcript.progress) EXPECT_EQ(0, line.first) << Narrow(line.second);
  // Restored oldest part first, so the newer part's file wins.
  const std::wstring restored = targets / (L"Plant\\Project\\Services\\" + std::wstring(kFileHelper));
  EXPECT_EQ("tuesday", testing_support::ReadFileUtf8(restored + L"\\a.dat"));
  EXPECT_EQ("kept", testing_support::ReadFileUtf8(restored + L"\\only-monday.dat"));
}

}  // namespace

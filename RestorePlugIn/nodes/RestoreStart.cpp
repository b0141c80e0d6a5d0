#include "RestoreStart.h"

#include <msxml2.h>

#include "RestoreFailure.h"
#include "RestoreRun.h"
#include "StartCallbacks.h"
#include "catalogue/ObjectIds.h"
#include "catalogue/Xml.h"
#include "comlib/Dialog.h"
#include "comlib/Machine.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"
#include "records/Records.h"
#include "session/ServiceNodeRecords.h"
#include "resource.h"

namespace {

// Stops the start: no owner window, OK button, the text is its own caption.
void Stop(const wchar_t* text) {
  comlib::CurrentMachine().ShowMessageBox(nullptr, text, text, MB_OK);
}

// Empty under the user's locale; null counts as empty.
bool IsEmptyText(BSTR text) {
  return ::CompareStringW(LOCALE_USER_DEFAULT, 0, text ? text : L"", -1, L"", -1) == CSTR_EQUAL;
}

}  // namespace

bool FolderOf(const std::wstring& path, std::wstring* folder) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  *folder = path.substr(0, slash);
  return true;
}

std::vector<std::wstring> PartDirectories(const BSTR* dependency, ULONG count) {
  std::vector<std::wstring> parts;
  parts.reserve(count);
  for (ULONG k = 0; k < count; ++k) {
    const BSTR entry = dependency[count - 1 - k];
    const std::wstring path(entry ? entry : L"", ::SysStringLen(entry));
    std::wstring folder;
    if (!FolderOf(path, &folder)) folder = path;
    parts.push_back(folder + L"\\");
  }
  return parts;
}

void RestoreStart::Line(long kind, const wchar_t* text) {
  if (in_.sink) in_.sink->AddMessage(kind, comlib::Bstr(text).get());
}

bool RestoreStart::LoadBackupFiles(const std::vector<std::wstring>& parts) {
  // The documents stay loaded until the service has taken the elements.
  std::vector<xml::Document> documents(parts.size());
  std::vector<xml::Element> containers(parts.size());
  std::vector<IXMLDOMElement*> elements;
  std::vector<comlib::Bstr> directories;
  std::vector<BSTR> texts;
  for (size_t i = 0; i < parts.size(); ++i) {
    // The part directory ends with a backslash already; the doubled one is
    // read as one. An unreadable file leaves an empty element.
    const std::wstring file = parts[i] + L"\\BackupInfo.xml";
    xml::FindNodeContainer(file.c_str(), &documents[i], &containers[i]);
    elements.push_back(containers[i].Get());
    directories.emplace_back(parts[i]);
  }
  for (const auto& directory : directories) texts.push_back(directory.get());
  const long count = static_cast<long>(parts.size());
  return state_.restore->LoadBackupFiles(count, elements.empty() ? nullptr : elements.data(), count,
                                         texts.empty() ? nullptr : texts.data()) == S_OK;
}

void RestoreStart::PassChoices() {
  std::vector<ObjectId> ids;
  std::vector<BSTR> names;
  if (in_.mappedNodeIds) ids = *in_.mappedNodeIds;
  if (in_.mappedNewNames)
    for (const comlib::Bstr& name : *in_.mappedNewNames) names.push_back(name.get());
  state_.restore->SetNodeMappings(static_cast<long>(ids.size()), ids.empty() ? nullptr : ids.data(),
                                  static_cast<long>(names.size()),
                                  names.empty() ? nullptr : names.data());

  comlib::Bstr systemData, serverData, serverData2, workplaceData;
  in_.session->GetSystemPaths(systemData.put(), serverData.put(), serverData2.put(),
                              workplaceData.put());
  state_.restore->SetSystemDataPath(systemData.get());
  state_.restore->SetServerDataPath(serverData.get());
  state_.restore->SetServerData2Path(serverData2.get());
  state_.restore->SetWorkplaceDataPath(workplaceData.get());

  long createNewId = 0;
  in_.session->get_CreateNewSystemId(&createNewId);
  if (createNewId) {
    GUID id = GUID_NULL;
    ::CoCreateGuid(&id);
    state_.restore->SetSystemId(comlib::Bstr(ObjectIdToText(FromGuid(id))).get());
    comlib::Bstr newName;
    in_.session->GetNewSystemName(newName.put());
    state_.restore->SetSystemName(newName.get());
  }
}

bool RestoreStart::ResolveChecks() {
  comlib::Bstr warning;
  state_.restore->GetWarning(warning.put());
  if (!IsEmptyText(warning.get())) {
    const std::wstring text = warning.str() + comlib::ResourceString(IDS_CONTINUE_QUESTION);
    // Anything but Yes, a failed box included, stops.
    if (comlib::CurrentMachine().ShowMessageBox(nullptr, text.c_str(), L"Warning",
                                                MB_YESNO | MB_DEFBUTTON2) != IDYES)
      return false;
  }
  comlib::Bstr error;
  state_.restore->GetError(error.put());
  if (!IsEmptyText(error.get())) {
    comlib::CurrentMachine().ShowMessageBox(nullptr, error.c_str(), L"Error", MB_OK);
    return false;
  }
  long ready = 0;
  state_.restore->IsReadyToRestore(&ready);
  if (!ready) {
    Stop(L"Not ready to restore");
    return false;
  }
  return true;
}

void RestoreStart::WriteRestorePath(BSTR backupPath) {
  const wchar_t* const failure = L"Failed to write restore path to registry";
  std::wstring folder;
  if (!FolderOf(std::wstring(backupPath ? backupPath : L"", ::SysStringLen(backupPath)), &folder)) {
    Line(2, failure);
    return;
  }
  comlib::Bstr keyPath;
  comlib::ComPtr<IZelSystemSettings> settings;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ZelSystemSettings, nullptr, CLSCTX_ALL,
                                   IID_IZelSystemSettings, settings.PutVoid()))) {
    const ObjectId scope = {};
    if (FAILED(settings->GetSetting(&scope, comlib::Bstr(L"$RegkeySystems$").get(), keyPath.put())))
      keyPath = comlib::Bstr();
  }
  // An empty path would name the root of HKEY_LOCAL_MACHINE itself.
  if (keyPath.IsEmpty()) {
    Line(2, failure);
    return;
  }
  comlib::UniqueHkey key;
  LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr);
  if (status == ERROR_SUCCESS) {
    status = ::RegSetValueExW(key.get(), L"TempBackupPath", 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(folder.c_str()),
                              static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  }
  if (status != ERROR_SUCCESS) Line(2, failure);
}

RestoreOutcome RestoreStart::Run() {
  if (!in_.session) return RestoreOutcome::Stopped;
  state_.restore = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ZelSystemRestore, nullptr, CLSCTX_ALL, IID_IZelSystemRestore,
                                state_.restore.PutVoid())) ||
      !state_.restore) {
    state_.restore = nullptr;
    Stop(L"Failed to create the system restore service");
    return RestoreOutcome::Stopped;
  }
  // Callbacks of this Apply's own: an end that an earlier restore service
  // announces late cannot end this phase's wait.
  comlib::ComPtr<IZelAsynchRestoreCallbacks> callbacks;
  const HRESULT made = nodes::PhaseCallbacks::Make(in_.phaseCallbacks, state_, state_.BeginPhase(), &callbacks);
  if (FAILED(made)) {
    failure_ = made;
    return RestoreOutcome::Failed;
  }
  state_.restore->SetCallbacks(callbacks.Get());

  // The node names are not used; the services and the backup path are.
  records::TextArray nodeNames;
  records::ServiceNodeArray services;
  comlib::Bstr backupName, backupPath;
  in_.session->GetRestoreNode(nodeNames.PutCount(), nodeNames.PutItems(), services.PutCount(),
                              services.PutItems(), backupName.put(), backupPath.put());
  records::TextArray dependency;
  in_.session->GetBackupDependency(dependency.PutCount(), dependency.PutItems());
  const std::vector<std::wstring> parts = PartDirectories(dependency.get(), dependency.size());

  if (!LoadBackupFiles(parts)) {
    Stop(L"Failed to load backupfiles");
    return RestoreOutcome::Stopped;
  }
  PassChoices();
  if (!ResolveChecks()) return RestoreOutcome::Stopped;

  if (state_.restore->Start() != S_OK) {
    Stop(L"Failed to Start backup");
    return RestoreOutcome::Stopped;
  }
  WriteRestorePath(backupPath.get());
  state_.WaitForPhase();

  // No service part starts on a system whose first phase failed.
  const HRESULT phase = state_.PhaseResult();
  if (FAILED(phase)) {
    Line(2, nodes::PhaseFailedLine(phase, state_.PhaseEndText()).c_str());
    state_.restore->Finish();
    failure_ = phase;
    return RestoreOutcome::Failed;
  }
  if (services.size() == 0) {
    state_.restore->Finish();
    return RestoreOutcome::Finished;
  }
  RestoreRun run(state_, in_.sink, in_.serviceCallbacks, parts);
  if (!run.Run(services.get(), services.size())) return RestoreOutcome::NoBinding;
  failure_ = run.failure();
  return FAILED(failure_) ? RestoreOutcome::Failed : RestoreOutcome::Finished;
}

HRESULT ApplyRestore(RestoreState& state, const RestoreStartInput& input, bool* finished) noexcept {
  if (finished) *finished = false;
  return comlib::Guard([&]() -> HRESULT {
    RestoreStart start(state, input);
    const RestoreOutcome outcome = start.Run();
    if (finished) *finished = outcome == RestoreOutcome::Finished;
    switch (outcome) {
      case RestoreOutcome::NoBinding: return S_FALSE;
      case RestoreOutcome::Failed: return start.failure();
      default: return S_OK;
    }
  });
}

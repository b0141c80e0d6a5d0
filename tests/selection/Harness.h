#pragma once
// What the selection tests share: backup information files, a host window
// with page 1 in it, reading the trees back, and driving modal dialogs.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeSession.h"
#include "DialogDriver.h"
#include "TestSupport.h"
#include "comlib/ComPtr.h"

namespace selection_test {

using testing_support::FakeSession;
using testing_support::SentService;
using testing_support::Text;

struct NodeSpec {
  std::string name;
  std::string id;
  bool primary = false;
};

struct ServiceSpec {
  std::string name;
  std::string id;
  std::string helperId;
  std::string backupPath;
};

// One BackupInfo.xml. An empty name writes the legacy layout.
struct BackupSpec {
  std::string name;
  std::string id;
  std::string parentId;
  std::string systemName;
  std::string systemDescription;
  std::vector<NodeSpec> nodes;
  std::vector<ServiceSpec> services;
  std::string projectData = "D:\\Project";
  std::string serverData = "D:\\Server";
  std::string serverData2 = "D:\\Server2";
  std::string workplaceData = "D:\\Workplace";
};

std::string BackupXml(const BackupSpec& backup);
// "{00000000-0000-0000-0000-0000000000NN}"
std::string Id(int n);
ObjectId IdValue(int n);

// A settings store of its own that page 1 and its dialog use while the
// object lives.
class SettingsFolder {
 public:
  SettingsFolder();
  ~SettingsFolder();
  SettingsFolder(const SettingsFolder&) = delete;
  SettingsFolder& operator=(const SettingsFolder&) = delete;
  void Configure(const std::vector<std::wstring>& folders) const;
  std::vector<std::wstring> Configured() const;
  std::wstring File() const;
  std::string Bytes() const { return testing_support::ReadFileUtf8(File()); }

 private:
  testing_support::TempDir folder_;
};

// The tree as text: items in order, children in brackets, "Root[A[B],C],D".
std::wstring TreeText(HWND tree);
// The item with this text, searched depth first; null when none.
HTREEITEM FindItem(HWND tree, const std::wstring& text);

using testing_support::DialogDriver;

// Page 1 created through its class, given a session and shown in a
// top-level host window.
class PageHost {
 public:
  PageHost();
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // SetObjects with the session, Activate, ActivatePage.
  void Open();
  void Close();  // Deactivate

  FakeSession session;
  comlib::ComPtr<IPropertyPage> page;
  HWND host = nullptr;
  HWND window() const;
  HWND backupTree() const { return ::GetDlgItem(window(), 207); }
  HWND servicesList() const { return ::GetDlgItem(window(), 216); }
  HWND versionList() const { return ::GetDlgItem(window(), 238); }
  void Click(int control) const;
  // Makes the item with this text current, as a click on it would.
  bool Select(const std::wstring& text) const;
  // Validates through the wizard interface; returns the status, ok through out.
  HRESULT Validate(LONG* ok) const;
};

}  // namespace selection_test

#include "RestoredSystem.h"

#include "comlib/Result.h"
#include "comlib/Utf8.h"

namespace zel {

// {6C2E8A41-93D7-4F0B-A5E1-2B7D4C9F3E18}
const CLSID kServiceHostClass = {0x6C2E8A41, 0x93D7, 0x4F0B, {0xA5, 0xE1, 0x2B, 0x7D, 0x4C, 0x9F, 0x3E, 0x18}};
// {D3A5F0B2-6C1E-4B8A-9F27-3E5C8A1B7D40}
const CLSID CLSID_ZelFileRestoreHelper = {0xD3A5F0B2, 0x6C1E, 0x4B8A, {0x9F, 0x27, 0x3E, 0x5C, 0x8A, 0x1B, 0x7D, 0x40}};
const wchar_t kDescriptionFile[] = L"RestoredSystem.xml";

namespace {

RestoredSystem g_last;
bool g_haveLast = false;

std::string Attribute(const char* name, const std::wstring& value) {
  std::string escaped;
  for (char c : comlib::ToUtf8(value)) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\n': escaped += "&#10;"; break;
      case '\r': escaped += "&#13;"; break;
      case '\t': escaped += "&#9;"; break;
      default: escaped += c;
    }
  }
  return std::string(" ") + name + "=\"" + escaped + "\"";
}

}  // namespace

std::string DescribeAsXml(const RestoredSystem& system) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<RESTOREDSYSTEM";
  xml += Attribute("SystemName", system.name);
  xml += Attribute("SystemId", system.id);
  xml += Attribute("ServerDataPath", system.serverDataPath);
  xml += Attribute("ServerData2Path", system.serverData2Path);
  xml += Attribute("ProjectDataPath", system.systemDataPath);
  xml += Attribute("WorkplaceDataPath", system.workplaceDataPath);
  xml += ">\r\n";
  for (const std::wstring& part : system.parts) xml += "  <PART" + Attribute("Folder", part) + "/>\r\n";
  for (const SystemNode& node : system.nodes) {
    xml += "  <NODE" + Attribute("NodeName", node.name) + Attribute("NodeId", node.id) +
           Attribute("OriginalName", node.originalName) +
           Attribute("Primary", node.primary ? L"1" : L"0") + "/>\r\n";
  }
  xml += "</RESTOREDSYSTEM>\r\n";
  return xml;
}

std::wstring GuidText(const GUID& id) {
  wchar_t text[40] = {};
  ::StringFromGUID2(id, text, 40);
  return text;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out) noexcept {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void SetLastRestoredSystem(const RestoredSystem& system) {
  g_last = system;
  g_haveLast = true;
}

bool LastRestoredSystem(RestoredSystem* system) {
  if (!g_haveLast) return false;
  *system = g_last;
  return true;
}

HRESULT MakeDirectories(const std::wstring& path, MadeOnDisk* made) {
  if (path.empty()) return E_INVALIDARG;
  // Every prefix ending before a backslash, then the whole path; drive
  // roots and existing folders fail harmlessly.
  HRESULT last = S_OK;
  auto make = [&](const std::wstring& folder) {
    if (::CreateDirectoryW(folder.c_str(), nullptr)) {
      if (made) made->Folder(folder);
    } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      last = comlib::LastErrorStatus();
    }
  };
  for (size_t pos = path.find(L'\\'); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
    if (pos > 0) make(path.substr(0, pos));
  make(path);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return S_OK;
  return FAILED(last) ? last : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

std::vector<std::wstring> MadeOnDisk::Undo() {
  std::vector<std::wstring> removed;
  for (auto file = files_.rbegin(); file != files_.rend(); ++file)
    if (::DeleteFileW(file->c_str())) removed.push_back(*file);
  for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
    if (::RemoveDirectoryW(folder->c_str())) removed.push_back(*folder);
  files_.clear();
  folders_.clear();
  return removed;
}

std::wstring RemovedText(const std::vector<std::wstring>& removed) {
  if (removed.empty()) return L"nothing to remove";
  std::wstring text = L"removed ";
  for (size_t i = 0; i < removed.size(); ++i) text += (i ? L", " : L"") + removed[i];
  return text;
}

}  // namespace zel

#include "SystemRestore.h"

#include <cstring>

#include "comlib/Bstr.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"

namespace zel {
namespace {

const IID kDomElementIid = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
  VARIANT value;
  ::VariantInit(&value);
  std::wstring text;
  if (element->getAttribute(comlib::Bstr(name).get(), &value) == S_OK && value.vt == VT_BSTR)
    text = Text(value.bstrVal);
  ::VariantClear(&value);
  return text;
}

// The id in braced upper-case form, or the text itself when it is no id.
std::wstring NormalId(const std::wstring& text) {
  GUID id;
  if (text.size() == 38 && SUCCEEDED(::IIDFromString(text.c_str(), &id))) return GuidText(id);
  return text;
}

std::wstring TagName(IXMLDOMElement* element) {
  comlib::Bstr tag;
  element->get_tagName(tag.put());
  return tag.str();
}

// The computer nodes under a node container, primary flags from RESTORENODE.
std::vector<SystemNode> ReadNodes(IXMLDOMElement* container) {
  std::vector<SystemNode> nodes;
  std::vector<std::wstring> primaries;
  comlib::ComPtr<IXMLDOMNode> child;
  container->get_firstChild(child.Put());
  while (child) {
    comlib::ComPtr<IXMLDOMElement> element;
    DOMNodeType type = NODE_INVALID;
    if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT &&
        SUCCEEDED(child->QueryInterface(kDomElementIid, element.PutVoid()))) {
      const std::wstring tag = TagName(element.Get());
      if (tag == L"NODE") {
        SystemNode node;
        node.originalName = node.name = Attribute(element.Get(), L"NodeName");
        node.id = NormalId(Attribute(element.Get(), L"NodeId"));
        nodes.push_back(node);
      } else if (tag == L"RESTORENODE") {
        primaries.push_back(NormalId(Attribute(element.Get(), L"NodeId")));
      }
    }
    comlib::ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(next.Put());
    child = std::move(next);
  }
  for (SystemNode& node : nodes)
    for (const std::wstring& id : primaries)
      if (node.id == id) node.primary = true;
  return nodes;
}

ULONGLONG FolderBytes(const std::wstring& folder) {
  ULONGLONG bytes = 0;
  WIN32_FIND_DATAW data;
  comlib::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        bytes += FolderBytes(folder + L"\\" + name);
    } else {
      bytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
  } while (::FindNextFileW(find.get(), &data));
  return bytes;
}

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace

bool SpaceIsTight(const DriveSpace& d) noexcept {
  return d.freeBytes / 2 < d.neededBytes;
}

bool SpaceIsShort(const DriveSpace& d) noexcept { return d.freeBytes < d.neededBytes; }

const QITAB* CZelSystemRestore::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(CZelSystemRestore, IZelSystemRestore), {nullptr, 0}};
  return table;
}

HRESULT CZelSystemRestore::FinalConstruct() noexcept {
  return comlib::Guard([&] {
    faults_ = Faults::Read();
    return S_OK;
  });
}

STDMETHODIMP CZelSystemRestore::LoadBackupFiles(long elementCount, IXMLDOMElement** elements,
                                                long directoryCount, BSTR* directories) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    loaded_ = false;
    system_.parts.clear();
    system_.nodes.clear();
    backupBytes_ = 0;
    if (elementCount <= 0 || elementCount != directoryCount || !elements || !directories) {
      loadProblem_ = L"No backup was given to restore.";
      return E_INVALIDARG;
    }
    for (long i = 0; i < elementCount; ++i) {
      if (!elements[i]) {
        loadProblem_ = L"The backup information of " + Text(directories[i]) + L" could not be read.";
        return E_FAIL;
      }
    }
    for (long i = 0; i < directoryCount; ++i) {
      system_.parts.push_back(WithoutTrailingSlash(Text(directories[i])));
      backupBytes_ += FolderBytes(system_.parts.back());
    }
    // The parts run from the root of the chain to the selected backup, whose
    // nodes and name the restored system takes.
    IXMLDOMElement* selected = elements[elementCount - 1];
    system_.nodes = ReadNodes(selected);
    system_.name = Attribute(selected, L"SystemName");
    loadProblem_.clear();
    loaded_ = true;
    return S_OK;
  });
}

STDMETHODIMP CZelSystemRestore::SetNodeMappings(long nodeIdCount, ObjectId* nodeIds, long nameCount,
                                                BSTR* newNames) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    for (SystemNode& node : system_.nodes) node.name = node.originalName;
    mappingProblem_.clear();
    if (nodeIdCount < 0 || nodeIdCount != nameCount ||
        (nodeIdCount > 0 && (!nodeIds || !newNames))) {
      mappingProblem_ = L"The node mapping is not well-formed.";
      return E_INVALIDARG;
    }
    std::vector<bool> mapped(system_.nodes.size(), false);
    for (long i = 0; i < nodeIdCount; ++i) {
      GUID guid;
      std::memcpy(&guid, &nodeIds[i], sizeof guid);
      const std::wstring id = GuidText(guid);
      const std::wstring name = Text(newNames[i]);
      size_t n = 0;
      while (n < system_.nodes.size() && system_.nodes[n].id != id) ++n;
      if (n == system_.nodes.size()) {
        mappingProblem_ = L"The node mapping names the node " + id + L", which is not in the backup.";
        return E_INVALIDARG;
      }
      if (name.empty() || mapped[n]) {
        mappingProblem_ = L"The node mapping is not well-formed.";
        return E_INVALIDARG;
      }
      mapped[n] = true;
      system_.nodes[n].name = name;
    }
    for (size_t a = 0; a < system_.nodes.size(); ++a)
      for (size_t b = a + 1; b < system_.nodes.size(); ++b)
        if (system_.nodes[a].id != system_.nodes[b].id &&
            ::CompareStringOrdinal(system_.nodes[a].name.c_str(), -1, system_.nodes[b].name.c_str(), -1,
                                   TRUE) == CSTR_EQUAL) {
          mappingProblem_ = L"Two nodes would be named " + system_.nodes[a].name + L".";
          return E_INVALIDARG;
        }
    return S_OK;
  });
}

STDMETHODIMP CZelSystemRestore::SetSystemName(BSTR name) noexcept {
  return comlib::Guard([&] { system_.name = Text(name); return S_OK; });
}

STDMETHODIMP CZelSystemRestore::SetSystemId(BSTR systemId) noexcept {
  return comlib::Guard([&] { system_.id = Text(systemId); return S_OK; });
}

STDMETHODIMP CZelSystemRestore::SetServerDataPath(BSTR path) noexcept {
  return comlib::Guard([&] { system_.serverDataPath = Text(path); return S_OK; });
}

STDMETHODIMP CZelSystemRestore::SetServerData2Path(BSTR path) noexcept {
  return comlib::Guard([&] { system_.serverData2Path = Text(path); return S_OK; });
}

STDMETHODIMP CZelSystemRestore::SetSystemDataPath(BSTR path) noexcept {
  return comlib::Guard([&] { system_.systemDataPath = Text(path); return S_OK; });
}

STDMETHODIMP CZelSystemRestore::SetWorkplaceDataPath(BSTR path) noexcept {
  return comlib::Guard([&] { system_.workplaceDataPath = Text(path); return S_OK; });
}

std::vector<DriveSpace> CZelSystemRestore::Space() const {
  std::vector<DriveSpace> drives;
  for (const std::wstring* path : {&system_.serverDataPath, &system_.serverData2Path,
                                   &system_.systemDataPath, &system_.workplaceDataPath}) {
    if (path->size() < 2 || (*path)[1] != L':') continue;
    std::wstring root = path->substr(0, 2) + L"\\";
    CharUpperBuffW(&root[0], 1);
    bool seen = false;
    for (const DriveSpace& d : drives) seen = seen || d.root == root;
    if (seen) continue;
    ULARGE_INTEGER available = {};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) continue;
    drives.push_back({root, available.QuadPart, backupBytes_});
  }
  return drives;
}

std::wstring CZelSystemRestore::CheckWarning() const {
  if (!faults_.warning.empty()) return faults_.warning;
  for (const DriveSpace& d : Space())
    if (SpaceIsTight(d) && !SpaceIsShort(d))
      return L"Little free space on drive " + d.root + L": " + std::to_wstring(d.freeBytes) +
             L" bytes free for " + std::to_wstring(d.neededBytes) + L" bytes of backup data.";
  return std::wstring();
}

std::wstring CZelSystemRestore::CheckError() const {
  if (!faults_.error.empty()) return faults_.error;
  if (!loaded_) return loadProblem_.empty() ? L"No backup was given to restore." : loadProblem_;
  if (!mappingProblem_.empty()) return mappingProblem_;
  const struct {
    const wchar_t* label;
    const std::wstring& path;
  } directories[] = {{L"server data", system_.serverDataPath},
                     {L"server data2", system_.serverData2Path},
                     {L"project data", system_.systemDataPath},
                     {L"workplace data", system_.workplaceDataPath}};
  for (const auto& d : directories) {
    if (d.path.empty()) return std::wstring(L"The ") + d.label + L" directory is not set.";
    if (::GetFileAttributesW(d.path.c_str()) != INVALID_FILE_ATTRIBUTES)
      return L"The directory " + d.path + L" already exists.";
  }
  for (const DriveSpace& d : Space())
    if (SpaceIsShort(d))
      return L"Not enough free space on drive " + d.root + L": " + std::to_wstring(d.freeBytes) +
             L" bytes free for " + std::to_wstring(d.neededBytes) + L" bytes of backup data.";
  return std::wstring();
}

STDMETHODIMP CZelSystemRestore::GetWarning(BSTR* warning) noexcept {
  return comlib::Guard([&] { return CopyOut(CheckWarning(), warning); });
}

STDMETHODIMP CZelSystemRestore::GetError(BSTR* error) noexcept {
  return comlib::Guard([&] { return CopyOut(CheckError(), error); });
}

STDMETHODIMP CZelSystemRestore::IsReadyToRestore(long* ready) noexcept {
  if (!ready) return E_POINTER;
  return comlib::Guard([&] {
    *ready = !faults_.notReady && phase_ == Phase::Idle && CheckError().empty() ? 1 : 0;
    return S_OK;
  });
}

STDMETHODIMP CZelSystemRestore::SetCallbacks(IZelAsynchRestoreCallbacks* callbacks) noexcept {
  callbacks_ = comlib::ComPtr<IZelAsynchRestoreCallbacks>(callbacks);
  return S_OK;
}

STDMETHODIMP CZelSystemRestore::Start() noexcept {
  return comlib::Guard([&]() -> HRESULT {
    if (faults_.startFails) return E_FAIL;
    long ready = 0;
    IsReadyToRestore(&ready);
    if (!ready) return E_UNEXPECTED;
    phase_ = Phase::Running;
    if (faults_.completeInsideStart) {
      RunFirstPhase();
      return S_OK;
    }
    comlib::ComPtr<CZelSystemRestore> self(this);
    if (!poster_.Post([self] { self->RunFirstPhase(); })) {
      phase_ = Phase::Idle;
      return E_FAIL;
    }
    return S_OK;
  });
}

void CZelSystemRestore::Report(long slot, const std::wstring& text, long value) {
  if (!callbacks_) return;
  comlib::Bstr line(text);
  switch (slot) {
    case 3: callbacks_->OnInfo(line.get()); break;
    case 4: callbacks_->OnWarning(line.get()); break;
    case 5: callbacks_->OnError(line.get()); break;
    default: callbacks_->OnCompleted(value, line.get()); break;
  }
}

void CZelSystemRestore::RunFirstPhase() {
  Report(3, L"Creating the directories of system " + system_.name);
  MadeOnDisk made;
  // A phase that fails takes back what it made, so that the engineer can
  // try again with the same directories.
  auto fail = [&](const std::wstring& what, HRESULT status) {
    phase_ = Phase::Ended;
    Report(5, what);
    Report(6, L"The first phase of the restore failed; " + RemovedText(made.Undo()),
           FAILED(status) ? status : E_FAIL);
  };
  for (const std::wstring* path : {&system_.serverDataPath, &system_.serverData2Path,
                                   &system_.systemDataPath, &system_.workplaceDataPath}) {
    const HRESULT hr = MakeDirectories(*path, &made);
    if (FAILED(hr)) return fail(L"Failed to create the directory " + *path, hr);
  }
  const std::wstring file = WithoutTrailingSlash(system_.systemDataPath) + L"\\" + kDescriptionFile;
  const std::string xml = DescribeAsXml(system_);
  HRESULT written = S_OK;
  {
    comlib::UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
      written = comlib::LastErrorStatus();
    } else {
      made.File(file);
      DWORD done = 0;
      if (!::WriteFile(handle.get(), xml.data(), static_cast<DWORD>(xml.size()), &done, nullptr))
        written = comlib::LastErrorStatus();
      else if (done != xml.size())
        written = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
      else if (!::FlushFileBuffers(handle.get()))
        written = comlib::LastErrorStatus();
    }
  }  // closed before it may be removed
  if (FAILED(written)) return fail(L"Failed to write " + file, written);
  phase_ = Phase::Ended;
  SetLastRestoredSystem(system_);
  Report(3, L"Described the restored system in " + file);
  Report(6, L"The first phase of the restore has ended", S_OK);
}

STDMETHODIMP CZelSystemRestore::Finish() noexcept {
  if (phase_ == Phase::Ended || phase_ == Phase::Finished) {
    phase_ = Phase::Finished;
    return S_OK;
  }
  return E_UNEXPECTED;
}

STDMETHODIMP CZelSystemRestore::GetServiceHostClass(BSTR* clsidText) noexcept {
  return comlib::Guard([&] { return CopyOut(GuidText(kServiceHostClass), clsidText); });
}

}  // namespace zel

#include "ServiceBinding.h"

#include <vector>

#include "comlib/Bstr.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"
#include "records/Records.h"

namespace zel {

// {A7F3C2D9-5B14-4E86-8C0A-91D2E6B4F357}
const IID IID_IZelRestoreTarget = {0xA7F3C2D9, 0x5B14, 0x4E86, {0x8C, 0x0A, 0x91, 0xD2, 0xE6, 0xB4, 0xF3, 0x57}};
const wchar_t kSystemsKey[] = L"Software\\Ondrel\\ZelFramework\\Systems";

namespace {

// Copies every file below from into to (made as needed), noting what it
// made; S_OK, or the status of the first failure.
HRESULT CopyTree(const std::wstring& from, const std::wstring& to, const std::wstring& relative,
                 std::vector<std::wstring>* copied, MadeOnDisk* made) {
  WIN32_FIND_DATAW data;
  comlib::UniqueFind find(::FindFirstFileW((from + L"\\*").c_str(), &data));
  if (!find) return S_OK;
  RETURN_IF_FAILED(MakeDirectories(to, made));
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring childRelative = relative.empty() ? name : relative + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      RETURN_IF_FAILED(CopyTree(from + L"\\" + name, to + L"\\" + name, childRelative, copied, made));
    } else {
      // Later parts of a chain are newer and overwrite the older files;
      // only a file that was not there before is this part's to take back.
      const std::wstring target = to + L"\\" + name;
      const bool existed = ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
      if (!::CopyFileW((from + L"\\" + name).c_str(), target.c_str(), FALSE)) {
        const HRESULT hr = comlib::LastErrorStatus();
        // A copy that failed half-way may leave a partial file behind.
        if (!existed) made->File(target);
        return hr;
      }
      if (!existed) made->File(target);
      copied->push_back(childRelative);
    }
  } while (::FindNextFileW(find.get(), &data));
  return S_OK;
}

}  // namespace

// --- settings --------------------------------------------------------------

const QITAB* CZelSystemSettings::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(CZelSystemSettings, IZelSystemSettings), {nullptr, 0}};
  return table;
}

HRESULT CZelSystemSettings::FinalConstruct() noexcept {
  return comlib::Guard([&] {
    faults_ = Faults::Read();
    return S_OK;
  });
}

STDMETHODIMP CZelSystemSettings::GetSetting(const ObjectId*, BSTR name, BSTR* value) noexcept {
  if (!value) return E_POINTER;
  *value = nullptr;
  return comlib::Guard([&]() -> HRESULT {
    if (!name || std::wstring(name) != L"$RegkeySystems$") return E_INVALIDARG;
    return CopyOut(faults_.noKeyPath ? std::wstring() : std::wstring(kSystemsKey), value);
  });
}

// --- binding ---------------------------------------------------------------

const QITAB* CZelServiceBinding::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CZelServiceBinding, IZelServiceBinding),
      QITABENTMULTI2(CZelServiceBinding, IID_IZelRestoreTarget, IZelRestoreTarget),
      {nullptr, 0}};
  return table;
}

STDMETHODIMP CZelServiceBinding::Bind(REFCLSID serviceHostClsid, REFGUID, REFGUID, long,
                                      long) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    if (!::IsEqualCLSID(serviceHostClsid, kServiceHostClass)) return CLASS_E_CLASSNOTAVAILABLE;
    RestoredSystem system;
    if (!LastRestoredSystem(&system)) return E_UNEXPECTED;
    systemDataPath_ = system.systemDataPath;
    bound_ = true;
    return S_OK;
  });
}

STDMETHODIMP CZelServiceBinding::GetSystemDataPath(BSTR* path) noexcept {
  if (!path) return E_POINTER;
  *path = nullptr;
  if (!bound_) return E_UNEXPECTED;
  return comlib::Guard([&] { return CopyOut(systemDataPath_, path); });
}

// --- helper ----------------------------------------------------------------

const QITAB* CZelFileRestoreHelper::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(CZelFileRestoreHelper, IServiceRestoreHelper), {nullptr, 0}};
  return table;
}

HRESULT CZelFileRestoreHelper::FinalConstruct() noexcept {
  return comlib::Guard([&] {
    faults_ = Faults::Read();
    failuresLeft_ = faults_.startRestoreFailures;
    return S_OK;
  });
}

STDMETHODIMP CZelFileRestoreHelper::Initialize(IZelServiceBinding* binding, BSTR backupPath) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    backupPath_ = backupPath ? std::wstring(backupPath, ::SysStringLen(backupPath)) : std::wstring();
    target_.clear();
    if (!binding) return S_OK;  // only the backup's items are wanted
    comlib::ComPtr<IZelRestoreTarget> target;
    if (FAILED(binding->QueryInterface(IID_IZelRestoreTarget, target.PutVoid()))) return E_INVALIDARG;
    comlib::Bstr systemData;
    RETURN_IF_FAILED(target->GetSystemDataPath(systemData.put()));
    std::wstring folder = systemData.str();
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    target_ = folder + L"\\Services\\" + GuidText(CLSID_ZelFileRestoreHelper);
    return S_OK;
  });
}

STDMETHODIMP CZelFileRestoreHelper::GetArgumentEditor(CLSID* editorClsid) noexcept {
  if (!editorClsid) return E_POINTER;
  *editorClsid = GUID_NULL;  // no arguments to edit
  return S_OK;
}

STDMETHODIMP CZelFileRestoreHelper::GetBackupItems(ULONG* count, BackupItem** items) noexcept {
  if (!count || !items) return E_POINTER;
  *count = 0;
  *items = nullptr;
  return comlib::Guard([&]() -> HRESULT {
    records::BackupItemArray none(0);  // a block even for no items
    *items = none.Release();
    return S_OK;
  });
}

STDMETHODIMP CZelFileRestoreHelper::StartRestore(ULONG, BackupItem*, ServiceArguments,
                                                 IZelServiceRestoreCallbacks* callbacks) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    if (!callbacks) return E_POINTER;
    if (target_.empty()) return E_UNEXPECTED;
    if (failuresLeft_ > 0) {
      --failuresLeft_;
      return E_FAIL;
    }
    comlib::ComPtr<IZelServiceRestoreCallbacks> cb(callbacks);
    if (faults_.completeInsideStart) {
      RunPart(cb);
      return S_OK;
    }
    comlib::ComPtr<CZelFileRestoreHelper> self(this);
    return poster_.Post([self, cb] { self->RunPart(cb); }) ? S_OK : E_FAIL;
  });
}

void CZelFileRestoreHelper::RunPart(const comlib::ComPtr<IZelServiceRestoreCallbacks>& callbacks) {
  std::vector<std::wstring> copied;
  MadeOnDisk made;
  const HRESULT hr = CopyTree(backupPath_, target_, std::wstring(), &copied, &made);
  for (const std::wstring& file : copied)
    callbacks->OnProgress(0, comlib::Bstr(L"Restored " + file).get());
  if (FAILED(hr)) {
    callbacks->OnCompleted(hr, comlib::Bstr(L"Failed to restore " + backupPath_ + L"; " +
                                            RemovedText(made.Undo())).get());
    return;
  }
  callbacks->OnCompleted(S_OK, comlib::Bstr(L"Restored " + std::to_wstring(copied.size()) +
                                            L" files from " + backupPath_).get());
}

}  // namespace zel

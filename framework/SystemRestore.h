#pragma once
// Reference system restore service: checks what it is given, answers
// warnings, errors and readiness from that, and runs the first phase of a
// restore (the system's directories and its description) asynchronously on
// the caller's thread.
#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "Faults.h"
#include "Poster.h"
#include "RestoredSystem.h"
#include "ZelFramework.h"
#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"

namespace zel {

// Free space and need on one target drive.
struct DriveSpace {
  std::wstring root;
  ULONGLONG freeBytes;
  ULONGLONG neededBytes;
};
// "Tight" is less than twice the need; too little is less than the need.
bool SpaceIsTight(const DriveSpace& d) noexcept;
bool SpaceIsShort(const DriveSpace& d) noexcept;

class CZelSystemRestore : public comlib::ComObject<CZelSystemRestore>, public IZelSystemRestore {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  HRESULT FinalConstruct() noexcept;

  STDMETHODIMP Start() noexcept override;
  STDMETHODIMP LoadBackupFiles(long elementCount, IXMLDOMElement** elements, long directoryCount,
                               BSTR* directories) noexcept override;
  STDMETHODIMP SetSystemName(BSTR name) noexcept override;
  STDMETHODIMP GetServiceHostClass(BSTR* clsidText) noexcept override;
  STDMETHODIMP SetSystemId(BSTR systemId) noexcept override;
  STDMETHODIMP SetServerDataPath(BSTR path) noexcept override;
  STDMETHODIMP SetSystemDataPath(BSTR path) noexcept override;
  STDMETHODIMP SetWorkplaceDataPath(BSTR path) noexcept override;
  STDMETHODIMP IsReadyToRestore(long* ready) noexcept override;
  STDMETHODIMP GetWarning(BSTR* warning) noexcept override;
  STDMETHODIMP GetError(BSTR* error) noexcept override;
  STDMETHODIMP SetCallbacks(IZelAsynchRestoreCallbacks* callbacks) noexcept override;
  STDMETHODIMP Finish() noexcept override;
  STDMETHODIMP SetNodeMappings(long nodeIdCount, ObjectId* nodeIds, long nameCount,
                               BSTR* newNames) noexcept override;
  STDMETHODIMP SetServerData2Path(BSTR path) noexcept override;
#define ZEL_RESERVED(n) \
  STDMETHODIMP Reserved##n() noexcept override { return E_NOTIMPL; }
  ZEL_RESERVED(3) ZEL_RESERVED(4) ZEL_RESERVED(5) ZEL_RESERVED(6) ZEL_RESERVED(8)
  ZEL_RESERVED(10) ZEL_RESERVED(12) ZEL_RESERVED(15) ZEL_RESERVED(17) ZEL_RESERVED(19)
  ZEL_RESERVED(24) ZEL_RESERVED(28)
#undef ZEL_RESERVED

 private:
  enum class Phase { Idle, Running, Ended, Finished };

  std::wstring CheckWarning() const;
  std::wstring CheckError() const;
  std::vector<DriveSpace> Space() const;
  void RunFirstPhase();
  void Report(long slot, const std::wstring& text, long value = 0);

  Faults faults_;
  Poster poster_;
  comlib::ComPtr<IZelAsynchRestoreCallbacks> callbacks_;
  bool loaded_ = false;
  std::wstring loadProblem_;
  ULONGLONG backupBytes_ = 0;
  std::wstring mappingProblem_;
  RestoredSystem system_;
  Phase phase_ = Phase::Idle;
};

}  // namespace zel

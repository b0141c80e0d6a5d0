#pragma once
// Owning forms of the framework's exchange records: every copy duplicates
// the texts and the bytes.
#include <windows.h>

#include "ZelAbsInterfaces.h"
#include "ZelVumInterfaces.h"
#include "comlib/Bstr.h"
#include "comlib/Unique.h"
#include "records/Records.h"

namespace records {

// One restorable item of a service (BackupItem), owning its three texts.
struct OwnedBackupItem {
  comlib::Bstr name;
  comlib::Bstr description;
  unsigned char identifier[32] = {};
  LONG value = 0;
  comlib::Bstr details;

  // Copies the texts; throws std::bad_alloc.
  static OwnedBackupItem Copy(const BackupItem& record);
  // Fills a record with fresh texts for a receiver that frees them
  // (ClearBackupItem); throws std::bad_alloc and then leaves record untouched.
  void CopyTo(BackupItem* record) const;
};

// A service's restore arguments (ServiceArguments): a byte count and a
// block from the task allocator owned here.
class OwnedArguments {
 public:
  OwnedArguments() noexcept = default;
  OwnedArguments(const OwnedArguments& other);  // a new block; throws std::bad_alloc
  OwnedArguments& operator=(const OwnedArguments& other);
  OwnedArguments(OwnedArguments&& other) noexcept;
  OwnedArguments& operator=(OwnedArguments&& other) noexcept;
  ~OwnedArguments() = default;

  // Copies the record's bytes; throws std::bad_alloc.
  static OwnedArguments Copy(const ServiceArguments& record);
  // Takes over a task-allocator block; a null block counts as empty.
  static OwnedArguments Attach(ULONG byteCount, unsigned char* data) noexcept;

  ULONG ByteCount() const noexcept { return count_; }
  const unsigned char* Data() const noexcept { return data_.get(); }
  bool IsEmpty() const noexcept { return count_ == 0; }
  // The record over this object's own block: the receiver shares, not owns, it.
  ServiceArguments View() const noexcept { return ServiceArguments{count_, data_.get()}; }
  void Reset() noexcept;

  friend bool operator==(const OwnedArguments& a, const OwnedArguments& b) noexcept;

 private:
  ULONG count_ = 0;
  comlib::UniqueCoTaskMem<unsigned char> data_;
};

}  // namespace records

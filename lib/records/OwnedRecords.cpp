#include "records/OwnedRecords.h"

#include <cstring>
#include <new>
#include <utility>

namespace records {

OwnedBackupItem OwnedBackupItem::Copy(const BackupItem& record) {
  OwnedBackupItem item;
  item.name = comlib::Bstr::Copy(record.name);
  item.description = comlib::Bstr::Copy(record.description);
  std::memcpy(item.identifier, record.identifier, sizeof item.identifier);
  item.value = record.value;
  item.details = comlib::Bstr::Copy(record.details);
  return item;
}

void OwnedBackupItem::CopyTo(BackupItem* record) const {
  comlib::Bstr n = name, d = description, t = details;
  record->name = n.Detach();
  record->description = d.Detach();
  std::memcpy(record->identifier, identifier, sizeof identifier);
  record->value = value;
  record->details = t.Detach();
}

namespace {

comlib::UniqueCoTaskMem<unsigned char> CopyBlock(ULONG count, const unsigned char* data) {
  auto block = comlib::UniqueCoTaskMem<unsigned char>::Allocate(count);
  if (!block) throw std::bad_alloc();
  std::memcpy(block.get(), data, count);
  return block;
}

}  // namespace

OwnedArguments::OwnedArguments(const OwnedArguments& other) {
  if (other.count_ == 0) return;
  data_ = CopyBlock(other.count_, other.data_.get());
  count_ = other.count_;
}

OwnedArguments& OwnedArguments::operator=(const OwnedArguments& other) {
  if (this != &other) {
    OwnedArguments copy(other);
    *this = std::move(copy);
  }
  return *this;
}

OwnedArguments::OwnedArguments(OwnedArguments&& other) noexcept
    : count_(std::exchange(other.count_, 0)), data_(std::move(other.data_)) {}

OwnedArguments& OwnedArguments::operator=(OwnedArguments&& other) noexcept {
  if (this != &other) {
    data_ = std::move(other.data_);
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

OwnedArguments OwnedArguments::Copy(const ServiceArguments& record) {
  OwnedArguments copy;
  if (record.byteCount == 0 || !record.data) return copy;
  copy.data_ = CopyBlock(record.byteCount, record.data);
  copy.count_ = record.byteCount;
  return copy;
}

OwnedArguments OwnedArguments::Attach(ULONG byteCount, unsigned char* data) noexcept {
  OwnedArguments a;
  a.data_.reset(data);
  a.count_ = data ? byteCount : 0;
  return a;
}

void OwnedArguments::Reset() noexcept {
  data_.reset();
  count_ = 0;
}

bool operator==(const OwnedArguments& a, const OwnedArguments& b) noexcept {
  if (a.count_ != b.count_) return false;
  return a.count_ == 0 || std::memcmp(a.data_.get(), b.data_.get(), a.count_) == 0;
}

}  // namespace records

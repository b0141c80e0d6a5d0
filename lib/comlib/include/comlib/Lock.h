#pragma once
// Holds a slim reader/writer lock exclusively for its scope.
#include <windows.h>

namespace comlib {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK* lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(lock_); }
  ~ExclusiveLock() { ::ReleaseSRWLockExclusive(lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK* lock_;
};

}  // namespace comlib

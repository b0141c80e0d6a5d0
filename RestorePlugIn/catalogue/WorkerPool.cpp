#include "catalogue/WorkerPool.h"

#include <objbase.h>

#include <algorithm>
#include <utility>

#include "comlib/Lock.h"

namespace {

// As much as a program's main thread gets by default: the parser's
// recursion stays within what it has on Windows, and only what is used is
// committed.
constexpr SIZE_T kStackReserve = 1 << 20;

}  // namespace

size_t WorkerPool::DefaultWorkers() noexcept {
  SYSTEM_INFO info = {};
  ::GetSystemInfo(&info);
  return std::clamp<size_t>(std::max<size_t>(info.dwNumberOfProcessors, kWaitingWorkers), 1, kMaxWorkers);
}

WorkerPool::WorkerPool(size_t threads, Waiter wait, Setup setup)
    : wait_(std::move(wait)), setup_(std::move(setup)), idle_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
  threads = std::min(threads, kMaxWorkers);
  if (!idle_) return;  // no event to wait on: the owner runs every task
  threads_.reserve(threads);
  for (size_t i = 0; i < threads; ++i) {
    {
      // Counted before it starts, so that Wait never takes a thread that is
      // still starting for one that will not serve.
      comlib::ExclusiveLock hold(&lock_);
      ++serving_;
    }
    HANDLE thread = ::CreateThread(nullptr, kStackReserve, &WorkerPool::ThreadMain, this,
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
      comlib::ExclusiveLock hold(&lock_);
      --serving_;
      break;
    }
    threads_.emplace_back(thread);
  }
}

WorkerPool::~WorkerPool() {
  {
    comlib::ExclusiveLock hold(&lock_);
    stop_ = true;
  }
  ::WakeAllConditionVariable(&wake_);
  for (const comlib::UniqueHandle& thread : threads_) ::WaitForSingleObject(thread.get(), INFINITE);
}

DWORD WINAPI WorkerPool::ThreadMain(void* self) noexcept {
  static_cast<WorkerPool*>(self)->Run();
  return 0;
}

bool WorkerPool::IdleLocked() const noexcept {
  return serving_ == 0 || (running_ == 0 && urgent_.empty() && tasks_.empty());
}

void WorkerPool::SetIdleLocked() noexcept {
  if (IdleLocked()) ::SetEvent(idle_.get());
}

bool WorkerPool::Serving() const noexcept {
  comlib::ExclusiveLock hold(&lock_);
  return serving_ > 0;
}

bool WorkerPool::RunQueued() {
  std::function<void()> task;
  {
    comlib::ExclusiveLock hold(&lock_);
    if (!TakeLocked(&task)) return false;
  }
  RunOne(task);
  return true;
}

bool WorkerPool::TakeLocked(std::function<void()>* task) {
  if (failure_) {
    urgent_.clear();
    tasks_.clear();
    return false;
  }
  if (!urgent_.empty()) {
    *task = std::move(urgent_.front());
    urgent_.pop_front();
    return true;
  }
  if (!tasks_.empty()) {
    *task = std::move(tasks_.back());
    tasks_.pop_back();
    return true;
  }
  return false;
}

void WorkerPool::RunOne(std::function<void()>& task) noexcept {
  try {
    task();
  } catch (...) {
    comlib::ExclusiveLock hold(&lock_);
    if (!failure_) failure_ = std::current_exception();
  }
  task = nullptr;  // what it holds goes now, outside the lock
}

void WorkerPool::Run() noexcept {
  const bool apartment = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (!apartment) {
    comlib::ExclusiveLock hold(&lock_);
    --serving_;
    SetIdleLocked();
    return;
  }
  std::function<void()> leave;
  if (setup_) {
    try {
      leave = setup_();
    } catch (...) {
      // Without it the tasks run as they would anyway.
    }
  }
  std::function<void()> task;
  for (;;) {
    {
      comlib::ExclusiveLock hold(&lock_);
      while (!stop_ && !TakeLocked(&task)) {
        SetIdleLocked();
        ::SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
      }
      if (stop_) break;
      ++running_;
    }
    RunOne(task);
    comlib::ExclusiveLock hold(&lock_);
    --running_;
    SetIdleLocked();
  }
  task = nullptr;
  if (leave) {
    try {
      leave();
    } catch (...) {
    }
  }
  ::CoUninitialize();
}

void WorkerPool::Post(std::function<void()> task, bool urgent) {
  {
    comlib::ExclusiveLock hold(&lock_);
    (urgent ? urgent_ : tasks_).push_back(std::move(task));
    if (serving_ > 0) ::ResetEvent(idle_.get());
  }
  ::WakeConditionVariable(&wake_);
}

void WorkerPool::Wait() {
  if (idle_) {
    if (wait_)
      wait_(idle_.get());
    // Whatever the waiter did, nothing is taken before the pool is idle.
    for (;;) {
      {
        comlib::ExclusiveLock hold(&lock_);
        if (IdleLocked()) break;
      }
      ::WaitForSingleObject(idle_.get(), INFINITE);
    }
  }
  // No thread serves: the calling thread runs what is left.
  while (RunQueued()) {
  }
  std::exception_ptr failure;
  {
    comlib::ExclusiveLock hold(&lock_);
    failure = std::exchange(failure_, nullptr);
  }
  if (failure) std::rethrow_exception(failure);
}

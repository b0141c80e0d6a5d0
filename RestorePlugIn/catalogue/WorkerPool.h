#pragma once
// A few threads that run the catalogue's search and reads while the page's
// thread waits. Each thread lives in its own single-threaded apartment, so
// the document objects it makes are its own; tasks hand back plain data.
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <vector>

#include "comlib/Unique.h"

class WorkerPool {
 public:
  // Blocks the calling thread until the handle is set.
  using Waiter = std::function<void(HANDLE)>;
  // Runs on each thread in its apartment before its first task; what it
  // returns runs there after the last.
  using Setup = std::function<std::function<void()>()>;

  // kWaitingWorkers, or the core count where that is more, at most
  // kMaxWorkers. Listings and opens mostly wait (on a share, on the
  // network), so more threads than cores overlap more of the waiting: in
  // a simulated share with 2 ms per listing and open on 2 cores, 2 threads
  // were 2.1 times as fast as one, 8 threads 4.4 times. Each thread costs
  // about 1 MB committed and a 1 MB stack reservation in a 32-bit host.
  static size_t DefaultWorkers() noexcept;
  static constexpr size_t kMaxWorkers = 8;
  static constexpr size_t kWaitingWorkers = 6;

  // Starts up to threads threads. Threads that cannot start or cannot
  // enter an apartment take no tasks; with none at all (also when none are
  // asked for), the owner runs every task itself, through RunQueued or Wait,
  // so one code path serves both.
  explicit WorkerPool(size_t threads, Waiter wait = Waiter(), Setup setup = Setup());
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // From the owner or from a running task. Urgent tasks run before the
  // others; the rest run the last posted first, which keeps a walk's
  // frontier narrow.
  void Post(std::function<void()> task, bool urgent = false);
  // Until every posted task, and every task those posted, has run. The
  // first exception a task threw comes out here; the tasks after it are
  // dropped.
  void Wait();
  // On the owner's thread when no thread serves: runs the next task, false
  // when none is queued.
  bool RunQueued();
  // Whether any thread takes tasks; false: the owner runs them.
  bool Serving() const noexcept;

  size_t Threads() const noexcept { return threads_.size(); }

 private:
  static DWORD WINAPI ThreadMain(void* self) noexcept;
  void Run() noexcept;
  // Under the lock: the next task, or false when there is none.
  bool TakeLocked(std::function<void()>* task);
  void RunOne(std::function<void()>& task) noexcept;
  // Nothing queued or running, or no thread left to run what is queued.
  bool IdleLocked() const noexcept;
  void SetIdleLocked() noexcept;

  Waiter wait_;
  Setup setup_;
  // Guards everything below it. A task runs without it; a task may take
  // its own locks and then Post, so this lock comes last in any order.
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
  std::deque<std::function<void()>> urgent_;
  std::deque<std::function<void()>> tasks_;
  size_t running_ = 0;
  size_t serving_ = 0;  // threads that take tasks
  bool stop_ = false;
  std::exception_ptr failure_;
  comlib::UniqueHandle idle_;  // set while IdleLocked()
  std::vector<comlib::UniqueHandle> threads_;
};

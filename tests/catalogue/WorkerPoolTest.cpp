#include <gtest/gtest.h>

#include <objbase.h>

#include <map>
#include <stdexcept>

#include "catalogue/WorkerPool.h"
#include "comlib/Lock.h"

namespace {

class Guarded {
 public:
  void Record(DWORD thread, APTTYPE type) {
    const comlib::ExclusiveLock hold(&lock_);
    threads[thread] = type;
    ++ran;
  }
  std::map<DWORD, APTTYPE> threads;
  int ran = 0;

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

TEST(WorkerPool, RunsEveryTaskItsTasksPostOnItsOwnThreadsEachInAnApartmentOfItsOwn) {
  Guarded seen;
  const auto record = [&seen] {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (FAILED(::CoGetApartmentType(&type, &qualifier))) type = APTTYPE_CURRENT;
    seen.Record(::GetCurrentThreadId(), type);
    ::Sleep(1);
  };
  {
    WorkerPool pool(3);
    for (int i = 0; i < 20; ++i)
      pool.Post([&pool, record] {
        record();
        for (int k = 0; k < 5; ++k) pool.Post(record, k % 2 == 0);
      });
    pool.Wait();
    EXPECT_EQ(120, seen.ran);
  }
  EXPECT_LE(seen.threads.size(), 3u);
  EXPECT_EQ(0u, seen.threads.count(::GetCurrentThreadId()));
  for (const auto& [thread, type] : seen.threads) EXPECT_EQ(APTTYPE_STA, type) << "thread " << thread;
}

TEST(WorkerPool, AWaiterThatReturnsEarlyDoesNotEndTheWait) {
  int waited = 0;
  volatile LONG done = 0;
  WorkerPool pool(2, [&waited](HANDLE) { ++waited; });
  for (int i = 0; i < 4; ++i)
    pool.Post([&done] {
      ::Sleep(30);
      ::InterlockedIncrement(&done);
    });
  pool.Wait();
  EXPECT_EQ(1, waited);
  EXPECT_EQ(4, done);
}

TEST(WorkerPool, ATaskThatThrowsMakesWaitThrow) {
  WorkerPool pool(2);
  pool.Post([] { throw std::runtime_error("out of room"); });
  EXPECT_THROW(pool.Wait(), std::runtime_error);
  // Afterwards it serves again.
  bool ran = false;
  pool.Post([&ran] { ran = true; });
  pool.Wait();
  EXPECT_TRUE(ran);
}

}  // namespace

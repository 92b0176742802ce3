// The recorder's flushes to disk on their worker: asking never waits for a
// slow disk, every request is served, and a failure is told once.
#include "tools/record/disk_flusher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>

namespace {

using namespace std::chrono_literals;

TEST(DiskFlusher, AskingNeverWaitsForASlowDiskAndEveryRequestIsServed) {
  std::promise<void> diskMayFinish;
  std::shared_future<void> slowDisk = diskMayFinish.get_future().share();
  std::atomic<int> flushes{0};
  recorder::DiskFlusher flusher([&] {
    slowDisk.wait();
    ++flushes;
    return 0;
  });
  const auto before = std::chrono::steady_clock::now();
  flusher.request();
  flusher.request();
  flusher.request();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s) << "the polling thread went on";
  EXPECT_EQ(flushes.load(), 0);
  EXPECT_EQ(flusher.takeError(), 0);
  diskMayFinish.set_value();
  flusher.waitDone();
  // The first request's flush, then one for those made while it ran.
  EXPECT_GE(flushes.load(), 1);
  EXPECT_LE(flushes.load(), 2);
  const int served = flushes.load();
  flusher.request();
  flusher.waitDone();
  EXPECT_EQ(flushes.load(), served + 1) << "a request after the last flush gets its own";
}

TEST(DiskFlusher, AFailedFlushIsToldOnceAndARequestBeforeTheEndIsStillServed) {
  std::atomic<int> flushes{0};
  {
    recorder::DiskFlusher flusher([&] {
      ++flushes;
      return flushes.load() == 1 ? EIO : 0;
    });
    flusher.request();
    flusher.waitDone();
    EXPECT_EQ(flusher.takeError(), EIO);
    EXPECT_EQ(flusher.takeError(), 0);
    flusher.request();
  }
  EXPECT_EQ(flushes.load(), 2) << "what was asked before the end reached the disk";
}

}  // namespace

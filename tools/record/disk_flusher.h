// Makes the capture file durable on a worker thread. A flush to disk can
// take seconds on a busy or failing disk; on the polling thread it would hold
// up the reads while the driver's queue fills and overflows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace recorder {

class DiskFlusher {
 public:
  // flush makes what was written durable and returns 0, or the errno of why
  // it could not.
  explicit DiskFlusher(std::function<int()> flush);
  // Waits for a flush in progress.
  ~DiskFlusher();
  DiskFlusher(const DiskFlusher&) = delete;
  DiskFlusher& operator=(const DiskFlusher&) = delete;

  // Asks for a flush and returns at once. Requests made while a flush runs
  // are served by one more flush after it.
  void request();
  // Waits until every flush asked for is done.
  void waitDone();
  // The errno of the first flush that failed since the last call, 0 when
  // none did; never waits.
  int takeError();

 private:
  void run();

  std::function<int()> flush_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool requested_ = false;
  bool flushing_ = false;
  bool stopping_ = false;
  int error_ = 0;
  std::thread worker_;
};

}  // namespace recorder

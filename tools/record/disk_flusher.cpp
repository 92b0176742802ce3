#include "tools/record/disk_flusher.h"

#include <utility>

namespace recorder {

DiskFlusher::DiskFlusher(std::function<int()> flush)
    : flush_(std::move(flush)), worker_([this] { run(); }) {}

DiskFlusher::~DiskFlusher() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void DiskFlusher::request() {
  {
    const std::lock_guard lock(mutex_);
    requested_ = true;
  }
  changed_.notify_all();
}

void DiskFlusher::waitDone() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !requested_ && !flushing_; });
}

int DiskFlusher::takeError() {
  const std::lock_guard lock(mutex_);
  return std::exchange(error_, 0);
}

void DiskFlusher::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return requested_ || stopping_; });
    // A request made before the stop is still served: what was written
    // reaches the disk.
    if (!requested_) return;
    requested_ = false;
    flushing_ = true;
    lock.unlock();
    const int error = flush_();
    lock.lock();
    flushing_ = false;
    if (error != 0 && error_ == 0) error_ = error;
    changed_.notify_all();
  }
}

}  // namespace recorder

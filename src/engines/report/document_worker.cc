#include "engines/report/document_worker.h"

#include <utility>

namespace report_engine {

DocumentWorker::DocumentWorker(bool threaded, size_t capacity, std::function<void()> on_failure)
    : capacity_(capacity == 0 ? 1 : capacity), on_failure_(std::move(on_failure)) {
  if (threaded) thread_ = std::thread([this] { Loop(); });
}

DocumentWorker::~DocumentWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DocumentWorker::RaiseFailure() {
  if (failure_) std::rethrow_exception(failure_);
}

void DocumentWorker::Post(Job job, const std::string& owner) {
  if (!thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      RaiseFailure();
    }
    try {
      job();
    } catch (...) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        failed_owner_ = owner;
      }
      if (on_failure_) on_failure_();
      throw;
    }
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return failure_ || queue_.size() < capacity_; });
  RaiseFailure();
  queue_.push_back({std::move(job), owner});
  lock.unlock();
  changed_.notify_all();
}

void DocumentWorker::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return failure_ || (queue_.empty() && !running_job_); });
  RaiseFailure();
}

void DocumentWorker::Reset() {
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.clear();
  changed_.wait(lock, [this] { return !running_job_; });
  failure_ = nullptr;
  failed_owner_.clear();
}

std::exception_ptr DocumentWorker::failure() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

std::string DocumentWorker::failed_owner() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_owner_;
}

void DocumentWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Entry entry = std::move(queue_.front());
    queue_.pop_front();
    running_job_ = true;
    lock.unlock();
    changed_.notify_all();
    std::exception_ptr failure;
    try {
      entry.job();
    } catch (...) {
      failure = std::current_exception();
    }
    // The job's captures go before the caller hears that it is done.
    entry.job = nullptr;
    if (failure && on_failure_) on_failure_();
    lock.lock();
    running_job_ = false;
    if (failure && !failure_) {
      failure_ = failure;
      failed_owner_ = entry.owner;
      queue_.clear();
    }
    changed_.notify_all();
  }
}

bool CommitOrder::WaitTurn(uint64_t sequence) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || next_ == sequence; });
  return !stopped_;
}

void CommitOrder::Done(uint64_t sequence) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_.insert(sequence);
    while (!done_.empty() && *done_.begin() == next_) {
      done_.erase(done_.begin());
      ++next_;
    }
  }
  changed_.notify_all();
}

void CommitOrder::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

void CommitOrder::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  next_ = 0;
  done_.clear();
  stopped_ = false;
}

}  // namespace report_engine

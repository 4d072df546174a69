// The engine's second thread: painting, encoding and writing documents in
// the order they were handed over, while the caller lays out the next ones.
#ifndef DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_
#define DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace report_engine {

// Runs jobs strictly in order. Made without a thread, it runs each job at
// once on the caller's thread, so that both ways do the same work in the
// same order and give the same bytes.
//
// A job that fails stops the worker: the jobs after it are dropped, and the
// failure is raised on the caller's thread by the next Post or Drain, with
// the owner of the document it belonged to kept in failed_owner().
class DocumentWorker {
 public:
  using Job = std::function<void()>;

  // `capacity`: jobs that may wait; Post blocks while that many do, so that
  // memory stays flat however far ahead the caller is. `on_failure` is
  // called on the worker's thread when a job fails.
  DocumentWorker(bool threaded, size_t capacity, std::function<void()> on_failure = nullptr);
  // Drops the jobs not yet started and waits for the running one.
  ~DocumentWorker();
  DocumentWorker(const DocumentWorker&) = delete;
  DocumentWorker& operator=(const DocumentWorker&) = delete;

  // Queues `job` for the document of `owner` ("" for a run's one document).
  void Post(Job job, const std::string& owner);
  // Waits until every job posted has run.
  void Drain();
  // Drops waiting jobs and forgets a failure: a new run starts.
  void Reset();

  bool threaded() const { return thread_.joinable(); }
  // The owner whose document failed, once a failure was raised.
  std::string failed_owner() const;
  // The failure, if a job failed.
  std::exception_ptr failure() const;

 private:
  struct Entry {
    Job job;
    std::string owner;
  };
  void Loop();
  // With mutex_ held: raises the failure, if there is one.
  void RaiseFailure();

  const size_t capacity_;
  const std::function<void()> on_failure_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Entry> queue_;
  bool running_job_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::string failed_owner_;
  std::thread thread_;
};

// Documents painted side by side on several workers are written in the
// order they were ended, so that what is on disk is what one worker would
// have left: after a failure, no later document is written.
class CommitOrder {
 public:
  // Waits until every document before `sequence` is written or dropped;
  // false when one of them failed (or Stop was called): drop this one too.
  bool WaitTurn(uint64_t sequence);
  // `sequence` is written, or was dropped without harm.
  void Done(uint64_t sequence);
  // A document failed: every later one is dropped, and no one waits.
  void Stop();
  // A new run: documents count from 0 again.
  void Reset();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t next_ = 0;
  std::set<uint64_t> done_;  // ahead of next_
  bool stopped_ = false;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_

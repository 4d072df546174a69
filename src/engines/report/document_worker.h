// The engine's second thread: painting, encoding and writing documents in
// the order they were handed over, while the caller lays out the next ones.
#ifndef DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_
#define DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
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
  // memory stays flat however far ahead the caller is.
  DocumentWorker(bool threaded, size_t capacity);
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

 private:
  struct Entry {
    Job job;
    std::string owner;
  };
  void Loop();
  // With mutex_ held: raises the failure, if there is one.
  void RaiseFailure();

  const size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Entry> queue_;
  bool running_job_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::string failed_owner_;
  std::thread thread_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_DOCUMENT_WORKER_H_

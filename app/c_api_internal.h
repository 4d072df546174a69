// What the files of the C interface share: the report object, each thread's
// last error, the checks every entry point makes, and the watch on the
// messages a call shows.
#ifndef DUNMERROW_APP_C_API_INTERNAL_H_
#define DUNMERROW_APP_C_API_INTERNAL_H_

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "app/statement_session.h"
#include "component/run_outcome.h"
#include "core/com_error.h"
#include "dunmerrow/dunmerrow.h"

// One report object: its statement session, its owner thread, the host's
// print-button callback, and what its last run did.
struct dunmerrow_report {
  std::thread::id thread;
  std::unique_ptr<app::StatementSession> session;
  dunmerrow_print_button_callback print_button = nullptr;
  void* print_button_data = nullptr;
  bool busy = false;  // inside a run of this object
  component::RunOutcome outcome;
  std::string register_path;  // of the last run; "" when none was written
  std::string journal_path;
};

namespace capi {

// Records success as the calling thread's last error and returns 0.
int Succeed();
// Records `number` (never 0: a failure must not read as success) and
// `description` as the thread's last error and returns the number.
int Fail(int number, const std::string& description) noexcept;
int LastErrorNumber();
// Lives until the thread's next call of the interface.
const char* LastErrorDescription();
// "FUNCTION: ARGUMENT is NULL", as DUNMERROW_E_INVALID_ARGUMENT.
int NullArgument(const char* function, const char* argument);

// A copy of `text` that the caller releases with dunmerrow_free. Raises
// std::bad_alloc.
char* CopyOut(const std::string& text);

// 0 when `report` is a live object of the calling thread that may be used
// now; otherwise the failure, recorded.
int Check(const dunmerrow_report* report, const char* function, bool allow_busy = false);

// Runs `body`, turning whatever it raises into the thread's last error.
template <typename Body>
int Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const core::ComError& e) {
    return Fail(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    return Fail(DUNMERROW_E_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    return Fail(DUNMERROW_E_INTERNAL, e.what());
  } catch (...) {
    return Fail(DUNMERROW_E_INTERNAL, "an unexpected failure");
  }
}

// While it lives, the first message the calling thread shows is kept here
// (it is shown as usual too): the data layer reports its failures by
// showing them, so a message during an operation means it failed.
class MessageWatch {
 public:
  MessageWatch();
  ~MessageWatch();
  MessageWatch(const MessageWatch&) = delete;
  MessageWatch& operator=(const MessageWatch&) = delete;

  bool shown() const { return shown_; }
  // "TITLE: TEXT" of the first message, on one line.
  const std::string& first() const { return first_; }
  void Record(const std::string& text, const std::string& title);

 private:
  MessageWatch* outer_;
  bool shown_ = false;
  std::string first_;
};

}  // namespace capi

#endif  // DUNMERROW_APP_C_API_INTERNAL_H_

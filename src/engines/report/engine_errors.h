// Where the report engine turns a C library's failure into its own error:
// libcurl's results of the SMTP dialogue and the printer command's. File
// errors go through platform::OsError.
#ifndef DUNMERROW_ENGINES_REPORT_ENGINE_ERRORS_H_
#define DUNMERROW_ENGINES_REPORT_ENGINE_ERRORS_H_

#include <curl/curl.h>

#include <string>

#include "core/com_error.h"

namespace report_engine {

inline constexpr char kEngineSource[] = "Vintrel.Report";

// The error for the libcurl result `code` of an SMTP dialogue: `what` names
// the server and the recipient, `smtp_code` is the server's last reply (0
// when none) and `detail` libcurl's own text. A refusal (4xx, 5xx) is
// kErrMailRefused, an unreachable server kErrMailConnect, a time-out
// kErrMailTimeout, a refused login kErrMailLogin.
core::ComError MailError(const std::string& what, CURLcode code, long smtp_code,
                         const char* detail);

// True for the errors that say the server itself is out of reach (as
// opposed to refusing one message): sending more is pointless for now.
bool IsServerUnreachable(const core::ComError& error);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_ENGINE_ERRORS_H_

// The report engine's settings as the host keeps them: the printer in
// "Configure", the mail server in "Mail".
#ifndef DUNMERROW_APP_HOST_SETTINGS_H_
#define DUNMERROW_APP_HOST_SETTINGS_H_

#include <string>

#include "engines/report/mail.h"

namespace app {

// Configure/Printer; "" for the system's default printer.
std::string PrinterFromSettings();
// Configure/Threads: 2 (the default) paints and writes documents on a second
// thread while the run lays out the next ones; 1 does everything on the
// run's thread. Raises ComError for any other value.
bool WorkerFromSettings();

// Mail/Host, Port, From, User and Security (none, starttls, tls). Raises
// ComError naming the setting when Port or Security cannot be read, or when
// From is set but is not a plain address (IsValidAddress: no line breaks).
report_engine::SmtpSettings SmtpFromSettings();

}  // namespace app

#endif  // DUNMERROW_APP_HOST_SETTINGS_H_

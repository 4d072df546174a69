// E-mailed statements: composing RFC 5322 messages with the PDF attached,
// and sending them over SMTP with libcurl.
#ifndef DUNMERROW_ENGINES_REPORT_MAIL_H_
#define DUNMERROW_ENGINES_REPORT_MAIL_H_

#include <string>
#include <vector>

#include "core/date.h"

namespace report_engine {

enum class SmtpSecurity { kNone, kStartTls, kTls };

// The mail server. The password is read from DUNMERROW_SMTP_PASSWORD when a
// message is sent and is never stored.
struct SmtpSettings {
  std::string host;
  int port = 0;  // 0: 25, or 465 for TLS
  std::string from;
  std::string user;
  SmtpSecurity security = SmtpSecurity::kNone;
  // The longest one message may take, from connecting to the server's last
  // answer; connecting alone may take at most the first.
  int connect_timeout_seconds = 10;
  int timeout_seconds = 120;
};

// "none", "starttls" or "tls" (any letter case); false for anything else.
bool ParseSmtpSecurity(const std::string& text, SmtpSecurity& security);

struct MailMessage {
  std::string from;
  std::string to;  // empty: the message has no recipient yet
  std::string subject;
  core::Date date;
  std::string body;  // plain text
  std::string attachment_name;
  std::string attachment;  // the PDF's bytes
  // What identifies the statement's content, written as the header
  // X-Dunmerrow-Statement when not empty.
  std::string fingerprint;
};

// A plain ASCII address "local@domain.tld" without spaces, angle brackets or
// line breaks.
bool IsValidAddress(const std::string& address);

// The message as RFC 5322 text with CRLF line ends: non-ASCII header texts
// in RFC 2047 encoded words, line breaks in them turned into spaces, the
// attachment in base64 with an RFC 2231 file name where one is needed.
std::string ComposeMessage(const MailMessage& message);

// The value of the header `name` (letter case ignored) of the message, ""
// when it has none.
std::string HeaderValue(const std::string& message, const std::string& name);

// Sends `message` to `to`; raises ComError with the server's answer or the
// connection failure when it is not accepted.
void SendMessage(const SmtpSettings& smtp, const std::string& to, const std::string& message);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_MAIL_H_

// Reading the report engine's settings from the host's settings.
#include "app/host_settings.h"

#include <algorithm>

#include "core/com_error.h"
#include "core/convert.h"
#include "data/registry.h"

namespace app {
namespace {

// The value with control characters written as escapes, so that an error
// line shows them instead of passing them to the terminal.
std::string Visible(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '\r') {
      out += "\\r";
    } else if (ch == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7f) {
      out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

std::string PrinterFromSettings() { return Registry::GetRegSetting("Configure", "Printer", ""); }

bool WorkerFromSettings() {
  const std::string threads = Registry::GetRegSetting("Configure", "Threads", "2");
  if (threads.empty() || threads == "2") return true;
  if (threads == "1") return false;
  throw core::ComError(core::kErrTypeMismatch,
                       "The setting Configure/Threads must be 1 or 2, not '" + Visible(threads) +
                           "'");
}

report_engine::SmtpSettings SmtpFromSettings() {
  report_engine::SmtpSettings smtp;
  smtp.host = Registry::GetRegSetting("Mail", "Host", "");
  smtp.from = Registry::GetRegSetting("Mail", "From", "");
  // The sender goes into the SMTP envelope: a line break there would add
  // commands of its own.
  if (!smtp.from.empty() && !report_engine::IsValidAddress(smtp.from)) {
    throw core::ComError(core::kErrInvalidCall,
                         "The setting Mail/From is not a plain e-mail address (name@example.com): '" +
                             Visible(smtp.from) + "'");
  }
  smtp.user = Registry::GetRegSetting("Mail", "User", "");
  const std::string port = Registry::GetRegSetting("Mail", "Port", "0");
  try {
    smtp.port = core::ToLong(core::Variant(port.empty() ? "0" : port));
  } catch (const core::ComError&) {
    throw core::ComError(core::kErrTypeMismatch,
                         "The setting Mail/Port is not a port number: '" + port + "'");
  }
  const std::string timeout = Registry::GetRegSetting("Mail", "Timeout", "120");
  try {
    smtp.timeout_seconds = core::ToLong(core::Variant(timeout.empty() ? "120" : timeout));
  } catch (const core::ComError&) {
    smtp.timeout_seconds = 0;
  }
  if (smtp.timeout_seconds < 1) {
    throw core::ComError(core::kErrTypeMismatch,
                         "The setting Mail/Timeout is not a number of seconds: '" + timeout + "'");
  }
  smtp.connect_timeout_seconds = std::min(smtp.connect_timeout_seconds, smtp.timeout_seconds);
  const std::string security = Registry::GetRegSetting("Mail", "Security", "none");
  if (!report_engine::ParseSmtpSecurity(security.empty() ? "none" : security, smtp.security)) {
    throw core::ComError(core::kErrTypeMismatch,
                         "The setting Mail/Security must be none, starttls or tls, not '" +
                             security + "'");
  }
  return smtp;
}

}  // namespace app

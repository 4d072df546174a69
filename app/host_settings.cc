// Reading the report engine's settings from the host's settings.
#include "app/host_settings.h"

#include "core/com_error.h"
#include "core/convert.h"
#include "data/registry.h"

namespace app {

std::string PrinterFromSettings() { return Registry::GetRegSetting("Configure", "Printer", ""); }

report_engine::SmtpSettings SmtpFromSettings() {
  report_engine::SmtpSettings smtp;
  smtp.host = Registry::GetRegSetting("Mail", "Host", "");
  smtp.from = Registry::GetRegSetting("Mail", "From", "");
  smtp.user = Registry::GetRegSetting("Mail", "User", "");
  const std::string port = Registry::GetRegSetting("Mail", "Port", "0");
  try {
    smtp.port = core::ToLong(core::Variant(port.empty() ? "0" : port));
  } catch (const core::ComError&) {
    throw core::ComError(core::kErrTypeMismatch,
                         "The setting Mail/Port is not a port number: '" + port + "'");
  }
  const std::string security = Registry::GetRegSetting("Mail", "Security", "none");
  if (!report_engine::ParseSmtpSecurity(security.empty() ? "none" : security, smtp.security)) {
    throw core::ComError(core::kErrTypeMismatch,
                         "The setting Mail/Security must be none, starttls or tls, not '" +
                             security + "'");
  }
  return smtp;
}

}  // namespace app

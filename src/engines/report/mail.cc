// Message composition and SMTP delivery. glib does the base64; libcurl the
// SMTP dialogue, STARTTLS and TLS.
#include "engines/report/mail.h"

#include <curl/curl.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>

#include "core/com_error.h"
#include "engines/report/engine_errors.h"
#include "platform/files.h"

namespace report_engine {

namespace {

constexpr char kSource[] = "Vintrel.Report";
namespace fs = std::filesystem;

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
  return out;
}

std::string Base64(const std::string& data) {
  gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(data.data()), data.size());
  std::string out(encoded);
  g_free(encoded);
  return out;
}

// RFC 2047: encoded words of at most 75 characters, split between whole
// UTF-8 characters, separated by folding white space.
std::string EncodeHeaderText(const std::string& raw) {
  const std::string text = OneLine(raw);
  if (IsAscii(text)) return text;
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = at;
    // 45 bytes of text make 60 base64 characters, within the word's limit.
    while (end < text.size()) {
      size_t next = end + 1;
      while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
      if (next - at > 45) break;
      end = next;
    }
    if (end == at) end = text.size();
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(text.substr(at, end - at)) + "?=";
    at = end;
  }
  return out;
}

// RFC 2231 parameter value: percent-encoded UTF-8 when the value needs it.
std::string FileNameParameters(const std::string& name) {
  const bool plain = IsAscii(name) && name.find_first_of("\"\\\r\n") == std::string::npos;
  if (plain) return "filename=\"" + name + "\"";
  std::string encoded = "UTF-8''";
  for (unsigned char c : name) {
    if (g_ascii_isalnum(static_cast<gchar>(c)) || c == '.' || c == '-' || c == '_') {
      encoded += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      encoded += hex;
    }
  }
  return "filename*=" + encoded;
}

std::string MailDate(const core::Date& date) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const core::CivilTime t = date.ToCivil();
  // Day 0 of the host's calendar, 30 December 1899, was a Saturday.
  const int64_t weekday = ((date.DayNumber() % 7) + 7 + 6) % 7;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const long offset = local.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[weekday],
                t.day, kMonths[t.month - 1], t.year, t.hour, t.minute, t.second,
                offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
  return text;
}

uint64_t Fnv1a(const std::string& data, uint64_t hash = 1469598103934665603ull) {
  for (unsigned char c : data) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

}  // namespace

bool ParseSmtpSecurity(const std::string& text, SmtpSecurity& security) {
  std::string lower;
  for (char c : text) lower += g_ascii_tolower(c);
  if (lower == "none" || lower.empty()) {
    security = SmtpSecurity::kNone;
  } else if (lower == "starttls") {
    security = SmtpSecurity::kStartTls;
  } else if (lower == "tls") {
    security = SmtpSecurity::kTls;
  } else {
    return false;
  }
  return true;
}

bool IsValidAddress(const std::string& address) {
  const size_t at = address.find('@');
  if (at == std::string::npos || at == 0 || address.find('@', at + 1) != std::string::npos) {
    return false;
  }
  if (address.find_first_of(" \t\r\n<>()[],;:\"\\") != std::string::npos) return false;
  // Without SMTPUTF8 an address in a header must be ASCII.
  if (!IsAscii(address)) return false;
  const std::string domain = address.substr(at + 1);
  const size_t dot = domain.find('.');
  return dot != std::string::npos && dot > 0 && domain.back() != '.' &&
         domain.find("..") == std::string::npos;
}

std::string ComposeMessage(const MailMessage& m) {
  const uint64_t hash = Fnv1a(m.attachment, Fnv1a(m.to + "\n" + m.subject + "\n" + m.body));
  char id[32];
  std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(hash));
  const std::string boundary = std::string("=_dunmerrow_") + id;
  const core::CivilTime t = m.date.ToCivil();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);

  std::string out;
  out += "From: " + OneLine(m.from) + "\r\n";
  if (!m.to.empty()) out += "To: " + OneLine(m.to) + "\r\n";
  out += "Subject: " + EncodeHeaderText(m.subject) + "\r\n";
  out += "Date: " + MailDate(m.date) + "\r\n";
  out += std::string("Message-ID: <") + stamp + "." + id + "@dunmerrow.invalid>\r\n";
  if (!m.fingerprint.empty()) out += "X-Dunmerrow-Statement: " + OneLine(m.fingerprint) + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  out += "This is a message in MIME format.\r\n\r\n";
  out += "--" + boundary + "\r\n";
  out += "Content-Type: text/plain; charset=UTF-8\r\n";
  out += "Content-Transfer-Encoding: base64\r\n\r\n";
  // Base64 in lines of 76 characters, encoded straight into the message.
  auto lines = [&out](const std::string& data) {
    constexpr size_t kBytesPerLine = 57;  // 76 characters
    out.reserve(out.size() + (data.size() / kBytesPerLine + 1) * 78 + 512);
    char line[80];
    for (size_t at = 0; at < data.size(); at += kBytesPerLine) {
      const size_t n = std::min(kBytesPerLine, data.size() - at);
      gint state = 0;
      gint save = 0;
      gsize length = g_base64_encode_step(reinterpret_cast<const guchar*>(data.data() + at), n,
                                          FALSE, line, &state, &save);
      length += g_base64_encode_close(FALSE, line + length, &state, &save);
      out.append(line, length);
      out += "\r\n";
    }
  };
  lines(m.body);
  out += "--" + boundary + "\r\n";
  out += "Content-Type: application/pdf; name=\"" + EncodeHeaderText(m.attachment_name) + "\"\r\n";
  out += "Content-Disposition: attachment; " + FileNameParameters(m.attachment_name) + "\r\n";
  out += "Content-Transfer-Encoding: base64\r\n\r\n";
  lines(m.attachment);
  out += "--" + boundary + "--\r\n";
  return out;
}

std::string HeaderValue(const std::string& message, const std::string& name) {
  size_t at = 0;
  while (at < message.size()) {
    const size_t end = message.find("\r\n", at);
    const std::string line = message.substr(at, end == std::string::npos ? end : end - at);
    if (line.empty()) break;  // end of the header
    if (line.size() > name.size() && line[name.size()] == ':' &&
        g_ascii_strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
      std::string value = line.substr(name.size() + 1);
      value.erase(0, value.find_first_not_of(' '));
      return value;
    }
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return "";
}

namespace {

struct Upload {
  const std::string* data;
  size_t sent = 0;
};

// What one SMTP dialogue keeps for its error message and its time limit:
// the server's last refusal, and when the whole message must be done.
struct Dialogue {
  std::string refusal;
  std::chrono::steady_clock::time_point deadline;
};

int KeepServerAnswer(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  // A refusal is what the user needs to read; the goodbye after it is not.
  if (!line.empty() && (line[0] == '4' || line[0] == '5')) {
    static_cast<Dialogue*>(user)->refusal = std::move(line);
  }
  return 0;
}

// libcurl waits for the server's last answer with a limit of its own, apart
// from the transfer's: this keeps the whole message within its limit.
int StopAtDeadline(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return std::chrono::steady_clock::now() > static_cast<Dialogue*>(user)->deadline ? 1 : 0;
}

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const size_t n = std::min(size * count, upload->data->size() - upload->sent);
  std::copy_n(upload->data->data() + upload->sent, n, buffer);
  upload->sent += n;
  return n;
}

}  // namespace

core::ComError MailError(const std::string& what, CURLcode code, long smtp_code,
                         const char* detail) {
  const std::string reason = detail && *detail ? detail : curl_easy_strerror(code);
  int32_t number = core::kErrMailConnect;
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      number = core::kErrMailTimeout;
      break;
    case CURLE_LOGIN_DENIED:
      number = core::kErrMailLogin;
      break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      number = core::kErrMailConnect;
      break;
    default:
      // The server answered with a refusal (4xx or 5xx): it was reached, and
      // said no; anything else broke the connection.
      if (smtp_code >= 400) number = core::kErrMailRefused;
      break;
  }
  return core::ComError(number, what + ": " + reason, kSource);
}

bool IsServerUnreachable(const core::ComError& error) {
  return error.number() == core::kErrMailConnect || error.number() == core::kErrMailTimeout;
}

namespace {

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using CurlList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

}  // namespace

void SendMessage(const SmtpSettings& smtp, const std::string& to, const std::string& message) {
  if (smtp.host.empty()) {
    throw core::ComError(core::kErrMailNotConfigured,
                         "no mail server is set (settings section Mail, key Host)", kSource);
  }
  if (!IsValidAddress(to)) {
    throw core::ComError(core::kErrMailAddress, "'" + to + "' is not a valid e-mail address",
                         kSource);
  }
  static std::once_flag init;
  std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  const int port = smtp.port ? smtp.port : smtp.security == SmtpSecurity::kTls ? 465 : 25;
  const std::string url =
      std::string(smtp.security == SmtpSecurity::kTls ? "smtps://" : "smtp://") + smtp.host + ":" +
      std::to_string(port);
  CurlHandle curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw core::ComError(core::kErrOutOfMemory, "cannot start libcurl", kSource);
  char error[CURL_ERROR_SIZE] = "";
  Upload upload{&message};
  CurlList recipients(curl_slist_append(nullptr, ("<" + to + ">").c_str()), &curl_slist_free_all);
  const std::string from =
      "<" + (smtp.from.empty() ? std::string("statements@localhost") : smtp.from) + ">";
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadUpload);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(smtp.connect_timeout_seconds));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(smtp.timeout_seconds));
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  Dialogue dialogue;
  dialogue.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(smtp.timeout_seconds);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(smtp.timeout_seconds));
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &StopAtDeadline);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &dialogue);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &KeepServerAnswer);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, &dialogue);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
  if (smtp.security == SmtpSecurity::kStartTls) {
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  }
  if (!smtp.user.empty()) {
    const char* password = std::getenv("DUNMERROW_SMTP_PASSWORD");
    curl_easy_setopt(c, CURLOPT_USERNAME, smtp.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, password ? password : "");
  }
  CURLcode result = curl_easy_perform(c);
  if (result == CURLE_OK) return;
  long smtp_code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &smtp_code);
  if (result == CURLE_ABORTED_BY_CALLBACK) result = CURLE_OPERATION_TIMEDOUT;
  std::string detail = error;
  if (result == CURLE_OPERATION_TIMEDOUT) {
    detail = "no answer within " + std::to_string(smtp.timeout_seconds) + " s (timed out)";
  } else if (smtp_code >= 400 && !dialogue.refusal.empty()) {
    detail = "it answered " + dialogue.refusal;
  }
  throw MailError("the mail server " + smtp.host + ":" + std::to_string(port) +
                      " did not take the message for " + to,
                  result, smtp_code, detail.c_str());
}

}  // namespace report_engine

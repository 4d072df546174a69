// The outbox: statement document names, finding what earlier runs left,
// and sending each message at most once.
#include "engines/report/outbox.h"

#include <algorithm>
#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/com_error.h"
#include "engines/report/engine_errors.h"
#include "platform/files.h"
#include "platform/os_error.h"

namespace report_engine {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxCodeInName = 80;
constexpr int kUnreachableLimit = 3;
constexpr char kClaimSuffix[] = ".sending";

bool SafeNameCharacter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

std::vector<std::string> FilesEndingIn(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_regular_file(ec) && name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string FingerprintOf(const std::string& path) {
  try {
    return HeaderValue(platform::ReadFile(path), kFingerprintHeader);
  } catch (const core::ComError&) {
    return "";
  }
}

// The sent copies of `name` are NAME.eml, NAME-2.eml, ...: the newest is the
// one with the highest number.
std::string NewestSent(const std::string& sent, const std::string& name) {
  std::string newest;
  for (int n = 1;; ++n) {
    const std::string path =
        (fs::path(sent) / (n == 1 ? name + ".eml" : name + "-" + std::to_string(n) + ".eml"))
            .string();
    if (!fs::exists(path)) return newest;
    newest = path;
  }
}

// A free name in OUT/sent for the message `file`, keeping earlier copies.
std::string SentPathFor(const std::string& sent, const std::string& file) {
  const std::string stem = fs::path(file).stem().string();
  std::string path = (fs::path(sent) / (stem + ".eml")).string();
  for (int n = 2; fs::exists(path); ++n) {
    path = (fs::path(sent) / (stem + "-" + std::to_string(n) + ".eml")).string();
  }
  return path;
}

}  // namespace

std::string StatementDocumentName(const std::string& date, const std::string& owner_code) {
  std::string code;
  for (unsigned char c : owner_code.substr(0, kMaxCodeInName)) {
    code += SafeNameCharacter(c) ? static_cast<char>(c) : '_';
  }
  if (code.empty()) code = "_";
  return "Statement-" + date + "-" + code;
}

Outbox::Outbox(std::string out_folder, SmtpSettings smtp)
    : outbox_((fs::path(out_folder) / "outbox").string()),
      sent_((fs::path(out_folder) / "sent").string()),
      smtp_(std::move(smtp)) {}

Outbox::Found Outbox::Find(const std::string& name) const {
  if (std::string sent = NewestSent(sent_, name); !sent.empty()) {
    return {Found::Where::kSent, sent, FingerprintOf(sent)};
  }
  const std::string waiting = (fs::path(outbox_) / (name + ".eml")).string();
  if (fs::exists(waiting)) return {Found::Where::kWaiting, waiting, FingerprintOf(waiting)};
  const std::string claimed = waiting + kClaimSuffix;
  if (fs::exists(claimed)) return {Found::Where::kClaimed, claimed, FingerprintOf(claimed)};
  return {};
}

std::string Outbox::PathOf(const std::string& name) const {
  return (fs::path(outbox_) / (name + ".eml")).string();
}

std::string Outbox::Queue(const std::string& name, const std::string& message) const {
  std::error_code ec;
  fs::create_directories(outbox_, ec);
  if (ec) throw platform::OsError("cannot create the folder " + outbox_, ec.value(), kEngineSource);
  const std::string path = PathOf(name);
  platform::WriteFileAtomically(path, message);
  return path;
}

contracts::Delivery Outbox::Send(const std::string& path) {
  using contracts::DeliveryState;
  if (unreachable_in_a_row_ >= kUnreachableLimit) {
    return {DeliveryState::kWaiting, path,
            "not tried: " + unreachable_reason_ + " (three times in a row)"};
  }
  const std::string claimed = path + kClaimSuffix;
  // The claim never replaces another: a claim already there is a send of an
  // earlier copy, in progress or stopped half-way.
  if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, claimed.c_str(), RENAME_NOREPLACE) != 0) {
    const int err = errno;
    if (err == EEXIST) {
      return {DeliveryState::kWaiting, path,
              "an earlier copy is being sent, or its send did not finish; check whether it "
              "arrived before sending this one"};
    }
    // Another sender took it first, or it is gone: it is not ours to send.
    return {DeliveryState::kWaiting, path,
            err == ENOENT ? "taken by another send"
                          : "cannot be claimed for sending: " + std::string(std::strerror(err))};
  }
  const auto put_back = [&] { std::rename(claimed.c_str(), path.c_str()); };
  std::string message;
  try {
    message = platform::ReadFile(claimed);
  } catch (const core::ComError& e) {
    put_back();
    return {DeliveryState::kWaiting, path, e.description()};
  }
  const std::string to = HeaderValue(message, "To");
  if (to.empty()) {
    put_back();
    return {DeliveryState::kWaiting, path, "no valid e-mail address"};
  }
  try {
    SendMessage(smtp_, to, message);
    unreachable_in_a_row_ = 0;
  } catch (const core::ComError& e) {
    put_back();
    if (IsServerUnreachable(e)) {
      ++unreachable_in_a_row_;
      unreachable_reason_ = "the mail server " + smtp_.host + " could not be reached";
    } else {
      unreachable_in_a_row_ = 0;
    }
    return {DeliveryState::kWaiting, path, e.description()};
  }
  std::error_code ec;
  fs::create_directories(sent_, ec);
  const std::string sent = SentPathFor(sent_, path);
  if (ec || std::rename(claimed.c_str(), sent.c_str()) != 0) {
    // It went out: it must not go out again, so the claim stays as it is.
    return {DeliveryState::kSent, claimed,
            "sent, but it could not be moved to " + sent_ + ": " +
                (ec ? ec.message() : std::string(std::strerror(errno)))};
  }
  return {DeliveryState::kSent, sent, ""};
}

std::vector<std::string> Outbox::Waiting() const { return FilesEndingIn(outbox_, ".eml"); }

std::vector<std::string> Outbox::Claimed() const {
  return FilesEndingIn(outbox_, std::string(".eml") + kClaimSuffix);
}

OutboxResult SendOutbox(const std::string& out_folder, const SmtpSettings& smtp) {
  OutboxResult result;
  Outbox outbox(out_folder, smtp);
  std::error_code ec;
  if (fs::exists(outbox.outbox_folder(), ec) && !fs::is_directory(outbox.outbox_folder(), ec)) {
    result.problems.push_back("cannot read the outbox " + outbox.outbox_folder() +
                              ": it is not a folder");
  }
  for (const std::string& file : outbox.Waiting()) {
    const contracts::Delivery delivery = outbox.Send(file);
    if (delivery.state == contracts::DeliveryState::kSent && delivery.reason.empty()) {
      ++result.sent;
    } else if (delivery.state == contracts::DeliveryState::kSent) {
      ++result.sent;
      result.problems.push_back(file + " was " + delivery.reason);
    } else {
      result.problems.push_back(file + " stays in the outbox: " + delivery.reason);
    }
  }
  return result;
}

}  // namespace report_engine

// The outbox of e-mailed statements in the output folder OUT: OUT/outbox
// holds the messages waiting to be sent, OUT/sent those a mail server took.
// A message goes out at most once: a sender claims it by renaming it to
// NAME.eml.sending, so no other sender can take it, sends it, and then moves
// it to OUT/sent (or back, when it was not taken). A claim left behind by a
// sender that stopped half-way stays for a person to check: whether it went
// out cannot be known.
#ifndef DUNMERROW_ENGINES_REPORT_OUTBOX_H_
#define DUNMERROW_ENGINES_REPORT_OUTBOX_H_

#include <string>
#include <vector>

#include "contracts/report.h"
#include "engines/report/mail.h"

namespace report_engine {

// The name of a statement's documents: "Statement-DATE-CODE", the owner code
// with every character but letters, digits, '.', '_' and '-' turned into '_'
// and cut to 80 characters, so that any code makes a safe file name.
std::string StatementDocumentName(const std::string& date, const std::string& owner_code);

// The header that carries a message's statement fingerprint.
inline constexpr char kFingerprintHeader[] = "X-Dunmerrow-Statement";

class Outbox {
 public:
  Outbox(std::string out_folder, SmtpSettings smtp);

  // Where the statement `name` stands after earlier runs.
  struct Found {
    enum class Where { kNowhere, kWaiting, kClaimed, kSent };
    Where where = Where::kNowhere;
    std::string path;         // the message found
    std::string fingerprint;  // its kFingerprintHeader, "" when none
  };
  // The newest sent copy counts first, then one waiting, then a claim.
  Found Find(const std::string& name) const;

  // Writes `message` as PathOf(name), replacing a copy waiting there;
  // returns its path. Raises ComError naming the file when it cannot.
  std::string Queue(const std::string& name, const std::string& message) const;
  // OUT/outbox/NAME.eml.
  std::string PathOf(const std::string& name) const;

  // Sends the waiting message `path` once: kSent with its path in OUT/sent,
  // or kWaiting with the reason it stays in the outbox. Once the server has
  // been out of reach three times in a row, nothing more is tried: every
  // later message waits, saying so.
  contracts::Delivery Send(const std::string& path);

  // Every message waiting in OUT/outbox, oldest name first.
  std::vector<std::string> Waiting() const;
  // Claims left by a sender that did not finish.
  std::vector<std::string> Claimed() const;

  const std::string& outbox_folder() const { return outbox_; }
  const std::string& sent_folder() const { return sent_; }

 private:
  std::string outbox_;
  std::string sent_;
  SmtpSettings smtp_;
  int unreachable_in_a_row_ = 0;
  std::string unreachable_reason_;
};

struct OutboxResult {
  int sent = 0;
  std::vector<std::string> problems;  // one line per message left in the outbox
};

// Sends every message waiting in OUT/outbox, oldest name first.
OutboxResult SendOutbox(const std::string& out_folder, const SmtpSettings& smtp);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_OUTBOX_H_

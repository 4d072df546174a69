// E-mailed statements: the .eml read back by Python's mail parser, delivery
// to a real SMTP sink on 127.0.0.1, and messages that cannot go waiting.
#include "engines/report/mail.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "engines/report/outbox.h"
#include "report_test_util.h"

namespace report_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class MailTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    options_.smtp.from = "office@harbour-lettings.example";
    options_.smtp.host = "127.0.0.1";
  }
  // Prints one statement for each (owner code, name, address) and ends it as
  // its own document, as the component does for the e-mail destinations.
  std::shared_ptr<contracts::Report> EmailStatements(
      int32_t destination,
      const std::vector<std::tuple<std::string, std::string, std::string>>& owners,
      const std::string& subject = "Rental Summary") {
    auto report = NewReport(destination);
    auto& documents = dynamic_cast<contracts::StatementDocuments&>(*report);
    for (const auto& [code, owner, address] : owners) {
      documents.BeginStatement(code);
      PrintStatement(*report, owner, 2);
      report->SetEmailTo(address);
      report->SetEmailSubject(subject);
      report->EndReport();
    }
    return report;
  }
  // What Python's e-mail parser reads from the message file at `path`.
  std::string Parse(const fs::path& path) {
    WriteFile(dir_ / "parse.py", R"(import email, email.policy, sys
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)
print('To:', m['To'])
print('Subject:', m['Subject'])
for part in m.iter_attachments():
    data = part.get_content()
    print('Attachment:', part.get_filename(), part.get_content_type(), data[:5])
    open(sys.argv[2], 'wb').write(data)
print('Defects:', len(m.defects))
)");
    return Output("python3 " + Quoted(dir_ / "parse.py") + " " + Quoted(path) + " " +
                  Quoted(dir_ / "attachment.pdf"));
  }
  fs::path Outbox() const { return fs::path(options_.output_folder) / "outbox"; }
  fs::path Sent() const { return fs::path(options_.output_folder) / "sent"; }
};

TEST_F(MailTest, TheOutboxHoldsOneParsableMessagePerStatement) {
  auto report = EmailStatements(contracts::kDestinationOutbox,
                                {{"BROWN01", "Ms Alice Brown", "alice@example.org"},
                                 {"O'NEIL/2", "Mr Pat O'Neil", "pat@example.org"},
                                 {"O_NEIL_2", "Ms Jo O'Neil", "jo@example.org"}});
  // Codes are made safe for a file name, and stay apart when that makes two alike.
  EXPECT_EQ(testing_support::FilesUnder(Outbox()),
            (std::vector<std::string>{"Statement-2026-03-31-BROWN01.eml",
                                      "Statement-2026-03-31-O_NEIL_2-2.eml",
                                      "Statement-2026-03-31-O_NEIL_2.eml"}));
  const fs::path first = Outbox() / "Statement-2026-03-31-BROWN01.eml";
  EXPECT_EQ(Parse(first),
            "To: alice@example.org\n"
            "Subject: Rental Summary\n"
            "Attachment: Statement-2026-03-31-BROWN01.pdf application/pdf b'%PDF-'\n"
            "Defects: 0\n");
  EXPECT_THAT(Output("pdftotext " + Quoted(dir_ / "attachment.pdf") + " -"),
              ::testing::HasSubstr("Ms Alice Brown"));
  const std::string raw = ReadFile(first);
  size_t lines = 0, bare = 0;  // bare: line feeds without their carriage return
  for (size_t at = raw.find('\n'); at != std::string::npos; at = raw.find('\n', at + 1)) {
    ++lines;
    bare += at == 0 || raw[at - 1] != '\r';
  }
  EXPECT_GT(lines, 10u);
  EXPECT_EQ(bare, 0u) << "every line ends in CR LF";
  EXPECT_TRUE(report_engine::Summary(*report).problems.empty());
}

TEST_F(MailTest, AStatementWithoutAValidAddressWaitsAndLineBreaksCannotAddHeaders) {
  auto report =
      EmailStatements(contracts::kDestinationEmail, {{"NG01", "Mr Bob Ng", "bob at example"}},
                      "Relevé\r\nBcc: everyone@example.org");
  const fs::path kept = Outbox() / "Statement-2026-03-31-NG01.eml";
  EXPECT_THAT(report_engine::Summary(*report).problems,
              ElementsAre("The statement for Mr Bob Ng has no valid e-mail address "
                          "('bob at example'); it waits in " +
                          kept.string()));
  EXPECT_THAT(ReadFile(kept), ::testing::Not(::testing::ContainsRegex("\r\n(Bcc|To):")));
  EXPECT_EQ(Parse(kept),
            "To: None\nSubject: Relevé  Bcc: everyone@example.org\nAttachment: "
            "Statement-2026-03-31-NG01.pdf application/pdf b'%PDF-'\nDefects: 0\n");
}

TEST_F(MailTest, AMessageThatFindsNoServerWaitsForOutboxSendAndSentOnesMoveToSent) {
  // A port of 127.0.0.1 taken but not listening: connections are refused.
  const int taken = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), length), 0);
  getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  options_.smtp.port = port;
  auto first = EmailStatements(contracts::kDestinationEmail,
                               {{"BROWN01", "Ms Alice Brown", "alice@example.org"}});
  const fs::path waiting = Outbox() / "Statement-2026-03-31-BROWN01.eml";
  EXPECT_THAT(report_engine::Summary(*first).problems,
              ElementsAre(::testing::StartsWith(
                  "The statement for Ms Alice Brown was not sent: " + waiting.string() +
                  " stays in the outbox: the mail server 127.0.0.1:" + std::to_string(port) +
                  " did not take the message for alice@example.org: ")));

  close(taken);
  testing_support::MailServer sink(dir_ / "smtp");
  options_.smtp.port = sink.port();
  const auto result = report_engine::SendOutbox(options_.output_folder, options_.smtp);
  EXPECT_EQ(result.sent, 1);
  EXPECT_TRUE(result.problems.empty());
  EXPECT_TRUE(fs::is_empty(Outbox()));
  // It went as it is kept, byte for byte.
  const auto received = sink.Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_TRUE(ReadFile(received[0]) == ReadFile(Sent() / waiting.filename()));
}

TEST(MailAddressTest, AddressesAreCheckedBeforeTheyGoIntoAHeader) {
  for (const char* good : {"alice@example.org", "a.b+c@mail.example.co.uk"}) {
    EXPECT_TRUE(report_engine::IsValidAddress(good)) << good;
  }
  for (const char* bad : {"", "alice", "alice@example", "alice@example.org\r\nBcc: x@y.z",
                          "alice@example.org\nX-Injected: yes", "Alice <alice@example.org>",
                          "a@example.com, b@example.net", "a@example.com;b@example.net",
                          "a@@example.org", "a@example..org", "zo\xC3\xAB@example.org"}) {
    EXPECT_FALSE(report_engine::IsValidAddress(bad)) << bad;
  }
}

}  // namespace
}  // namespace report_test

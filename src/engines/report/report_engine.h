// Our report engine, registered as "Vintrel.Report": definitions, layout,
// PDF, trace, printing and e-mail. The host chooses the engine's options
// when it registers the factory; the engine reads no settings itself.
//
// Output files, in `output_folder` (OUT):
//   preview (0) and printer (2): OUT/statements-<date>.pdf, one per EndReport;
//   e-mail (6, 7, 8): OUT/outbox/Statement-<date>-<owner code>.eml (see
//   outbox.h), moved to OUT/sent/ once a mail server took it. <date> is the
//   run's report date (SetReportDate), else today.
// Every file is written under a temporary name and then renamed. Other
// destinations behave as preview. A document without pages writes nothing.
#ifndef DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_
#define DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/report.h"
#include "engines/report/mail.h"

namespace report_engine {

class PreviewPages;

struct EngineOptions {
  // Where PDFs go; e-mailed documents go to OUT/outbox and OUT/sent.
  std::string output_folder = "statements";
  // The Destination a new report starts with.
  int32_t destination = contracts::kDestinationPreview;
  // False: lay out and trace only, write no PDF (measuring runs).
  bool render = true;
  // The CUPS printer for destination 2; "" is the system's default.
  std::string printer;
  // The mail server for destinations 6 and 8 (and the From of 7).
  SmtpSettings smtp;
  // The PDF's file name for preview and printer; "" is statements-<date>.pdf.
  std::string pdf_name;
  // The text of an e-mailed statement's message.
  std::string email_body = "Please find your statement attached.\r\n";
  // False: a statement that an earlier run sent, or left waiting, with the
  // same content is reported as such and not delivered again. True: every
  // statement is written and sent again.
  bool resend = false;
  // True: pages are painted and documents encoded and written on a second
  // thread while the run lays out the next ones (the bytes are the same).
  // An e-mailed document of the outbox (7) is then written after EndReport
  // returns; StatementDocuments::Settle waits for all of them.
  bool worker = false;
  // The field whose printed text names a document in messages (the owner).
  std::string document_label_field = "Owner";
  // True: a preview run keeps its laid-out pages for KeptPreview, in memory.
  bool keep_preview = false;
};

std::shared_ptr<contracts::Report> CreateReport(const EngineOptions& options);

// What a report has produced so far, for the host to show after a run.
struct RunSummary {
  int documents = 0;                  // EndReport calls that produced a file
  int pages = 0;                      // pages of those documents
  std::vector<std::string> files;     // the PDFs, or the .eml files
  std::vector<std::string> problems;  // e-mails left in the outbox, and why
  std::map<std::string, int> copies;  // copies printed, by section name
};

// The summary of a report made by CreateReport (an empty one for any other).
RunSummary Summary(const contracts::Report& report);

// Raises the print-button event of a report made by CreateReport, as the
// preview's print button does: the advised sink's PrintToPrinterButton.
void PressPrintButton(contracts::Report& report);

// The pages of the last preview run of a report made by CreateReport with
// `keep_preview`, as far as the run laid them out (all of them, unless it
// stopped); null when there was no such run. Later runs to other
// destinations leave them; the next preview run keeps new ones.
std::shared_ptr<PreviewPages> KeptPreview(const contracts::Report& report);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_

// What the component requires of a report engine: a loaded definition with
// named sections and fields, printing of section copies, page control, the
// destination and e-mail envelope of each document, text fitting, and the
// print-button event. Every failed call raises core::ComError.
#ifndef DUNMERROW_CONTRACTS_REPORT_H_
#define DUNMERROW_CONTRACTS_REPORT_H_

#include <cstdint>
#include <memory>
#include <string>

#include "core/date.h"
#include "core/variant.h"

namespace contracts {

// One field of a section. Lengths are in the definition's layout unit (twips).
class ReportField {
 public:
  virtual ~ReportField() = default;
  virtual std::string Name() const = 0;
  // The text printed in the field by the next PrintSection.
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  virtual void SetDefaultText(const std::string& text) = 0;
  virtual void SetStyle(int32_t style) = 0;
  virtual int32_t Top() const = 0;
  virtual void SetTop(int32_t top) = 0;
  virtual int32_t Width() const = 0;
  virtual void SetWidth(int32_t width) = 0;
  virtual void SetLeft(int32_t left) = 0;
  virtual void SetHeight(int32_t height) = 0;
};

class ReportSection {
 public:
  virtual ~ReportSection() = default;
  // By exact name (letter case counts); raises when the section lacks it.
  virtual std::shared_ptr<ReportField> Fields(const std::string& name) = 0;
  // By 1-based position; raises when out of range.
  virtual std::shared_ptr<ReportField> Fields(int16_t position) = 0;
  virtual int32_t FieldCount() const = 0;
  virtual int32_t Height() const = 0;
  virtual void SetHeight(int32_t height) = 0;
  virtual std::string Name() const = 0;
  // Empties the text of every field; unset fields of the next copy print empty.
  virtual void Clear() = 0;
  // Adds a field, which Fields then finds; returns it.
  virtual std::shared_ptr<ReportField> AddField(const std::string& name) = 0;
};

// Receives the engine's event. Raised on the thread that created the engine.
class ReportEvents {
 public:
  virtual ~ReportEvents() = default;
  virtual void PrintToPrinterButton() = 0;
};

// The ProgID the component creates its report engine by.
inline constexpr char kReportProgId[] = "Vintrel.Report";

// Destinations the component gives meaning to.
inline constexpr int32_t kDestinationPreview = 0;
inline constexpr int32_t kDestinationPrinter = 2;
inline constexpr int32_t kDestinationEmail = 6;
inline constexpr int32_t kDestinationOutbox = 7;
inline constexpr int32_t kDestinationEmailAndOutbox = 8;
// E-mail destinations end each owner's statement as a document of its own.
inline bool IsEmailDestination(int32_t d) {
  return d == kDestinationEmail || d == kDestinationOutbox || d == kDestinationEmailAndOutbox;
}

class Report : public core::Object {
 public:
  // Loads the definition at `path`; true on success. Its sections can be
  // looked up afterwards.
  virtual bool LoadDefinition(const std::string& path) = 0;
  // By exact name; raises when the definition lacks it. The section object
  // stays valid for the life of the report.
  virtual std::shared_ptr<ReportSection> Sections(const std::string& name) = 0;
  // Appends one copy of the section with its fields' current texts.
  virtual void PrintSection(const std::string& name) = 0;
  virtual void NewPage() = 0;
  // Nonzero when the current page holds output.
  virtual int16_t PageHasOutput() = 0;
  virtual int32_t Destination() const = 0;
  virtual void SetDestination(int32_t destination) = 0;
  virtual void SetEmailTo(const std::string& to) = 0;
  virtual void SetEmailSubject(const std::string& subject) = 0;
  // Completes and delivers the current document.
  virtual void EndReport() = 0;
  // Leaves in `text` the leading part that fits `field` and returns the rest:
  // "" when all fits, otherwise shorter than the text given.
  virtual std::string FitText(ReportField& field, std::string& text) = 0;
  // Connects the event sink (nullptr disconnects). Not owned.
  virtual void Advise(ReportEvents* events) = 0;
};

// What became of a finished document.
enum class DeliveryState {
  kNone,       // not delivered: the run stopped before its document was ended
  kPreviewed,  // written as the preview (or only laid out, when nothing is written)
  kPrinted,    // handed to the printer
  kWritten,    // written to the outbox, to be sent later
  kSent,       // accepted by the mail server
  kWaiting,    // kept in the outbox: `reason` says why it was not sent
  kFailed,     // not delivered: `reason` says what failed
};

struct Delivery {
  DeliveryState state = DeliveryState::kNone;
  std::string file;    // the document written, or "" when there is none
  std::string reason;  // why it waits or failed; for a statement found already
                       // delivered by an earlier run, what was found
};

// Optional interface of an engine that names its documents by statement and
// tells what it did with each; a run asks for it with dynamic_cast. With an
// engine that lacks it, a run's outcome has no pages, files or deliveries.
class StatementDocuments {
 public:
  virtual ~StatementDocuments() = default;
  // The report date of the run, before its first statement; it names the
  // documents.
  virtual void SetReportDate(const core::Date& date) = 0;
  // What is printed from now on is the statement of the owner `owner_code`.
  virtual void BeginStatement(const std::string& owner_code) = 0;
  // Pages of the current document so far; 0 before its first output.
  virtual int32_t PageCount() const = 0;
  // What the last EndReport did with its document.
  virtual const Delivery& LastDelivery() const = 0;
  // An engine may deliver documents behind the run, after EndReport has
  // returned (LastDelivery then tells what it will be): Settle waits until
  // every document ended so far is delivered and raises the first failure.
  virtual void Settle() = 0;
  // After a failure raised by the engine: the owner code of the statement
  // whose document failed behind the run, or "" when the failure belongs to
  // the call that raised it.
  virtual std::string FailedStatement() const = 0;
};

}  // namespace contracts

#endif  // DUNMERROW_CONTRACTS_REPORT_H_

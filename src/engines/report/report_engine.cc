// The Report object: page flow of section copies, the trace, and delivery
// of each finished document to its destination.
#include "engines/report/report_engine.h"

#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <unordered_map>

#include "core/com_error.h"
#include "engines/report/definition.h"
#include "engines/report/images.h"
#include "engines/report/outbox.h"
#include "engines/report/page_painter.h"
#include "engines/report/preview_pages.h"
#include "engines/report/printer.h"
#include "engines/report/report_objects.h"
#include "engines/report/document_worker.h"
#include "engines/report/text_engine.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/os_error.h"
#include "platform/trace.h"

namespace report_engine {

namespace {

constexpr char kSource[] = "Vintrel.Report";
namespace fs = std::filesystem;
// Jobs that may wait for the worker: each is a page group (a statement's
// pages) or a document's start or end, so memory stays a few statements.
constexpr size_t kQueuedJobs = 16;
// Workers for e-mailed statements, on a machine of two cores: the run's
// own thread lays out, two paint.
constexpr int kLanes = 2;

[[noreturn]] void Fail(int32_t number, const std::string& text) {
  throw core::ComError(number, text, kSource);
}

// The SHA-256 of what a document shows: every copy laid out, with its
// place, geometry and texts, and every page break. Equal input gives equal
// fingerprints, whatever the clock says when the PDF is made.
class Fingerprint {
 public:
  Fingerprint() : checksum_(g_checksum_new(G_CHECKSUM_SHA256)) {}
  ~Fingerprint() { g_checksum_free(checksum_); }
  Fingerprint(const Fingerprint&) = delete;
  Fingerprint& operator=(const Fingerprint&) = delete;

  void Reset() { g_checksum_reset(checksum_); }
  void Add(const std::string& text) {
    const uint64_t size = text.size();
    Bytes(&size, sizeof size);
    Bytes(text.data(), text.size());
  }
  void Add(int64_t number) { Bytes(&number, sizeof number); }
  void Add(const SectionCopy& copy) {
    Add(static_cast<int64_t>(copy.section));
    Add(static_cast<int64_t>(copy.y));
    for (const ElementSnapshot& e : copy.elements) {
      for (int64_t n : {int64_t{e.index}, int64_t{e.top}, int64_t{e.left}, int64_t{e.width},
                        int64_t{e.height}, int64_t{e.style}}) {
        Add(n);
      }
      Add(e.text);
    }
  }
  // The hex digest of everything added; the fingerprint carries on.
  std::string Hex() const {
    GChecksum* copy = g_checksum_copy(checksum_);
    std::string hex = g_checksum_get_string(copy);
    g_checksum_free(copy);
    return hex;
  }

 private:
  void Bytes(const void* data, size_t size) {
    g_checksum_update(checksum_, static_cast<const guchar*>(data), static_cast<gssize>(size));
  }
  GChecksum* checksum_;
};

void MakeFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw platform::OsError("cannot create the folder " + folder.string(), ec.value(), kSource);
}

class ReportImpl : public contracts::Report, public contracts::StatementDocuments {
 public:
  explicit ReportImpl(EngineOptions options)
      : options_(std::move(options)),
        destination_(options_.destination),
        outbox_(options_.output_folder, options_.smtp) {
    // E-mailed statements are documents of their own: two lanes paint them
    // side by side. A run's one PDF goes through the first.
    const int lanes = options_.worker ? kLanes : 1;
    for (int i = 0; i < lanes; ++i) {
      lanes_.push_back(std::make_unique<Lane>(options_.worker, [this] { commits_.Stop(); }));
    }
    lane_ = lanes_.front().get();
  }
  ~ReportImpl() override {
    // No job may wait for a document that will never be written.
    commits_.Stop();
    lanes_.clear();
  }

  bool LoadDefinition(const std::string& path) override;
  std::shared_ptr<contracts::ReportSection> Sections(const std::string& name) override {
    return sections_[IndexOf(name)];
  }
  void PrintSection(const std::string& name) override;
  void NewPage() override;
  int16_t PageHasOutput() override { return page_has_output_ ? 1 : 0; }
  int32_t Destination() const override { return destination_; }
  void SetDestination(int32_t destination) override { destination_ = destination; }
  void SetEmailTo(const std::string& to) override { email_to_ = to; }
  void SetEmailSubject(const std::string& subject) override { email_subject_ = subject; }
  void EndReport() override;
  std::string FitText(contracts::ReportField& field, std::string& text) override;
  void Advise(contracts::ReportEvents* events) override { events_ = events; }

  void SetReportDate(const core::Date& date) override { report_date_ = date.ToIso().substr(0, 10); }
  void BeginStatement(const std::string& owner_code) override { statement_owner_ = owner_code; }
  int32_t PageCount() const override { return doc_pages_; }
  const contracts::Delivery& LastDelivery() const override { return last_delivery_; }
  void Settle() override;
  std::string FailedStatement() const override;

  void PressPrintButton() {
    if (events_) events_->PrintToPrinterButton();
  }
  const RunSummary& summary() const { return summary_; }
  const std::shared_ptr<PreviewPages>& preview() const { return preview_; }

 private:
  size_t IndexOf(const std::string& name) const;
  void StartPage();
  std::string DateText() const;
  // The painting of the current document, handed to the worker: its start
  // (a PDF file at `path`, or the bytes of an attachment when `path` is ""),
  // each finished page group, and its end.
  void PostBegin(const std::string& path);
  void PostGroup(size_t pages);
  // Waits for the document's PDF; raises what went wrong writing it.
  void FinishPdf();
  std::string PdfPath() const;
  // The name of the current statement's documents, unique within the run.
  std::string DocumentName();
  // A statement earlier runs delivered with the same fingerprint: what to
  // report instead of delivering it again; nothing when it is new.
  std::optional<contracts::Delivery> AlreadyDelivered(const std::string& name,
                                                      const std::string& fingerprint,
                                                      bool valid);
  contracts::Delivery DeliverPdf();
  contracts::Delivery DeliverEmail();
  // A delivery problem that must not stop the run: kept for the summary and
  // written to the trace.
  void ReportProblem(const std::string& text);

  EngineOptions options_;
  int32_t destination_;
  std::unique_ptr<Definition> def_;
  std::vector<std::shared_ptr<SectionObject>> sections_;
  std::unordered_map<std::string, size_t> index_;
  TextEngine text_;  // measures for the run; the worker paints with its own
  SectionCopy copy_;  // reused for every copy
  // Pages of the open page group: painted once the group's size is known.
  std::vector<LaidOutPage> group_;
  Outbox outbox_;
  std::map<std::string, std::string> owner_of_name_;  // the run's document names, and whose
  std::string document_name_;     // of the current document, once chosen
  std::string definition_hash_;   // of the definition file's bytes
  Fingerprint fingerprint_;       // of the current document
  std::string email_to_;
  std::string email_subject_;
  std::string document_label_;
  int doc_pages_ = 0;             // pages of the current document; 0 before its first
  std::vector<int> group_pages_;  // pages of each page group of the document
  int32_t cursor_ = 0;
  bool page_has_output_ = false;
  contracts::ReportEvents* events_ = nullptr;
  RunSummary summary_;
  // From the run: the report date ("YYYY-MM-DD"; "" means today)
  // and the owner whose statement is being printed.
  std::string report_date_;
  std::string statement_owner_;
  contracts::Delivery last_delivery_;
  // The pages of the last preview run, when the options ask to keep them.
  std::shared_ptr<PreviewPages> preview_;
  bool keeping_preview_ = false;

  // What only the worker's jobs touch, one after another.
  struct Painting {
    std::unique_ptr<platform::AtomicFile> file;  // a PDF on disk
    std::string bytes;                           // or in memory, to be attached
    std::optional<core::ComError> write_failure;
    std::unique_ptr<PdfWriter> writer;
  };
  // A worker with a painter of its own: Pango's objects are not shared
  // between threads. What is not the worker only its jobs touch.
  struct Lane {
    Lane(bool threaded, std::function<void()> on_failure)
        : worker(threaded, kQueuedJobs, std::move(on_failure)) {}
    TextEngine text;
    ImageCache images;
    std::unique_ptr<PagePainter> painter;
    std::unique_ptr<Painting> painting;
    // The document the worker painted, which its end takes over.
    std::unique_ptr<Painting> TakePainting() {
      if (!painting || !painting->writer) Fail(core::kErrInternal, "a document ended unpainted");
      return std::move(painting);
    }
    DocumentWorker worker;  // last, so that it stops before the rest goes
  };
  std::vector<std::unique_ptr<Lane>> lanes_;
  Lane* lane_ = nullptr;  // the current document's
  // E-mailed documents, in the order they were begun: their owners, and
  // the order they are written in.
  std::vector<std::string> email_owners_;
  CommitOrder commits_;
  // Whose document a job belongs to: an e-mailed statement's owner, or ""
  // for a document of the whole run.
  size_t EmailIndexOf(const std::string& owner) const;
  std::string JobOwner() const {
    return contracts::IsEmailDestination(destination_) ? statement_owner_ : "";
  }
};

bool ReportImpl::LoadDefinition(const std::string& path) {
  auto def = std::make_unique<Definition>(LoadDefinitionFile(path));
  // Nothing of an earlier run may still be painting with the old sections.
  commits_.Stop();
  for (auto& lane : lanes_) {
    lane->worker.Reset();
    lane->painting.reset();
    lane->painter = std::make_unique<PagePainter>(*def, lane->text, lane->images);
  }
  commits_.Reset();
  email_owners_.clear();
  lane_ = lanes_.front().get();
  sections_.clear();
  index_.clear();
  for (const SectionDef& section : def->sections) {
    index_[section.name] = sections_.size();
    sections_.push_back(std::make_shared<SectionObject>(section, def->font));
  }
  def_ = std::move(def);
  // The definition shapes every page: a statement printed with another one
  // is another statement.
  try {
    definition_hash_ = platform::Sha256Hex(platform::ReadFile(path));
  } catch (const core::ComError&) {
    definition_hash_.clear();
  }
  fingerprint_.Reset();
  fingerprint_.Add(definition_hash_);
  group_.clear();
  doc_pages_ = 0;
  group_pages_.clear();
  cursor_ = 0;
  page_has_output_ = false;
  keeping_preview_ = options_.keep_preview && options_.render &&
                     destination_ == contracts::kDestinationPreview;
  if (keeping_preview_) preview_ = std::make_shared<PreviewPages>(*def_, sections_);
  return true;
}

size_t ReportImpl::IndexOf(const std::string& name) const {
  if (!def_) Fail(core::kErrObjectClosed, "No report definition is loaded");
  auto it = index_.find(name);
  if (it == index_.end()) {
    Fail(core::kErrItemNotFound, "Report definition has no section '" + name + "'");
  }
  return it->second;
}

void ReportImpl::StartPage() {
  ++doc_pages_;
  cursor_ = 0;
  page_has_output_ = false;
  if (group_pages_.empty()) group_pages_.push_back(0);
  ++group_pages_.back();
  if (options_.render) {
    if (doc_pages_ == 1) {
      const bool email = contracts::IsEmailDestination(destination_);
      if (!email) MakeFolder(options_.output_folder);
      PostBegin(email ? "" : PdfPath());
    }
    group_.emplace_back();
    if (keeping_preview_) preview_->AddPage();
    fingerprint_.Add(int64_t{-1});
  }
  if (doc_pages_ > 1 && platform::TraceEnabled()) {
    platform::WriteTrace(platform::JsonLine().Add("op", "newpage").Add("page", doc_pages_));
  }
}

void ReportImpl::PrintSection(const std::string& name) {
  const size_t index = IndexOf(name);
  const SectionObject& section = *sections_[index];
  const int32_t height = section.Height();
  if (doc_pages_ == 0) {
    StartPage();
  } else if (page_has_output_ && cursor_ + height > def_->page.PrintableHeight()) {
    StartPage();
  }
  // The same rule the painter follows when it numbers the pages.
  if (!page_has_output_ && name == def_->page_group && group_pages_.back() > 1) {
    --group_pages_.back();
    group_pages_.push_back(1);
    if (options_.render) PostGroup(group_.size() - 1);
  }
  if (options_.render) {
    copy_.section = static_cast<uint32_t>(index);
    copy_.y = cursor_;
    copy_.elements.resize(section.elements().size());
    for (size_t i = 0; i < section.elements().size(); ++i) {
      const ElementObject& e = *section.elements()[i];
      ElementSnapshot& snap = copy_.elements[i];
      snap.element = &e;
      snap.index = static_cast<uint32_t>(i);
      snap.top = e.def().top;
      snap.left = e.def().left;
      snap.width = e.def().width;
      snap.height = e.def().height;
      snap.style = e.style();
      snap.text = ValidUtf8(e.text());
    }
    fingerprint_.Add(copy_);
    group_.back().push_back(copy_);
    if (keeping_preview_) preview_->AddCopy(copy_, statement_owner_);
  }
  std::vector<std::pair<std::string, std::string>> fields;
  const bool trace = platform::TraceEnabled();
  for (const auto& e : section.elements()) {
    if (!e->IsField()) continue;
    if (trace) fields.emplace_back(e->def().name, e->text());
    if (e->def().name == options_.document_label_field && !e->text().empty()) {
      document_label_ = e->text();
    }
  }
  if (trace) {
    platform::WriteTrace(platform::JsonLine()
                             .Add("op", "section")
                             .Add("name", name)
                             .Add("page", doc_pages_)
                             .Add("fields", fields));
  }
  cursor_ += height;
  page_has_output_ = true;
  ++summary_.copies[name];
}

void ReportImpl::NewPage() {
  // An empty page already is a new page; a blank sheet helps nobody.
  if (!page_has_output_) return;
  StartPage();
}

std::string ReportImpl::FitText(contracts::ReportField& field, std::string& text) {
  auto* element = dynamic_cast<ElementObject*>(&field);
  if (!element) Fail(core::kErrTypeMismatch, "FitText needs a field of this report");
  text = ValidUtf8(text);
  if (text.empty()) return "";
  const ElementDef& def = element->def();
  const FontSpec* font = &def.font;
  if (def_ && element->style() != 0) {
    if (auto it = def_->styles.find(element->style()); it != def_->styles.end()) {
      font = &it->second;
    }
  }
  const size_t fit = text_.FitLength(text, *font, {def.width, def.height, def.align});
  if (fit >= text.size()) return "";
  std::string rest = text.substr(fit);
  text.resize(fit);
  // The line break that ended the part is not printed as an empty line.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return rest;
}

std::string ReportImpl::DateText() const {
  if (!report_date_.empty()) return report_date_;
  return platform::Now().ToIso().substr(0, 10);
}

void ReportImpl::PostBegin(const std::string& path) {
  std::string created = platform::Now().ToIso();
  created[10] = 'T';
  const PageSetup page = def_->page;
  if (path.empty()) {
    lane_ = lanes_[email_owners_.size() % lanes_.size()].get();
    email_owners_.push_back(statement_owner_);
  } else {
    lane_ = lanes_.front().get();
  }
  Lane* lane = lane_;
  lane->worker.Post(
      [lane, path, created, page] {
        lane->painting = std::make_unique<Painting>();
        Painting& painting = *lane->painting;
        if (!path.empty()) painting.file = std::make_unique<platform::AtomicFile>(path);
        // Cairo hears of a failed write only as "write error" and may carry
        // on to the end of the document: the first failure is kept and
        // raised when the document ends.
        const auto sink = [&painting](const unsigned char* data, unsigned int length) {
          if (painting.write_failure) return false;
          if (!painting.file) {
            painting.bytes.append(reinterpret_cast<const char*>(data), length);
            return true;
          }
          try {
            painting.file->Write(data, length);
            return true;
          } catch (const core::ComError& e) {
            painting.write_failure = e;
            return false;
          }
        };
        painting.writer = std::make_unique<PdfWriter>(page, sink, created);
      },
      JobOwner());
}

void ReportImpl::PostGroup(size_t pages) {
  if (pages == 0) return;
  auto batch = std::make_shared<std::vector<LaidOutPage>>(
      std::make_move_iterator(group_.begin()), std::make_move_iterator(group_.begin() + pages));
  group_.erase(group_.begin(), group_.begin() + static_cast<std::ptrdiff_t>(pages));
  Lane* lane = lane_;
  lane->worker.Post(
      [lane, batch] {
        const int count = static_cast<int>(batch->size());
        for (int i = 0; i < count; ++i) {
          lane->painter->PaintPage(lane->painting->writer->cr(), (*batch)[i], i + 1, count);
          lane->painting->writer->ShowPage();
        }
      },
      JobOwner());
}

void ReportImpl::FinishPdf() {
  PostGroup(group_.size());
  Lane* lane = lane_;
  lane->worker.Post(
      [lane] {
        std::unique_ptr<Painting> painting = lane->TakePainting();
        try {
          painting->writer->Finish();
        } catch (...) {
          if (painting->write_failure) throw *painting->write_failure;
          throw;
        }
        if (painting->write_failure) throw *painting->write_failure;
        if (!painting->file) Fail(core::kErrInternal, "a PDF was painted into memory");
        painting->file->Commit();
      },
      JobOwner());
  lane->worker.Drain();
}

// Where `owner`'s statement is among the e-mailed documents of the run.
size_t ReportImpl::EmailIndexOf(const std::string& owner) const {
  return static_cast<size_t>(std::find(email_owners_.begin(), email_owners_.end(), owner) -
                             email_owners_.begin());
}

void ReportImpl::Settle() {
  // Every lane finishes what it has; the failure that counts is that of
  // the document ended first, as one worker would have stopped there.
  std::exception_ptr first;
  size_t first_at = SIZE_MAX;
  for (auto& lane : lanes_) {
    try {
      lane->worker.Drain();
    } catch (...) {
      const size_t at = EmailIndexOf(lane->worker.failed_owner());
      if (!first || at < first_at) {
        first = std::current_exception();
        first_at = at;
      }
    }
  }
  if (first) std::rethrow_exception(first);
}

std::string ReportImpl::FailedStatement() const {
  std::string owner;
  size_t first_at = SIZE_MAX;
  for (const auto& lane : lanes_) {
    if (!lane->worker.failure()) continue;
    const std::string failed = lane->worker.failed_owner();
    const size_t at = EmailIndexOf(failed);
    if (owner.empty() || at < first_at) {
      owner = failed;
      first_at = at;
    }
  }
  return owner;
}

std::string ReportImpl::PdfPath() const {
  const std::string name =
      options_.pdf_name.empty() ? "statements-" + DateText() + ".pdf" : options_.pdf_name;
  return (fs::path(options_.output_folder) / name).string();
}

contracts::Delivery ReportImpl::DeliverPdf() {
  const auto state = destination_ == contracts::kDestinationPrinter
                         ? contracts::DeliveryState::kPrinted
                         : contracts::DeliveryState::kPreviewed;
  FinishPdf();
  return {state, PdfPath(), ""};
}

void ReportImpl::ReportProblem(const std::string& text) {
  // Told once, where the host reads it: the statement's delivery, the
  // summary and the trace; the run goes on with the other owners.
  summary_.problems.push_back(text);
  if (platform::TraceEnabled()) {
    platform::WriteTrace(platform::JsonLine()
                             .Add("op", "waiting")
                             .Add("owner", statement_owner_)
                             .Add("text", text));
  }
}

std::string ReportImpl::DocumentName() {
  if (!document_name_.empty()) return document_name_;
  // An engine used without statements names its documents by number.
  const std::string code = statement_owner_.empty()
                               ? "document-" + std::to_string(summary_.documents + 1)
                               : statement_owner_;
  const std::string base = StatementDocumentName(DateText(), code);
  std::string name = base;
  // Codes that differ only in unsafe characters would share a name.
  for (int n = 2; owner_of_name_.count(name) && owner_of_name_[name] != code; ++n) {
    name = base + "-" + std::to_string(n);
  }
  owner_of_name_[name] = code;
  document_name_ = name;
  return name;
}

std::optional<contracts::Delivery> ReportImpl::AlreadyDelivered(const std::string& name,
                                                                const std::string& fingerprint,
                                                                bool valid) {
  using contracts::DeliveryState;
  using Where = Outbox::Found::Where;
  if (options_.resend) return std::nullopt;
  const Outbox::Found found = outbox_.Find(name);
  if (found.where == Where::kNowhere || found.fingerprint != fingerprint) return std::nullopt;
  switch (found.where) {
    case Where::kSent:
      return contracts::Delivery{DeliveryState::kSent, found.path, "already sent"};
    case Where::kClaimed:
      return contracts::Delivery{DeliveryState::kWaiting, found.path,
                                 "an earlier send of it did not finish; check whether it "
                                 "arrived before sending it again"};
    case Where::kWaiting:
      if (!valid) {
        return contracts::Delivery{DeliveryState::kWaiting, found.path, "no valid e-mail address"};
      }
      if (destination_ == contracts::kDestinationOutbox) {
        return contracts::Delivery{DeliveryState::kWritten, found.path, "already in the outbox"};
      }
      return outbox_.Send(found.path);
    case Where::kNowhere:
      break;
  }
  return std::nullopt;
}

contracts::Delivery ReportImpl::DeliverEmail() {
  using contracts::DeliveryState;
  const std::string name = DocumentName();
  MailMessage message;
  message.from = options_.smtp.from.empty() ? "statements@localhost" : options_.smtp.from;
  const bool valid = IsValidAddress(email_to_);
  if (valid) message.to = email_to_;
  message.subject = email_subject_;
  message.date = platform::Now();
  message.body = options_.email_body;
  message.attachment_name = name + ".pdf";
  fingerprint_.Add(message.to + "\n" + message.subject + "\n" + message.body + "\n" +
                   message.attachment_name);
  message.fingerprint = fingerprint_.Hex();

  const std::string who = document_label_.empty()
                              ? "document " + std::to_string(summary_.documents + 1)
                              : document_label_;
  // A re-run sends nothing twice: a statement delivered before is reported,
  // not delivered again, unless its content changed or a resend was asked.
  if (auto earlier = AlreadyDelivered(name, message.fingerprint, valid)) {
    if (earlier->state == DeliveryState::kWaiting && earlier->reason != "no valid e-mail address") {
      ReportProblem("The statement for " + who + " was not sent: " + earlier->file +
                    " stays in the outbox: " + earlier->reason);
    }
    // What was painted of it is not needed.
    group_.clear();
    const uint64_t sequence = email_owners_.size() - 1;
    Lane* lane = lane_;
    lane->worker.Post(
        [this, lane, sequence] {
          lane->painting.reset();
          commits_.Done(sequence);
        },
        JobOwner());
    return *earlier;
  }
  // Painted, encoded and written behind the run; a statement to be sent
  // now waits for its file.
  PostGroup(group_.size());
  const std::string path = outbox_.PathOf(name);
  const uint64_t sequence = email_owners_.size() - 1;
  Lane* lane = lane_;
  lane->worker.Post(
      [this, lane, sequence, name, message = std::move(message)]() mutable {
        std::unique_ptr<Painting> painting = lane->TakePainting();
        painting->writer->Finish();
        message.attachment = std::move(painting->bytes);
        painting.reset();
        const std::string text = ComposeMessage(message);
        // Written in the order the statements were ended: none after one
        // that failed.
        if (!commits_.WaitTurn(sequence)) return;
        outbox_.Queue(name, text);
        commits_.Done(sequence);
      },
      JobOwner());
  if (valid && destination_ != contracts::kDestinationOutbox) lane->worker.Drain();
  if (!valid) {
    ReportProblem("The statement for " + who + " has no valid e-mail address ('" + email_to_ +
                  "'); it waits in " + path);
    return {DeliveryState::kWaiting, path, "no valid e-mail address"};
  }
  if (destination_ == contracts::kDestinationOutbox) return {DeliveryState::kWritten, path, ""};
  const contracts::Delivery delivery = outbox_.Send(path);
  if (delivery.state == DeliveryState::kWaiting) {
    ReportProblem("The statement for " + who + " was not sent: " + path +
                  " stays in the outbox: " + delivery.reason);
  }
  return delivery;
}

void ReportImpl::EndReport() {
  if (!def_) Fail(core::kErrObjectClosed, "No report definition is loaded");
  const int pages = doc_pages_;
  const bool email = contracts::IsEmailDestination(destination_);
  last_delivery_ = contracts::Delivery();
  std::string file;  // as the trace names it: laid out only, the file it would be
  if (pages > 0 && options_.render) {
    last_delivery_ = email ? DeliverEmail() : DeliverPdf();
    file = last_delivery_.file;
  } else if (pages > 0) {
    last_delivery_.state = contracts::DeliveryState::kPreviewed;
    file = email ? (fs::path(options_.output_folder) / "outbox" / (DocumentName() + ".eml")).string()
                 : PdfPath();
  }
  if (platform::TraceEnabled()) {
    platform::WriteTrace(platform::JsonLine()
                             .Add("op", "end")
                             .Add("destination", destination_)
                             .Add("emailTo", email_to_)
                             .Add("emailSubject", email_subject_)
                             .Add("pages", pages)
                             .Add("file", file));
  }
  if (pages > 0) {
    ++summary_.documents;
    summary_.pages += pages;
    summary_.files.push_back(file);
  }
  group_.clear();
  if (keeping_preview_) preview_->EndDocument();
  fingerprint_.Reset();
  fingerprint_.Add(definition_hash_);
  document_name_.clear();
  doc_pages_ = 0;
  group_pages_.clear();
  cursor_ = 0;
  page_has_output_ = false;
  email_to_.clear();
  email_subject_.clear();
  document_label_.clear();
  if (pages > 0 && destination_ == contracts::kDestinationPrinter && options_.render) {
    SubmitToPrinter(file, options_.printer);
  }
}

}  // namespace

std::shared_ptr<contracts::Report> CreateReport(const EngineOptions& options) {
  return std::make_shared<ReportImpl>(options);
}

RunSummary Summary(const contracts::Report& report) {
  const auto* impl = dynamic_cast<const ReportImpl*>(&report);
  return impl ? impl->summary() : RunSummary{};
}

void PressPrintButton(contracts::Report& report) {
  if (auto* impl = dynamic_cast<ReportImpl*>(&report)) impl->PressPrintButton();
}

std::shared_ptr<PreviewPages> KeptPreview(const contracts::Report& report) {
  const auto* impl = dynamic_cast<const ReportImpl*>(&report);
  return impl ? impl->preview() : nullptr;
}

}  // namespace report_engine

// The Report object: page flow of section copies, the trace, and delivery
// of each finished document to its destination.
#include "engines/report/report_engine.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "core/com_error.h"
#include "engines/report/definition.h"
#include "engines/report/images.h"
#include "engines/report/page_painter.h"
#include "engines/report/printer.h"
#include "engines/report/report_objects.h"
#include "engines/report/spool.h"
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

[[noreturn]] void Fail(int32_t number, const std::string& text) {
  throw core::ComError(number, text, kSource);
}

// A recipient as it may stand in a file name.
std::string FileNamePart(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    out += (c < 0x20 || c == '/' || c == '\\' || c == '"' || c == ':' || c == ' ' || c == 0x7f)
               ? '_'
               : static_cast<char>(c);
  }
  return out.empty() ? "no-address" : out;
}

void MakeFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw platform::OsError("cannot create the folder " + folder.string(), ec.value(), kSource);
}

class ReportImpl : public contracts::Report, public contracts::StatementDocuments {
 public:
  explicit ReportImpl(EngineOptions options)
      : options_(std::move(options)), destination_(options_.destination) {}

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

  void PressPrintButton() {
    if (events_) events_->PrintToPrinterButton();
  }
  const RunSummary& summary() const { return summary_; }

 private:
  size_t IndexOf(const std::string& name) const;
  void StartPage();
  std::string DateText() const;
  // Paints the spooled document through `sink`.
  void Render(int pages, const PdfWriter::Sink& sink);
  std::string PdfPath() const;
  // The name of the owner's e-mailed document, without a suffix or ".eml".
  std::string EmailBase() const;
  contracts::Delivery DeliverPdf(int pages);
  contracts::Delivery DeliverEmail(int pages);
  // A delivery problem that must not stop the run: shown and kept for the summary.
  void ReportProblem(const std::string& text);

  EngineOptions options_;
  int32_t destination_;
  std::unique_ptr<Definition> def_;
  std::vector<std::shared_ptr<SectionObject>> sections_;
  std::unordered_map<std::string, size_t> index_;
  TextEngine text_;
  ImageCache images_;
  Spool spool_;
  SpoolCopy copy_;  // reused for every copy
  std::map<std::string, int> next_suffix_;  // by e-mail file base: the next "-N" to try
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
};

bool ReportImpl::LoadDefinition(const std::string& path) {
  auto def = std::make_unique<Definition>(LoadDefinitionFile(path));
  sections_.clear();
  index_.clear();
  for (const SectionDef& section : def->sections) {
    index_[section.name] = sections_.size();
    sections_.push_back(std::make_shared<SectionObject>(section, def->font));
  }
  def_ = std::move(def);
  spool_.Reset();
  doc_pages_ = 0;
  group_pages_.clear();
  cursor_ = 0;
  page_has_output_ = false;
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
  if (options_.render) spool_.AddPage();
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
  }
  if (options_.render) {
    copy_.section = static_cast<uint32_t>(index);
    copy_.y = cursor_;
    copy_.elements.resize(section.elements().size());
    for (size_t i = 0; i < section.elements().size(); ++i) {
      const ElementObject& e = *section.elements()[i];
      ElementSnapshot& snap = copy_.elements[i];
      snap.index = static_cast<uint32_t>(i);
      snap.top = e.def().top;
      snap.left = e.def().left;
      snap.width = e.def().width;
      snap.height = e.def().height;
      snap.style = e.style();
      snap.text = ValidUtf8(e.text());
    }
    spool_.AddCopy(copy_);
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

void ReportImpl::Render(int pages, const PdfWriter::Sink& sink) {
  std::string created = platform::Now().ToIso();
  created[10] = 'T';
  PdfWriter writer(def_->page, sink, created);
  PagePainter painter(*def_, text_, images_);
  int page = 0;
  size_t group = 0;
  int page_in_group = 0;
  bool first_on_page = false;
  const auto group_size = [&] { return group < group_pages_.size() ? group_pages_[group] : pages; };
  spool_.Replay(
      [&] {
        if (page > 0) {
          painter.PaintPageNumber(writer.cr(), page_in_group, group_size());
          writer.ShowPage();
        }
        ++page;
        ++page_in_group;
        first_on_page = true;
      },
      [&](const SpoolCopy& copy) {
        const SectionObject& section = *sections_[copy.section];
        if (first_on_page && page_in_group > 1 && section.Name() == def_->page_group) {
          ++group;
          page_in_group = 1;
        }
        first_on_page = false;
        painter.PaintCopy(writer.cr(), section, copy.y, copy.elements);
      });
  painter.PaintPageNumber(writer.cr(), page_in_group, group_size());
  writer.ShowPage();
  writer.Finish();
}

std::string ReportImpl::PdfPath() const {
  const std::string name =
      options_.pdf_name.empty() ? "statements-" + DateText() + ".pdf" : options_.pdf_name;
  return (fs::path(options_.output_folder) / name).string();
}

contracts::Delivery ReportImpl::DeliverPdf(int pages) {
  const fs::path folder(options_.output_folder);
  const std::string path = PdfPath();
  const auto state = destination_ == contracts::kDestinationPrinter
                         ? contracts::DeliveryState::kPrinted
                         : contracts::DeliveryState::kPreviewed;
  MakeFolder(folder);
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) throw platform::OsError("cannot write " + temporary, errno, kSource);
  int write_error = 0;
  try {
    Render(pages, [file, &write_error](const unsigned char* data, unsigned int length) {
      if (std::fwrite(data, 1, length, file) == length) return true;
      write_error = errno;
      return false;
    });
  } catch (...) {
    std::fclose(file);
    std::remove(temporary.c_str());
    // A full disk shows in Cairo only as a write error: name the file and why.
    if (write_error != 0) {
      throw platform::OsError("cannot write " + path, write_error, kSource);
    }
    throw;
  }
  const bool closed = std::fclose(file) == 0;
  if (!closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int err = errno;
    std::remove(temporary.c_str());
    throw platform::OsError("cannot write " + path, err, kSource);
  }
  return {state, path, ""};
}

void ReportImpl::ReportProblem(const std::string& text) {
  summary_.problems.push_back(text);
  platform::MsgBox(text, "E-mail");
}

contracts::Delivery ReportImpl::DeliverEmail(int pages) {
  using contracts::DeliveryState;
  const fs::path outbox = fs::path(options_.output_folder) / "outbox";
  const fs::path sent = fs::path(options_.output_folder) / "sent";
  const std::string base = EmailBase();
  std::string path = (outbox / (base + ".eml")).string();
  MakeFolder(outbox);
  // Many owners share a name (those without an address, say): each base
  // remembers the suffix it got to, so finding a free name stays cheap.
  int& n = next_suffix_[base];
  if (n > 2) path = (outbox / (base + "-" + std::to_string(n - 1) + ".eml")).string();
  if (n < 2) n = 2;
  for (; fs::exists(path) || fs::exists(sent / fs::path(path).filename()); ++n) {
    path = (outbox / (base + "-" + std::to_string(n) + ".eml")).string();
  }
  MailMessage message;
  message.from = options_.smtp.from.empty() ? "statements@localhost" : options_.smtp.from;
  const bool valid = IsValidAddress(email_to_);
  if (valid) message.to = email_to_;
  message.subject = email_subject_;
  message.date = platform::Now();
  message.body = options_.email_body;
  message.attachment_name = base + ".pdf";
  Render(pages, [&message](const unsigned char* data, unsigned int length) {
    message.attachment.append(reinterpret_cast<const char*>(data), length);
    return true;
  });
  platform::WriteFileAtomically(path, ComposeMessage(message));

  const std::string who = document_label_.empty()
                              ? "document " + std::to_string(summary_.documents + 1)
                              : document_label_;
  if (!valid) {
    ReportProblem("The statement for " + who + " has no valid e-mail address ('" + email_to_ +
           "'); it waits in " + path);
    return {DeliveryState::kWaiting, path, "no valid e-mail address"};
  }
  if (destination_ == contracts::kDestinationOutbox) return {DeliveryState::kWritten, path, ""};
  const std::string problem = SendQueuedMessage(path, options_.smtp);
  if (!problem.empty()) {
    ReportProblem("The statement for " + who + " was not sent: " + problem);
    return {DeliveryState::kWaiting, path, problem};
  }
  return {DeliveryState::kSent, (sent / fs::path(path).filename()).string(), ""};
}

std::string ReportImpl::EmailBase() const {
  return "Statement-" + DateText() + "-" + FileNamePart(email_to_);
}

void ReportImpl::EndReport() {
  if (!def_) Fail(core::kErrObjectClosed, "No report definition is loaded");
  const int pages = doc_pages_;
  const bool email = contracts::IsEmailDestination(destination_);
  last_delivery_ = contracts::Delivery();
  std::string file;  // as the trace names it: laid out only, the file it would be
  if (pages > 0 && options_.render) {
    last_delivery_ = email ? DeliverEmail(pages) : DeliverPdf(pages);
    file = last_delivery_.file;
  } else if (pages > 0) {
    last_delivery_.state = contracts::DeliveryState::kPreviewed;
    file = email ? (fs::path(options_.output_folder) / "outbox" / (EmailBase() + ".eml")).string()
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
  spool_.Reset();
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

}  // namespace report_engine

// A recording fake of the report engine: sections and fields declared by the
// test, every call recorded as a line of text, and printed copies kept with
// their field texts. FitText fits a fixed number of characters per field.
#ifndef DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_
#define DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/report.h"

namespace testing_support {

class FakeSection;

class FakeField : public contracts::ReportField {
 public:
  explicit FakeField(std::string name, int32_t top = 0) : name_(std::move(name)), top_(top) {}
  std::string Name() const override { return name_; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  void SetDefaultText(const std::string& text) override { default_text_ = text; }
  void SetStyle(int32_t style) override { style_ = style; }
  int32_t Top() const override { return top_; }
  void SetTop(int32_t top) override { top_ = top; }
  int32_t Width() const override { return width_; }
  void SetWidth(int32_t width) override { width_ = width; }
  void SetLeft(int32_t left) override { left_ = left; }
  void SetHeight(int32_t height) override { height_ = height; }

  std::string name_, text_, default_text_;
  int32_t top_ = 0, width_ = 1000, left_ = 0, height_ = 240, style_ = 0;
};

class FakeSection : public contracts::ReportSection {
 public:
  explicit FakeSection(std::string name) : name_(std::move(name)) {}
  std::shared_ptr<FakeField> Add(const std::string& name, int32_t top = 0);

  std::shared_ptr<contracts::ReportField> Fields(const std::string& name) override;
  std::shared_ptr<contracts::ReportField> Fields(int16_t position) override;
  int32_t FieldCount() const override { return static_cast<int32_t>(fields_.size()); }
  int32_t Height() const override { return height_; }
  void SetHeight(int32_t height) override { height_ = height; }
  std::string Name() const override { return name_; }
  void Clear() override;
  std::shared_ptr<contracts::ReportField> AddField(const std::string& name) override;

  std::string name_;
  int32_t height_ = 1000;
  std::vector<std::shared_ptr<FakeField>> fields_;
};

struct PrintedCopy {
  std::string section;
  std::map<std::string, std::string> fields;
};

class FakeReport : public contracts::Report {
 public:
  std::shared_ptr<FakeSection> Declare(const std::string& section);

  bool LoadDefinition(const std::string& path) override;
  std::shared_ptr<contracts::ReportSection> Sections(const std::string& name) override;
  void PrintSection(const std::string& name) override;
  void NewPage() override;
  int16_t PageHasOutput() override { return page_has_output_ ? 1 : 0; }
  int32_t Destination() const override { return destination_; }
  void SetDestination(int32_t destination) override;
  void SetEmailTo(const std::string& to) override;
  void SetEmailSubject(const std::string& subject) override;
  void EndReport() override;
  std::string FitText(contracts::ReportField& field, std::string& text) override;
  void Advise(contracts::ReportEvents* events) override { events_ = events; }

  void PressPrintButton() { if (events_) events_->PrintToPrinterButton(); }

  std::vector<std::string> calls;
  std::vector<PrintedCopy> printed;
  std::map<std::string, std::shared_ptr<FakeSection>> sections;
  size_t fit_chars = 10;  // characters that fit a field
  bool page_has_output_ = false;
  int32_t destination_ = 0;
  contracts::ReportEvents* events_ = nullptr;
};

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_

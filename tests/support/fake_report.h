// A recording fake of the report engine: sections and fields declared by the
// test, the definition loaded and the report's end recorded as calls, and
// printed copies kept with their field texts. FitText fits a fixed number of
// characters per field.
#ifndef DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_
#define DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/report.h"
#include "core/com_error.h"

namespace testing_support {

class FakeField : public contracts::ReportField {
 public:
  explicit FakeField(std::string name, int32_t top = 0) : name_(std::move(name)), top_(top) {}
  std::string Name() const override { return name_; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  void SetDefaultText(const std::string&) override {}
  void SetStyle(int32_t style) override { style_ = style; }
  int32_t Top() const override { return top_; }
  void SetTop(int32_t top) override { top_ = top; }
  int32_t Width() const override { return width_; }
  void SetWidth(int32_t width) override { width_ = width; }
  void SetLeft(int32_t left) override { left_ = left; }
  void SetHeight(int32_t) override {}

  std::string name_, text_;
  int32_t top_ = 0, width_ = 1000, left_ = 0, style_ = 0;
};

class FakeSection : public contracts::ReportSection {
 public:
  explicit FakeSection(std::string name) : name_(std::move(name)) {}
  std::shared_ptr<FakeField> Add(const std::string& name, int32_t top = 0) {
    return fields_.emplace_back(std::make_shared<FakeField>(name, top));
  }

  std::shared_ptr<contracts::ReportField> Fields(const std::string& name) override {
    for (auto& f : fields_) {
      if (f->name_ == name) return f;
    }
    throw core::ComError(3265, "Section '" + name_ + "' has no field '" + name + "'");
  }
  std::shared_ptr<contracts::ReportField> Fields(int16_t position) override {
    if (position < 1 || position > FieldCount()) {
      throw core::ComError(9, "Section '" + name_ + "' has no field " + std::to_string(position));
    }
    return fields_[static_cast<size_t>(position - 1)];
  }
  int32_t FieldCount() const override { return static_cast<int32_t>(fields_.size()); }
  int32_t Height() const override { return height_; }
  void SetHeight(int32_t height) override { height_ = height; }
  std::string Name() const override { return name_; }
  void Clear() override {
    for (auto& f : fields_) f->text_.clear();
  }
  std::shared_ptr<contracts::ReportField> AddField(const std::string& name) override {
    return Add(name);
  }

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
  std::shared_ptr<FakeSection> Declare(const std::string& section) {
    return sections[section] = std::make_shared<FakeSection>(section);
  }

  bool LoadDefinition(const std::string& path) override {
    calls.push_back("LoadDefinition " + path);
    return true;
  }
  std::shared_ptr<contracts::ReportSection> Sections(const std::string& name) override {
    const auto it = sections.find(name);
    if (it == sections.end()) {
      throw core::ComError(3265, "Report definition has no section '" + name + "'");
    }
    return it->second;
  }
  void PrintSection(const std::string& name) override {
    const FakeSection& section = dynamic_cast<FakeSection&>(*Sections(name));
    PrintedCopy& copy = printed.emplace_back(PrintedCopy{name, {}});
    for (const auto& f : section.fields_) copy.fields[f->name_] = f->text_;
    page_has_output_ = true;
  }
  void NewPage() override { page_has_output_ = false; }
  int16_t PageHasOutput() override { return page_has_output_ ? 1 : 0; }
  int32_t Destination() const override { return destination_; }
  void SetDestination(int32_t destination) override { destination_ = destination; }
  void SetEmailTo(const std::string&) override {}
  void SetEmailSubject(const std::string&) override {}
  void EndReport() override {
    calls.push_back("EndReport");
    page_has_output_ = false;
  }
  std::string FitText(contracts::ReportField&, std::string& text) override {
    if (text.size() <= fit_chars) return "";
    std::string rest = text.substr(fit_chars);
    text.resize(fit_chars);
    return rest;
  }
  void Advise(contracts::ReportEvents*) override {}

  std::vector<std::string> calls;
  std::vector<PrintedCopy> printed;
  std::map<std::string, std::shared_ptr<FakeSection>> sections;
  size_t fit_chars = 10;  // characters that fit a field

 private:
  bool page_has_output_ = false;
  int32_t destination_ = 0;
};

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_FAKE_REPORT_H_

// The recording fake of the report engine.
#include "fake_report.h"

#include "core/com_error.h"

namespace testing_support {

std::shared_ptr<FakeField> FakeSection::Add(const std::string& name, int32_t top) {
  auto field = std::make_shared<FakeField>(name, top);
  fields_.push_back(field);
  return field;
}

std::shared_ptr<contracts::ReportField> FakeSection::Fields(const std::string& name) {
  for (auto& f : fields_) {
    if (f->name_ == name) return f;
  }
  throw core::ComError(3265, "Section '" + name_ + "' has no field '" + name + "'");
}

std::shared_ptr<contracts::ReportField> FakeSection::Fields(int16_t position) {
  if (position < 1 || position > FieldCount()) {
    throw core::ComError(9, "Section '" + name_ + "' has no field " + std::to_string(position));
  }
  return fields_[static_cast<size_t>(position - 1)];
}

void FakeSection::Clear() {
  for (auto& f : fields_) f->text_.clear();
}

std::shared_ptr<contracts::ReportField> FakeSection::AddField(const std::string& name) {
  return Add(name);
}

std::shared_ptr<FakeSection> FakeReport::Declare(const std::string& section) {
  auto s = std::make_shared<FakeSection>(section);
  sections[section] = s;
  return s;
}

bool FakeReport::LoadDefinition(const std::string& path) {
  calls.push_back("LoadDefinition " + path);
  return true;
}

std::shared_ptr<contracts::ReportSection> FakeReport::Sections(const std::string& name) {
  auto it = sections.find(name);
  if (it == sections.end()) {
    throw core::ComError(3265, "Report definition has no section '" + name + "'");
  }
  return it->second;
}

void FakeReport::PrintSection(const std::string& name) {
  auto section = std::dynamic_pointer_cast<FakeSection>(Sections(name));
  PrintedCopy copy{name, {}};
  for (auto& f : section->fields_) copy.fields[f->name_] = f->text_;
  printed.push_back(copy);
  calls.push_back("PrintSection " + name);
  page_has_output_ = true;
}

void FakeReport::NewPage() {
  calls.push_back("NewPage");
  page_has_output_ = false;
}

void FakeReport::SetDestination(int32_t destination) {
  calls.push_back("Destination " + std::to_string(destination));
  destination_ = destination;
}

void FakeReport::SetEmailTo(const std::string& to) { calls.push_back("EmailTo " + to); }

void FakeReport::SetEmailSubject(const std::string& subject) {
  calls.push_back("EmailSubject " + subject);
}

void FakeReport::EndReport() {
  calls.push_back("EndReport");
  page_has_output_ = false;
}

std::string FakeReport::FitText(contracts::ReportField&, std::string& text) {
  if (text.size() <= fit_chars) return "";
  std::string rest = text.substr(fit_chars);
  text.resize(fit_chars);
  return rest;
}

}  // namespace testing_support

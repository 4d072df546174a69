// Sections and their elements as the caller sees them.
#include "engines/report/report_objects.h"

#include "core/com_error.h"

namespace report_engine {

namespace {
constexpr char kSource[] = "Vintrel.Report";
}

SectionObject::SectionObject(const SectionDef& def, const FontSpec& default_font)
    : name_(def.name), height_(def.height), default_font_(default_font) {
  for (const ElementDef& element : def.elements) {
    elements_.push_back(std::make_shared<ElementObject>(element));
  }
}

std::shared_ptr<contracts::ReportField> SectionObject::Fields(const std::string& name) {
  for (const auto& element : elements_) {
    if (!name.empty() && element->def().name == name) return element;
  }
  throw core::ComError(core::kErrItemNotFound,
                       "Section '" + name_ + "' has no field '" + name + "'", kSource);
}

std::shared_ptr<contracts::ReportField> SectionObject::Fields(int16_t position) {
  if (position < 1 || position > FieldCount()) {
    throw core::ComError(core::kErrSubscript,
                         "Section '" + name_ + "' has no field at position " +
                             std::to_string(position) + " (it has " + std::to_string(FieldCount()) +
                             ")",
                         kSource);
  }
  return elements_[static_cast<size_t>(position - 1)];
}

void SectionObject::Clear() {
  for (const auto& element : elements_) {
    if (element->IsField()) element->SetText("");
  }
}

std::shared_ptr<contracts::ReportField> SectionObject::AddField(const std::string& name) {
  if (name.empty()) {
    throw core::ComError(core::kErrItemNotFound,
                         "A field added to section '" + name_ + "' needs a name", kSource);
  }
  for (const auto& element : elements_) {
    if (element->def().name == name) {
      throw core::ComError(core::kErrDuplicateKey,
                           "Section '" + name_ + "' already has a field '" + name + "'", kSource);
    }
  }
  ElementDef def;
  def.kind = ElementKind::kField;
  def.name = name;
  def.font = default_font_;
  elements_.push_back(std::make_shared<ElementObject>(def));
  return elements_.back();
}

}  // namespace report_engine

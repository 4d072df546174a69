// The live objects of a loaded definition: sections and their elements, as
// the component sees them through contracts::ReportSection and ReportField.
#ifndef DUNMERROW_ENGINES_REPORT_REPORT_OBJECTS_H_
#define DUNMERROW_ENGINES_REPORT_REPORT_OBJECTS_H_

#include <memory>
#include <string>
#include <vector>

#include "contracts/report.h"
#include "engines/report/definition.h"

namespace report_engine {

// One element of a section: a field, label, box, line or image. Its
// geometry starts as the definition says and may be changed by the caller.
class ElementObject : public contracts::ReportField {
 public:
  explicit ElementObject(ElementDef def) : def_(std::move(def)), text_(def_.text) {}

  std::string Name() const override { return def_.name; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  // Recorded as the field's design-time text; what prints is always Text,
  // which Clear empties.
  void SetDefaultText(const std::string& text) override { default_text_ = text; }
  const std::string& default_text() const { return default_text_; }
  // Chooses the report's <style> of that number for the text (0: the
  // element's own font).
  void SetStyle(int32_t style) override { style_ = style; }
  int32_t Top() const override { return def_.top; }
  void SetTop(int32_t top) override { def_.top = top; }
  int32_t Width() const override { return def_.width; }
  void SetWidth(int32_t width) override { def_.width = width; }
  void SetLeft(int32_t left) override { def_.left = left; }
  void SetHeight(int32_t height) override { def_.height = height; }

  const ElementDef& def() const { return def_; }
  int32_t style() const { return style_; }
  const std::string& text() const { return text_; }
  bool IsField() const { return def_.kind == ElementKind::kField; }

 private:
  ElementDef def_;
  std::string text_;
  std::string default_text_;
  int32_t style_ = 0;
};

class SectionObject : public contracts::ReportSection {
 public:
  SectionObject(const SectionDef& def, const FontSpec& default_font);

  // Any named element, by exact name; raises ComError naming both.
  std::shared_ptr<contracts::ReportField> Fields(const std::string& name) override;
  // Every element, named or not, in definition order (added fields last).
  std::shared_ptr<contracts::ReportField> Fields(int16_t position) override;
  int32_t FieldCount() const override { return static_cast<int32_t>(elements_.size()); }
  int32_t Height() const override { return height_; }
  void SetHeight(int32_t height) override { height_ = height < 0 ? 0 : height; }
  std::string Name() const override { return name_; }
  // Empties every <field> and added field; labels keep their text.
  void Clear() override;
  // A field of the report's default font with no size; raises when the name
  // is taken.
  std::shared_ptr<contracts::ReportField> AddField(const std::string& name) override;

  const std::vector<std::shared_ptr<ElementObject>>& elements() const { return elements_; }

 private:
  std::string name_;
  int32_t height_;
  FontSpec default_font_;
  std::vector<std::shared_ptr<ElementObject>> elements_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_REPORT_OBJECTS_H_

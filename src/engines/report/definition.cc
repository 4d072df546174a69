// Parsing and checking of .rdn report definitions with pugixml. Every
// problem is collected with its line so that a user can fix a file in one go.
#include "engines/report/definition.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <pugixml.hpp>
#include <set>

#include "core/com_error.h"
#include "engines/report/images.h"
#include "engines/report/text_engine.h"
#include "platform/files.h"

namespace report_engine {

std::string DefinitionProblem::ToString() const {
  return file + ":" + std::to_string(line) + ": " + message;
}

namespace {

const std::set<std::string> kFontAttributes = {"font-family", "font-size", "bold", "italic",
                                               "color"};
const std::set<std::string> kGeometry = {"name", "top", "left", "width", "height"};

class Parser {
 public:
  Parser(const std::string& path, const DefinitionChecks& checks,
         std::vector<DefinitionProblem>& problems)
      : path_(path), checks_(checks), problems_(problems) {}

  Definition Parse();

 private:
  int LineOf(const pugi::xml_node& node) const { return LineAt(node.offset_debug()); }
  int LineAt(ptrdiff_t offset) const {
    if (offset < 0) return 0;
    return static_cast<int>(std::upper_bound(newlines_.begin(), newlines_.end(), offset) -
                            newlines_.begin()) +
           1;
  }
  void Problem(const pugi::xml_node& node, const std::string& message) {
    problems_.push_back({path_, LineOf(node), message});
  }
  static std::string Describe(const pugi::xml_node& node) {
    std::string what = std::string("<") + node.name() + ">";
    if (const char* name = node.attribute("name").value(); *name) {
      what = std::string("<") + node.name() + " '" + name + "'>";
    }
    return what;
  }

  void CheckAttributes(const pugi::xml_node& node, const std::set<std::string>& allowed);
  bool ReadLength(const pugi::xml_node& node, const char* attribute, int32_t& out, bool required);
  void ReadBool(const pugi::xml_node& node, const char* attribute, bool& out);
  void ReadColor(const pugi::xml_node& node, const char* attribute, Rgb& out, bool* present);
  void ReadFont(const pugi::xml_node& node, FontSpec& font);
  void ReadPage(const pugi::xml_node& root, Definition& def);
  void ReadStyle(const pugi::xml_node& node, Definition& def);
  void ReadSection(const pugi::xml_node& node, Definition& def);
  void ReadElement(const pugi::xml_node& node, const Definition& def, SectionDef& section);

  std::string path_;
  std::string folder_;
  const DefinitionChecks& checks_;
  std::vector<DefinitionProblem>& problems_;
  std::vector<ptrdiff_t> newlines_;
  std::set<std::string> checked_families_;
};

void Parser::CheckAttributes(const pugi::xml_node& node, const std::set<std::string>& allowed) {
  for (const auto& attribute : node.attributes()) {
    if (!allowed.count(attribute.name())) {
      Problem(node,
              std::string("unknown attribute '") + attribute.name() + "' on " + Describe(node));
    }
  }
}

bool Parser::ReadLength(const pugi::xml_node& node, const char* attribute, int32_t& out,
                        bool required) {
  const pugi::xml_attribute a = node.attribute(attribute);
  if (!a) {
    if (required) Problem(node, Describe(node) + " needs the attribute '" + attribute + "'");
    return false;
  }
  const std::string text = a.value();
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
      value > 1000000) {
    Problem(node, std::string("attribute '") + attribute + "' of " + Describe(node) +
                      " must be a whole number of twips from 0 to 1000000, not '" + text + "'");
    return false;
  }
  out = value;
  return true;
}

void Parser::ReadBool(const pugi::xml_node& node, const char* attribute, bool& out) {
  const pugi::xml_attribute a = node.attribute(attribute);
  if (!a) return;
  const std::string text = a.value();
  if (text == "true" || text == "yes" || text == "1") {
    out = true;
  } else if (text == "false" || text == "no" || text == "0") {
    out = false;
  } else {
    Problem(node, std::string("attribute '") + attribute + "' of " + Describe(node) +
                      " must be true or false, not '" + text + "'");
  }
}

void Parser::ReadColor(const pugi::xml_node& node, const char* attribute, Rgb& out, bool* present) {
  const pugi::xml_attribute a = node.attribute(attribute);
  if (!a) return;
  const std::string text = a.value();
  unsigned value = 0;
  const bool ok =
      text.size() == 7 && text[0] == '#' &&
      std::from_chars(text.data() + 1, text.data() + 7, value, 16).ptr == text.data() + 7;
  if (!ok) {
    Problem(node, std::string("attribute '") + attribute + "' of " + Describe(node) +
                      " must be a colour #RRGGBB, not '" + text + "'");
    return;
  }
  out = {((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0};
  if (present) *present = true;
}

void Parser::ReadFont(const pugi::xml_node& node, FontSpec& font) {
  if (const pugi::xml_attribute family = node.attribute("font-family")) {
    font.family = family.value();
    if (font.family.empty()) {
      Problem(node, "attribute 'font-family' of " + Describe(node) + " is empty");
    } else if (checks_.font_family && checked_families_.insert(font.family).second) {
      if (std::string error = checks_.font_family(font.family); !error.empty()) {
        Problem(node, error);
      }
    }
  }
  if (const pugi::xml_attribute size = node.attribute("font-size")) {
    char* end = nullptr;
    const double points = std::strtod(size.value(), &end);
    if (*size.value() == '\0' || *end != '\0' || !(points >= 1 && points <= 200)) {
      Problem(node, "attribute 'font-size' of " + Describe(node) +
                        " must be a size in points from 1 to 200, not '" + size.value() + "'");
    } else {
      font.size = points;
    }
  }
  ReadBool(node, "bold", font.bold);
  ReadBool(node, "italic", font.italic);
  ReadColor(node, "color", font.color, nullptr);
}

void Parser::ReadPage(const pugi::xml_node& root, Definition& def) {
  std::set<std::string> allowed = kFontAttributes;
  allowed.insert({"page", "width", "height", "margin-top", "margin-bottom", "margin-left",
                  "margin-right", "page-numbers", "page-group"});
  CheckAttributes(root, allowed);
  const std::string size = root.attribute("page").as_string("A4");
  if (size == "A4") {
    def.page.width = 11906;
    def.page.height = 16838;
  } else if (size == "Letter") {
    def.page.width = 12240;
    def.page.height = 15840;
  } else {
    Problem(root, "attribute 'page' of <report> must be A4 or Letter, not '" + size + "'");
  }
  ReadLength(root, "width", def.page.width, false);
  ReadLength(root, "height", def.page.height, false);
  ReadLength(root, "margin-top", def.page.margin_top, false);
  ReadLength(root, "margin-bottom", def.page.margin_bottom, false);
  ReadLength(root, "margin-left", def.page.margin_left, false);
  ReadLength(root, "margin-right", def.page.margin_right, false);
  if (def.page.PrintableWidth() < 720 || def.page.PrintableHeight() < 720) {
    Problem(root, "the margins leave less than half an inch of the page to print on");
  }
  ReadFont(root, def.font);
  def.page_numbers = root.attribute("page-numbers").value();
  def.page_group = root.attribute("page-group").value();
}

void Parser::ReadStyle(const pugi::xml_node& node, Definition& def) {
  std::set<std::string> allowed = kFontAttributes;
  allowed.insert("id");
  CheckAttributes(node, allowed);
  const std::string id = node.attribute("id").value();
  int32_t number = 0;
  const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
  if (id.empty() || error != std::errc() || end != id.data() + id.size()) {
    Problem(node, "<style> needs a whole-number 'id', not '" + id + "'");
    return;
  }
  if (def.styles.count(number)) {
    Problem(node, "style " + id + " is defined twice");
    return;
  }
  FontSpec font = def.font;
  ReadFont(node, font);
  def.styles[number] = font;
}

void Parser::ReadSection(const pugi::xml_node& node, Definition& def) {
  CheckAttributes(node, {"name", "height"});
  SectionDef section;
  section.line = LineOf(node);
  section.name = node.attribute("name").value();
  if (section.name.empty()) Problem(node, "<section> needs a 'name'");
  for (const SectionDef& other : def.sections) {
    if (!section.name.empty() && other.name == section.name) {
      Problem(node, "section '" + section.name + "' is defined twice (first on line " +
                        std::to_string(other.line) + ")");
    }
  }
  ReadLength(node, "height", section.height, true);
  if (section.height > def.page.PrintableHeight()) {
    Problem(node, "section '" + section.name + "' is " + std::to_string(section.height) +
                      " twips high, more than the " + std::to_string(def.page.PrintableHeight()) +
                      " twips a page has between its margins");
  }
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    ReadElement(child, def, section);
  }
  def.sections.push_back(std::move(section));
}

void Parser::ReadElement(const pugi::xml_node& node, const Definition& def, SectionDef& section) {
  const std::string tag = node.name();
  ElementDef element;
  element.line = LineOf(node);
  element.font = def.font;
  std::set<std::string> allowed = kGeometry;
  if (tag == "field" || tag == "label") {
    element.kind = tag == "field" ? ElementKind::kField : ElementKind::kLabel;
    allowed.insert(kFontAttributes.begin(), kFontAttributes.end());
    allowed.insert({"align", "border", "border-width", "border-color", "fill", "text"});
  } else if (tag == "box") {
    element.kind = ElementKind::kBox;
    element.border = {true, true, true, true};
    allowed.insert({"border", "border-width", "border-color", "fill"});
  } else if (tag == "line") {
    element.kind = ElementKind::kLine;
    allowed.insert({"color", "thickness"});
  } else if (tag == "image") {
    element.kind = ElementKind::kImage;
    allowed.insert("src");
  } else {
    Problem(node, "unknown element <" + tag + "> in section '" + section.name +
                      "' (expected field, label, box, line or image)");
    return;
  }
  CheckAttributes(node, allowed);
  element.name = node.attribute("name").value();
  if (element.kind == ElementKind::kField && element.name.empty()) {
    Problem(node, "<field> needs a 'name'");
  }
  for (const ElementDef& other : section.elements) {
    if (!element.name.empty() && other.name == element.name) {
      Problem(node, "section '" + section.name + "' already has an element named '" + element.name +
                        "' (line " + std::to_string(other.line) + ")");
    }
  }
  const bool is_line = element.kind == ElementKind::kLine;
  ReadLength(node, "top", element.top, true);
  ReadLength(node, "left", element.left, true);
  ReadLength(node, "width", element.width, !is_line);
  ReadLength(node, "height", element.height, !is_line);
  ReadFont(node, element.font);
  element.text = node.attribute("text").value();

  const std::string align = node.attribute("align").as_string("left");
  if (align == "center") {
    element.align = Align::kCenter;
  } else if (align == "right") {
    element.align = Align::kRight;
  } else if (align != "left") {
    Problem(node, "attribute 'align' of " + Describe(node) +
                      " must be left, center or right, not '" + align + "'");
  }
  if (const pugi::xml_attribute border = node.attribute("border")) {
    element.border = {};
    std::string word;
    const std::string text = std::string(border.value()) + " ";
    for (char c : text) {
      if (c != ' ') {
        word += c;
        continue;
      }
      if (word.empty()) continue;
      if (word == "all") {
        element.border = {true, true, true, true};
      } else if (word == "top") {
        element.border.top = true;
      } else if (word == "bottom") {
        element.border.bottom = true;
      } else if (word == "left") {
        element.border.left = true;
      } else if (word == "right") {
        element.border.right = true;
      } else if (word != "none") {
        Problem(node, "attribute 'border' of " + Describe(node) +
                          " takes none, all, top, bottom, left or right, not '" + word + "'");
      }
      word.clear();
    }
  }
  ReadLength(node, "border-width", element.border_width, false);
  ReadLength(node, "thickness", element.border_width, false);
  ReadColor(node, "border-color", element.border_color, nullptr);
  if (is_line) ReadColor(node, "color", element.border_color, nullptr);
  ReadColor(node, "fill", element.fill, &element.has_fill);

  if (element.kind == ElementKind::kImage) {
    const std::string src = node.attribute("src").value();
    if (src.empty()) {
      Problem(node, "<image> needs a 'src'");
    } else {
      element.image_path = src[0] == '/' ? src : platform::JoinPath(folder_, src);
      if (checks_.image) {
        if (std::string error = checks_.image(element.image_path); !error.empty()) {
          Problem(node, error);
        }
      }
    }
  }
  if (element.top + element.height > section.height) {
    Problem(node, Describe(node) + " reaches " + std::to_string(element.top + element.height) +
                      " twips down, below the section's height of " +
                      std::to_string(section.height));
  }
  if (element.left + element.width > def.page.PrintableWidth()) {
    Problem(node, Describe(node) + " reaches " + std::to_string(element.left + element.width) +
                      " twips across, past the printable width of " +
                      std::to_string(def.page.PrintableWidth()));
  }
  section.elements.push_back(std::move(element));
}

Definition Parser::Parse() {
  Definition def;
  def.path = path_;
  const size_t slash = path_.find_last_of('/');
  folder_ = slash == std::string::npos ? "." : path_.substr(0, slash);

  std::string contents;
  try {
    contents = platform::ReadFile(path_);
  } catch (const core::ComError& e) {
    problems_.push_back({path_, 0, e.description()});
    return def;
  }
  for (size_t i = 0; i < contents.size(); ++i) {
    if (contents[i] == '\n') newlines_.push_back(static_cast<ptrdiff_t>(i));
  }
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(contents.data(), contents.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    problems_.push_back({path_, LineAt(parsed.offset),
                         std::string("not well-formed XML: ") + parsed.description()});
    return def;
  }
  const pugi::xml_node root = doc.document_element();
  if (std::string(root.name()) != "report") {
    Problem(root, std::string("the root element must be <report>, not <") + root.name() + ">");
    return def;
  }
  ReadPage(root, def);
  for (const pugi::xml_node& child : root.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string tag = child.name();
    if (tag == "style") {
      ReadStyle(child, def);
    } else if (tag == "section") {
      ReadSection(child, def);
    } else {
      Problem(child, "unknown element <" + tag + "> in <report> (expected style or section)");
    }
  }
  if (def.sections.empty()) Problem(root, "the report has no <section>");
  if (!def.page_group.empty() &&
      std::none_of(def.sections.begin(), def.sections.end(),
                   [&](const SectionDef& s) { return s.name == def.page_group; })) {
    Problem(root, "attribute 'page-group' of <report> names no section: '" + def.page_group + "'");
  }
  return def;
}

}  // namespace

Definition ParseDefinition(const std::string& path, const DefinitionChecks& checks,
                           std::vector<DefinitionProblem>& problems) {
  return Parser(path, checks, problems).Parse();
}

DefinitionChecks SystemChecks() { return {TextEngine::CheckFamily, CheckImage}; }

Definition LoadDefinitionFile(const std::string& path) {
  std::vector<DefinitionProblem> problems;
  Definition def = ParseDefinition(path, SystemChecks(), problems);
  if (problems.empty()) return def;
  std::string text = "Report definition " + path + " is not valid:";
  for (const DefinitionProblem& problem : problems) text += "\n" + problem.ToString();
  throw core::ComError(core::kErrInvalidFormat, text, "Vintrel.Report");
}

}  // namespace report_engine

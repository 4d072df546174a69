// Report definitions (.rdn): the XML language that names a report's page,
// fonts, sections and the elements drawn in them, and its parser.
#ifndef DUNMERROW_ENGINES_REPORT_DEFINITION_H_
#define DUNMERROW_ENGINES_REPORT_DEFINITION_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace report_engine {

// All lengths are twips (1/1440 inch); font sizes are points.
inline constexpr int32_t kTwipsPerPoint = 20;

enum class ElementKind { kField, kLabel, kBox, kLine, kImage };
enum class Align { kLeft, kCenter, kRight };

struct Rgb {
  double red = 0;
  double green = 0;
  double blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct FontSpec {
  std::string family = "Liberation Sans";
  double size = 9;
  bool bold = false;
  bool italic = false;
  Rgb color;
  bool operator==(const FontSpec&) const = default;
};

struct Borders {
  bool top = false;
  bool bottom = false;
  bool left = false;
  bool right = false;
  bool Any() const { return top || bottom || left || right; }
};

struct ElementDef {
  ElementKind kind = ElementKind::kField;
  std::string name;  // may be empty for decorations
  int line = 0;      // where the definition declares it; 0 for added fields
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
  FontSpec font;
  Align align = Align::kLeft;
  Borders border;
  int32_t border_width = 10;  // also a line's thickness
  Rgb border_color;
  bool has_fill = false;
  Rgb fill;
  std::string text;        // a label's text, a field's initial text
  std::string image_path;  // resolved against the definition's folder
};

struct SectionDef {
  std::string name;
  int line = 0;
  int32_t height = 0;
  std::vector<ElementDef> elements;
};

struct PageSetup {
  int32_t width = 11906;  // A4
  int32_t height = 16838;
  int32_t margin_top = 720;
  int32_t margin_bottom = 720;
  int32_t margin_left = 720;
  int32_t margin_right = 720;
  int32_t PrintableWidth() const { return width - margin_left - margin_right; }
  int32_t PrintableHeight() const { return height - margin_top - margin_bottom; }
};

struct Definition {
  std::string path;
  PageSetup page;
  FontSpec font;                       // the report's default font
  std::map<int32_t, FontSpec> styles;  // fonts chosen by a field's Style
  // Printed at the foot of every page when not empty; "{page}" and "{pages}"
  // stand for the page's number and the document's page count.
  std::string page_numbers;
  // A page whose first copy is of this section starts a new group of pages
  // (one statement), and page numbers count within the group; "" is one
  // group per document.
  std::string page_group;
  std::vector<SectionDef> sections;
};

struct DefinitionProblem {
  std::string file;
  int line = 0;
  std::string message;
  // "FILE:LINE: MESSAGE"
  std::string ToString() const;
};

// Checks that cannot be made from the XML alone; each returns "" when all is
// well, else what is wrong.
struct DefinitionChecks {
  std::function<std::string(const std::string& family)> font_family;
  std::function<std::string(const std::string& image_path)> image;
};

// Parses the definition at `path`, appending every problem found to
// `problems` (none for a valid file). The result is usable only when no
// problem was found.
Definition ParseDefinition(const std::string& path, const DefinitionChecks& checks,
                           std::vector<DefinitionProblem>& problems);

// ParseDefinition with the real font and image checks; raises ComError
// listing the problems (file, line, what) when the definition is not valid.
Definition LoadDefinitionFile(const std::string& path);

// The real checks: the font family is installed, the image can be decoded.
DefinitionChecks SystemChecks();

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_DEFINITION_H_

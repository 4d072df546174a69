// Text measuring and drawing with Pango on Cairo. One engine serves both the
// fitting of texts and the PDF, with the same font options (no hinting of
// metrics), so that a text measured to fit is drawn exactly as measured.
#ifndef DUNMERROW_ENGINES_REPORT_TEXT_ENGINE_H_
#define DUNMERROW_ENGINES_REPORT_TEXT_ENGINE_H_

#include <cairo.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "engines/report/definition.h"

namespace report_engine {

// The box a text is set in, in twips. A box that holds fewer than two lines
// of its font is a one-line box: its text does not wrap, and a text too
// long for it ends with an ellipsis at a character (grapheme) boundary. Taller boxes wrap at word boundaries (inside a word when
// the word alone is wider than the box).
struct TextBox {
  int32_t width = 0;
  int32_t height = 0;
  Align align = Align::kLeft;
};

class TextEngine {
 public:
  TextEngine();
  ~TextEngine();
  TextEngine(const TextEngine&) = delete;
  TextEngine& operator=(const TextEngine&) = delete;

  // "" when fontconfig knows the family, else a message naming it.
  static std::string CheckFamily(const std::string& family);

  // The length in bytes of the leading part of `text` (valid UTF-8) that
  // fits the box: whole lines, at least one line even when the box is lower
  // than a line, and never less than one character of a non-empty text.
  size_t FitLength(const std::string& text, const FontSpec& font, const TextBox& box);

  // Draws `text` in the box whose top left corner is (x, y) in points,
  // clipped to the box.
  void Draw(cairo_t* cr, const std::string& text, const FontSpec& font, const TextBox& box,
            double x, double y);

 private:
  struct CachedLayout;
  // The layout a box draws with (wrapped only when it holds two lines).
  CachedLayout& LayoutFor(const FontSpec& font, const TextBox& box);
  CachedLayout& LayoutFor(const FontSpec& font, const TextBox& box, bool wrapped);

  struct Private;
  std::unique_ptr<Private> p_;
};

// `text` with every invalid UTF-8 byte replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_TEXT_ENGINE_H_

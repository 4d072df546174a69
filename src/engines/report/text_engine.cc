// Pango layouts are costly to set up, so each combination of font and box
// keeps one layout, and a layout whose text has not changed is not shaped
// again: labels and repeated values then cost almost nothing per page.
#include "engines/report/text_engine.h"

#include <pango/pangocairo.h>
#include <strings.h>

#include <mutex>
#include <set>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps part of the configuration it parses (on Pango's font
// loading thread) for the life of the process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

namespace report_engine {

namespace {

double TwipsToPoints(int32_t twips) { return twips / static_cast<double>(kTwipsPerPoint); }
int TwipsToPango(int32_t twips) { return static_cast<int>(TwipsToPoints(twips) * PANGO_SCALE); }
// What one box remembers of the fits it measured: short texts only, and a
// bounded number of them, so that memory does not grow with the run.
constexpr size_t kMaxKnownFits = 4096;
constexpr size_t kMaxKnownFitText = 512;

}  // namespace

std::string ValidUtf8(const std::string& text) {
  const char* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end)) return text;
  std::string out;
  const char* p = text.data();
  const char* const stop = text.data() + text.size();
  while (p < stop) {
    if (g_utf8_validate(p, stop - p, &end)) {
      out.append(p, stop);
      break;
    }
    out.append(p, end);
    out += "\xEF\xBF\xBD";
    p = end + 1;
  }
  return out;
}

struct TextEngine::CachedLayout {
  PangoLayout* layout = nullptr;
  std::string text;
  // What FitLength found for each text in this box: a run fits the same few
  // texts (account names, the company's notes) thousands of times.
  std::unordered_map<std::string, size_t> fits;
};

struct TextEngine::Private {
  PangoFontMap* font_map = nullptr;
  PangoContext* context = nullptr;
  // font, width, height, align, wrapped
  using Key = std::tuple<std::string, double, bool, bool, int32_t, int32_t, int, bool>;
  std::map<Key, CachedLayout> layouts;
  std::map<std::tuple<std::string, double, bool, bool>, int> line_heights;

  PangoFontDescription* Describe(const FontSpec& font) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.family.c_str());
    pango_font_description_set_size(desc, static_cast<gint>(font.size * PANGO_SCALE));
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
  }

  // The height of one line of the font, in Pango units.
  int LineHeight(const FontSpec& font) {
    const auto key = std::make_tuple(font.family, font.size, font.bold, font.italic);
    if (auto it = line_heights.find(key); it != line_heights.end()) return it->second;
    PangoLayout* probe = pango_layout_new(context);
    PangoFontDescription* desc = Describe(font);
    pango_layout_set_font_description(probe, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(probe, "Ag", -1);
    PangoRectangle logical;
    pango_layout_get_extents(probe, nullptr, &logical);
    g_object_unref(probe);
    line_heights[key] = logical.height;
    return logical.height;
  }
};

TextEngine::TextEngine() : p_(std::make_unique<Private>()) {
  p_->font_map = pango_cairo_font_map_new();
  p_->context = pango_font_map_create_context(p_->font_map);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(p_->context, options);
  cairo_font_options_destroy(options);
  // Layout units are points, as in the PDF.
  pango_cairo_context_set_resolution(p_->context, 72);
  pango_context_set_round_glyph_positions(p_->context, FALSE);
}

TextEngine::~TextEngine() {
  for (auto& [key, cached] : p_->layouts) g_object_unref(cached.layout);
  g_object_unref(p_->context);
  g_object_unref(p_->font_map);
}

std::string TextEngine::CheckFamily(const std::string& family) {
  static std::mutex mutex;
  static std::set<std::string> installed;
  std::lock_guard<std::mutex> lock(mutex);
  if (installed.empty()) {
    PangoFontMap* map = pango_cairo_font_map_new();
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(map, &families, &count);
    for (int i = 0; i < count; ++i) {
      std::string name = pango_font_family_get_name(families[i]);
      for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      installed.insert(name);
    }
    g_free(families);
    g_object_unref(map);
  }
  std::string wanted = family;
  for (char& c : wanted) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  // Pango's generic families always resolve.
  if (wanted == "sans" || wanted == "serif" || wanted == "monospace" || installed.count(wanted)) {
    return "";
  }
  return "font family '" + family + "' is not installed";
}

TextEngine::CachedLayout& TextEngine::LayoutFor(const FontSpec& font, const TextBox& box) {
  const double line_twips =
      p_->LineHeight(font) / static_cast<double>(PANGO_SCALE) * kTwipsPerPoint;
  const bool wrapped = box.height >= 2 * line_twips;
  return LayoutFor(font, box, wrapped);
}

TextEngine::CachedLayout& TextEngine::LayoutFor(const FontSpec& font, const TextBox& box,
                                                bool wrapped) {
  const Private::Key key{font.family,
                         font.size,
                         font.bold,
                         font.italic,
                         box.width,
                         box.height,
                         static_cast<int>(box.align),
                         wrapped};
  auto it = p_->layouts.find(key);
  if (it != p_->layouts.end()) return it->second;
  CachedLayout cached;
  cached.layout = pango_layout_new(p_->context);
  PangoFontDescription* desc = p_->Describe(font);
  pango_layout_set_font_description(cached.layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_width(cached.layout, TwipsToPango(box.width));
  pango_layout_set_alignment(cached.layout, box.align == Align::kRight    ? PANGO_ALIGN_RIGHT
                                            : box.align == Align::kCenter ? PANGO_ALIGN_CENTER
                                                                          : PANGO_ALIGN_LEFT);
  if (wrapped) {
    pango_layout_set_wrap(cached.layout, PANGO_WRAP_WORD_CHAR);
  } else {
    // A reader must see that a one-line text goes on: it ends in "…" at a
    // character's boundary, never in half a glyph.
    pango_layout_set_ellipsize(cached.layout, PANGO_ELLIPSIZE_END);
  }
  return p_->layouts.emplace(key, cached).first->second;
}

size_t TextEngine::FitLength(const std::string& text, const FontSpec& font, const TextBox& box) {
  if (text.empty()) return 0;
  // Measuring always wraps at the box's width, so that a one-line box takes
  // as much as one line holds and the rest goes to the next copy.
  CachedLayout& cached = LayoutFor(font, box, true);
  if (auto known = cached.fits.find(text); known != cached.fits.end()) return known->second;
  if (cached.text != text) {
    pango_layout_set_text(cached.layout, text.data(), static_cast<int>(text.size()));
    cached.text = text;
  }
  const int limit = TwipsToPango(box.height);
  PangoLayoutIter* iter = pango_layout_get_iter(cached.layout);
  size_t fit = text.size();
  bool first = true;
  do {
    int y0 = 0;
    int y1 = 0;
    pango_layout_iter_get_line_yrange(iter, &y0, &y1);
    if (!first && y1 > limit) {
      fit = static_cast<size_t>(pango_layout_iter_get_line_readonly(iter)->start_index);
      break;
    }
    first = false;
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);
  if (fit == 0) {
    // Never stand still: take one whole character.
    fit = static_cast<size_t>(g_utf8_next_char(text.data()) - text.data());
  }
  if (text.size() <= kMaxKnownFitText) {
    if (cached.fits.size() >= kMaxKnownFits) cached.fits.clear();
    cached.fits.emplace(text, fit);
  }
  return fit;
}

void TextEngine::Draw(cairo_t* cr, const std::string& text, const FontSpec& font,
                      const TextBox& box, double x, double y) {
  if (text.empty()) return;
  CachedLayout& cached = LayoutFor(font, box);
  if (cached.text != text) {
    pango_layout_set_text(cached.layout, text.data(), static_cast<int>(text.size()));
    cached.text = text;
  }
  const double width = TwipsToPoints(box.width);
  cairo_save(cr);
  cairo_rectangle(cr, x, y, width, TwipsToPoints(box.height));
  cairo_clip(cr);
  cairo_set_source_rgb(cr, font.color.red, font.color.green, font.color.blue);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, cached.layout);
  cairo_restore(cr);
}

}  // namespace report_engine

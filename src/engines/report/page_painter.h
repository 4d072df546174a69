// Laid-out pages, the Cairo PDF surface, and the painting of pages on any
// Cairo context.
#ifndef DUNMERROW_ENGINES_REPORT_PAGE_PAINTER_H_
#define DUNMERROW_ENGINES_REPORT_PAGE_PAINTER_H_

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engines/report/definition.h"
#include "engines/report/images.h"
#include "engines/report/report_objects.h"
#include "engines/report/text_engine.h"

namespace report_engine {

// What one element looked like when its section was printed.
struct ElementSnapshot {
  // The element itself, for what does not change during a run (kind, font,
  // fill, borders, picture); it lives as long as its definition is loaded.
  const ElementObject* element = nullptr;
  uint32_t index = 0;  // position in the section
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t style = 0;
  std::string text;
};

// One printed copy of a section.
struct SectionCopy {
  uint32_t section = 0;  // position in the definition
  int32_t y = 0;         // twips below the top margin
  std::vector<ElementSnapshot> elements;
};

// A page as laid out, in print order; it needs nothing of the live section
// objects, so it can be painted on another thread while the run goes on.
using LaidOutPage = std::vector<SectionCopy>;

// A PDF being written page by page to `sink`. `created` ("YYYY-MM-DDTHH:MM:SS")
// is the document's creation date, so that equal input gives equal bytes.
class PdfWriter {
 public:
  using Sink = std::function<bool(const unsigned char* data, unsigned int length)>;
  PdfWriter(const PageSetup& page, Sink sink, const std::string& created);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  cairo_t* cr() { return cr_; }
  void ShowPage() { cairo_show_page(cr_); }
  // Completes the file; raises ComError when Cairo or the sink failed.
  void Finish();

 private:
  static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int length);
  Sink sink_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool finished_ = false;
};

class PagePainter {
 public:
  PagePainter(const Definition& def, TextEngine& text, ImageCache& images)
      : def_(def), text_(text), images_(images) {}

  // Paints every copy of `page` and its number, `number` of `count` in its
  // page group; the caller shows the page.
  void PaintPage(cairo_t* cr, const LaidOutPage& page, int number, int count);
  // Paints one copy, its top `copy.y` twips below the top margin.
  void PaintCopy(cairo_t* cr, const SectionCopy& copy);
  // The definition's page-number line in the bottom margin.
  void PaintPageNumber(cairo_t* cr, int page, int pages);

 private:
  const FontSpec& FontOf(const ElementObject& element, int32_t style) const;
  const Definition& def_;
  TextEngine& text_;
  ImageCache& images_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_PAGE_PAINTER_H_

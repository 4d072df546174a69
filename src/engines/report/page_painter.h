// PDF pages: the Cairo PDF surface and the painting of section copies and
// page numbers on it.
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
  uint32_t index = 0;  // position in the section
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t style = 0;
  std::string text;
};

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

  // Paints a copy of `section` whose top is `y` twips below the top margin.
  void PaintCopy(cairo_t* cr, const SectionObject& section, int32_t y,
                 const std::vector<ElementSnapshot>& elements);
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

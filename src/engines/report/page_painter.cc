// Painting in points: twips divided by 20, origin at the page's top left.
#include "engines/report/page_painter.h"

#include <cairo-pdf.h>

#include <algorithm>

#include "core/com_error.h"

namespace report_engine {

namespace {

constexpr char kSource[] = "Vintrel.Report";

double Pt(int32_t twips) { return twips / static_cast<double>(kTwipsPerPoint); }

void SetColor(cairo_t* cr, const Rgb& color) {
  cairo_set_source_rgb(cr, color.red, color.green, color.blue);
}

void PaintBorders(cairo_t* cr, const ElementDef& def, double x, double y, double w, double h) {
  if (!def.border.Any()) return;
  const double width = std::max(Pt(def.border_width), 0.1);
  SetColor(cr, def.border_color);
  cairo_set_line_width(cr, width);
  const double half = width / 2;
  auto edge = [&](double x0, double y0, double x1, double y1) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
  };
  if (def.border.top) edge(x, y + half, x + w, y + half);
  if (def.border.bottom) edge(x, y + h - half, x + w, y + h - half);
  if (def.border.left) edge(x + half, y, x + half, y + h);
  if (def.border.right) edge(x + w - half, y, x + w - half, y + h);
  cairo_stroke(cr);
}

}  // namespace

PdfWriter::PdfWriter(const PageSetup& page, Sink sink, const std::string& created)
    : sink_(std::move(sink)) {
  surface_ =
      cairo_pdf_surface_create_for_stream(&PdfWriter::Write, this, Pt(page.width), Pt(page.height));
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATE_DATE, created.c_str());
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_MOD_DATE, created.c_str());
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Dunmerrow");
  cr_ = cairo_create(surface_);
}

PdfWriter::~PdfWriter() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

cairo_status_t PdfWriter::Write(void* closure, const unsigned char* data, unsigned int length) {
  auto* self = static_cast<PdfWriter*>(closure);
  // No exception may cross Cairo; the sink reports failure by its result.
  try {
    return self->sink_(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
}

void PdfWriter::Finish() {
  if (finished_) return;
  finished_ = true;
  cairo_destroy(cr_);
  cr_ = nullptr;
  cairo_surface_finish(surface_);
  const cairo_status_t status = cairo_surface_status(surface_);
  if (status != CAIRO_STATUS_SUCCESS) {
    throw core::ComError(core::kErrDeviceIO,
                         std::string("cannot write the PDF: ") + cairo_status_to_string(status),
                         kSource);
  }
}

const FontSpec& PagePainter::FontOf(const ElementObject& element, int32_t style) const {
  if (style != 0) {
    if (auto it = def_.styles.find(style); it != def_.styles.end()) return it->second;
  }
  return element.def().font;
}

void PagePainter::PaintPage(cairo_t* cr, const LaidOutPage& page, int number, int count) {
  for (const SectionCopy& copy : page) PaintCopy(cr, copy);
  PaintPageNumber(cr, number, count);
}

void PagePainter::PaintCopy(cairo_t* cr, const SectionCopy& copy) {
  const double origin_x = Pt(def_.page.margin_left);
  const double origin_y = Pt(def_.page.margin_top + copy.y);
  for (const ElementSnapshot& snap : copy.elements) {
    const ElementObject& element = *snap.element;
    const ElementDef& def = element.def();
    const double x = origin_x + Pt(snap.left);
    const double top = origin_y + Pt(snap.top);
    const double w = Pt(snap.width);
    const double h = Pt(snap.height);
    switch (def.kind) {
      case ElementKind::kField:
      case ElementKind::kLabel:
        if (def.has_fill) {
          SetColor(cr, def.fill);
          cairo_rectangle(cr, x, top, w, h);
          cairo_fill(cr);
        }
        if (snap.width > 0 && snap.height > 0) {
          text_.Draw(cr, snap.text, FontOf(element, snap.style),
                     {snap.width, snap.height, def.align}, x, top);
        }
        PaintBorders(cr, def, x, top, w, h);
        break;
      case ElementKind::kBox:
        if (def.has_fill) {
          SetColor(cr, def.fill);
          cairo_rectangle(cr, x, top, w, h);
          cairo_fill(cr);
        }
        PaintBorders(cr, def, x, top, w, h);
        break;
      case ElementKind::kLine:
        SetColor(cr, def.border_color);
        cairo_set_line_width(cr, std::max(Pt(def.border_width), 0.1));
        cairo_move_to(cr, x, top);
        cairo_line_to(cr, x + w, top + h);
        cairo_stroke(cr);
        break;
      case ElementKind::kImage: {
        if (snap.width <= 0 || snap.height <= 0) break;
        cairo_surface_t* image = images_.Get(def.image_path);
        const int iw = cairo_image_surface_get_width(image);
        const int ih = cairo_image_surface_get_height(image);
        if (iw <= 0 || ih <= 0) break;
        // The picture keeps its proportions inside the box, at its top right
        // when the box is wider, as a logo sits.
        const double scale = std::min(w / iw, h / ih);
        cairo_save(cr);
        cairo_translate(cr, x + w - iw * scale, top);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        break;
      }
    }
  }
}

void PagePainter::PaintPageNumber(cairo_t* cr, int page, int pages) {
  if (def_.page_numbers.empty()) return;
  std::string text = def_.page_numbers;
  auto replace = [&text](const std::string& token, const std::string& value) {
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at)) {
      text.replace(at, token.size(), value);
      at += value.size();
    }
  };
  replace("{page}", std::to_string(page));
  replace("{pages}", std::to_string(pages));
  const int32_t height = std::min<int32_t>(def_.page.margin_bottom, 300);
  const int32_t top =
      def_.page.height - def_.page.margin_bottom + (def_.page.margin_bottom - height) / 2;
  text_.Draw(cr, text, def_.font, {def_.page.PrintableWidth(), height, Align::kRight},
             Pt(def_.page.margin_left), Pt(top));
}

}  // namespace report_engine

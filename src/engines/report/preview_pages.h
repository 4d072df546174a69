// The laid-out pages of a preview, kept after its run for a window to show:
// each page's section copies, the statement it belongs to and its number,
// painted by the same painter as the PDF.
#ifndef DUNMERROW_ENGINES_REPORT_PREVIEW_PAGES_H_
#define DUNMERROW_ENGINES_REPORT_PREVIEW_PAGES_H_

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "engines/report/definition.h"
#include "engines/report/images.h"
#include "engines/report/report_objects.h"
#include "engines/report/page_painter.h"
#include "engines/report/text_engine.h"

namespace report_engine {

class PreviewPages {
 public:
  // The pages of a run of `def`, whose copies are of `sections` (shared with
  // the report: what painting reads of them does not change after loading).
  PreviewPages(const Definition& def, std::vector<std::shared_ptr<SectionObject>> sections);
  PreviewPages(const PreviewPages&) = delete;
  PreviewPages& operator=(const PreviewPages&) = delete;

  // The engine's side, in the order of the layout.
  void AddPage();
  // A copy on the current page; the page's first copy gives the page to the
  // statement of `owner_code`.
  void AddCopy(const SectionCopy& copy, const std::string& owner_code);
  // The document ended: the next page starts a new one.
  void EndDocument();

  // The viewer's side. Pages are counted from 0.
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The owner code of the statement on `page`; "" for none or out of range.
  std::string OwnerOfPage(int page) const;
  // The first page of the owner's statement; -1 when it has none.
  int FirstPageOf(const std::string& owner_code) const;
  // The page's size in points.
  double PageWidth() const;
  double PageHeight() const;
  // Paints `page` at one unit per point, its top left corner at the origin,
  // over whatever is there (the paper is the caller's). Raises ComError when
  // a picture cannot be read.
  void PaintPage(cairo_t* cr, int page);

 private:
  struct Page {
    std::string owner_code;
    size_t group = 0;   // index in group_sizes_
    int number = 0;     // within its group, from 1
    std::vector<SectionCopy> copies;
  };

  Definition def_;
  std::vector<std::shared_ptr<SectionObject>> sections_;
  std::vector<Page> pages_;
  std::vector<int> group_sizes_;  // pages of each group, for "Page N of M"
  bool document_ended_ = true;
  TextEngine text_;
  ImageCache images_;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_PREVIEW_PAGES_H_

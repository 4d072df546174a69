// Page groups follow the rule the report numbers its PDF pages by: a page
// whose first copy is of the definition's page-group section starts a group,
// and every document starts one.
#include "engines/report/preview_pages.h"

#include "engines/report/page_painter.h"

namespace report_engine {

PreviewPages::PreviewPages(const Definition& def,
                           std::vector<std::shared_ptr<SectionObject>> sections)
    : def_(def), sections_(std::move(sections)) {}

void PreviewPages::AddPage() {
  if (document_ended_ || group_sizes_.empty()) {
    group_sizes_.push_back(0);
    document_ended_ = false;
  }
  Page page;
  page.group = group_sizes_.size() - 1;
  page.number = ++group_sizes_.back();
  pages_.push_back(std::move(page));
}

void PreviewPages::AddCopy(const SectionCopy& copy, const std::string& owner_code) {
  if (pages_.empty()) AddPage();
  Page& page = pages_.back();
  if (page.copies.empty()) {
    page.owner_code = owner_code;
    if (page.number > 1 && copy.section < sections_.size() &&
        sections_[copy.section]->Name() == def_.page_group) {
      --group_sizes_.back();
      group_sizes_.push_back(1);
      page.group = group_sizes_.size() - 1;
      page.number = 1;
    }
  }
  page.copies.push_back(copy);
}

void PreviewPages::EndDocument() { document_ended_ = true; }

std::string PreviewPages::OwnerOfPage(int page) const {
  if (page < 0 || page >= PageCount()) return "";
  return pages_[static_cast<size_t>(page)].owner_code;
}

int PreviewPages::FirstPageOf(const std::string& owner_code) const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].owner_code == owner_code) return static_cast<int>(i);
  }
  return -1;
}

double PreviewPages::PageWidth() const {
  return def_.page.width / static_cast<double>(kTwipsPerPoint);
}

double PreviewPages::PageHeight() const {
  return def_.page.height / static_cast<double>(kTwipsPerPoint);
}

void PreviewPages::PaintPage(cairo_t* cr, int page) {
  if (page < 0 || page >= PageCount()) return;
  const Page& p = pages_[static_cast<size_t>(page)];
  PagePainter painter(def_, text_, images_);
  painter.PaintPage(cr, p.copies, p.number, group_sizes_[p.group]);
}

}  // namespace report_engine

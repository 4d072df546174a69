// The review window's page view: the preview's pages one below the other,
// drawn by the report engine's own painter at the zoom of the moment, with
// scroll bars and the keys a reader expects (PgUp, PgDn, Home, End).
#ifndef DUNMERROW_APP_PAGE_VIEW_H_
#define DUNMERROW_APP_PAGE_VIEW_H_

#include <gtk/gtk.h>

#include <functional>
#include <memory>

#include "engines/report/preview_pages.h"

namespace app {

// How big a page is drawn: as wide as the view, whole in the view, or a
// percentage of its printed size (100% at 96 pixels per inch).
struct Zoom {
  enum class Kind { kFitWidth, kFitPage, kPercent };
  Kind kind = Kind::kFitWidth;
  int percent = 100;  // for kPercent: 50 to 400
};

class PageView {
 public:
  // `pages` may hold no page (a run that stopped before its first).
  explicit PageView(std::shared_ptr<report_engine::PreviewPages> pages);
  ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // The view with its scroll bars, to be placed in a window.
  GtkWidget* widget() const { return grid_; }
  // The focusable drawing of the pages.
  GtkWidget* pages_widget() const { return area_; }

  void SetZoom(Zoom zoom);
  // The scale of the moment, in pixels per point.
  double Scale() const { return scale_; }
  // Scrolls so that `page` (from 0, clamped) starts at the top of the view.
  void ShowPage(int page);
  // The page under the upper third of the view; 0 when there is none.
  int CurrentPage() const { return current_; }
  int PageCount() const { return pages_->PageCount(); }
  // Told whenever the current page changes.
  void SetPageChanged(std::function<void(int page)> changed) { changed_ = std::move(changed); }

  void NextPage();
  void PreviousPage();

 private:
  static void Draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);
  static void Resized(GtkDrawingArea* area, int width, int height, gpointer self);
  static void Scrolled(GtkAdjustment* adjustment, gpointer self);
  static gboolean Wheel(GtkEventControllerScroll* controller, double dx, double dy,
                        gpointer self);
  static gboolean Key(GtkEventControllerKey* controller, guint keyval, guint keycode,
                      GdkModifierType state, gpointer self);
  static void Pressed(GtkGestureClick* gesture, int n, double x, double y, gpointer self);

  // Recomputes the scale and the scroll ranges, keeping the view's place.
  void Layout();
  // The top of `page` in the content, in pixels.
  double PageTop(int page) const;
  void UpdateCurrent();

  std::shared_ptr<report_engine::PreviewPages> pages_;
  GtkWidget* grid_ = nullptr;
  GtkWidget* area_ = nullptr;
  GtkWidget* hscrollbar_ = nullptr;
  GtkWidget* vscrollbar_ = nullptr;
  GtkAdjustment* hadjustment_ = nullptr;
  GtkAdjustment* vadjustment_ = nullptr;
  Zoom zoom_;
  double scale_ = 1;
  int current_ = 0;
  std::function<void(int)> changed_;
};

}  // namespace app

#endif  // DUNMERROW_APP_PAGE_VIEW_H_

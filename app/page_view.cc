// Only the pages in sight are painted, straight from their laid-out copies
// at the scale of the moment: text stays sharp at any zoom, and a long run
// costs no more to show than a short one.
#include "app/page_view.h"

#include <algorithm>
#include <cmath>

namespace app {
namespace {

constexpr double kGap = 16;             // pixels around and between pages
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kWheelStep = 48;       // pixels per wheel step

}  // namespace

PageView::PageView(std::shared_ptr<report_engine::PreviewPages> pages) : pages_(std::move(pages)) {
  hadjustment_ = gtk_adjustment_new(0, 0, 1, 1, 1, 1);
  vadjustment_ = gtk_adjustment_new(0, 0, 1, 1, 1, 1);
  area_ = gtk_drawing_area_new();
  gtk_widget_set_hexpand(area_, TRUE);
  gtk_widget_set_vexpand(area_, TRUE);
  gtk_widget_set_focusable(area_, TRUE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(area_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Statement pages", -1);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), &PageView::Draw, this, nullptr);
  g_signal_connect(area_, "resize", G_CALLBACK(&PageView::Resized), this);
  g_signal_connect(vadjustment_, "value-changed", G_CALLBACK(&PageView::Scrolled), this);
  g_signal_connect(hadjustment_, "value-changed", G_CALLBACK(&PageView::Scrolled), this);

  GtkEventController* wheel = gtk_event_controller_scroll_new(
      static_cast<GtkEventControllerScrollFlags>(GTK_EVENT_CONTROLLER_SCROLL_BOTH_AXES));
  g_signal_connect(wheel, "scroll", G_CALLBACK(&PageView::Wheel), this);
  gtk_widget_add_controller(area_, wheel);
  GtkEventController* keys = gtk_event_controller_key_new();
  g_signal_connect(keys, "key-pressed", G_CALLBACK(&PageView::Key), this);
  gtk_widget_add_controller(area_, keys);
  // A click on the pages gives them the keyboard.
  GtkGesture* click = gtk_gesture_click_new();
  g_signal_connect(click, "pressed", G_CALLBACK(&PageView::Pressed), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));

  grid_ = gtk_grid_new();
  gtk_grid_attach(GTK_GRID(grid_), area_, 0, 0, 1, 1);
  vscrollbar_ = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, vadjustment_);
  hscrollbar_ = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, hadjustment_);
  gtk_grid_attach(GTK_GRID(grid_), vscrollbar_, 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), hscrollbar_, 0, 1, 1, 1);
  g_object_ref_sink(grid_);
}

PageView::~PageView() {
  // The window that showed the view is gone by now; the last reference to
  // the widgets goes, and with it every callback into the view.
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), nullptr, nullptr, nullptr);
  g_signal_handlers_disconnect_by_data(vadjustment_, this);
  g_signal_handlers_disconnect_by_data(hadjustment_, this);
  g_object_unref(grid_);
}

void PageView::SetZoom(Zoom zoom) {
  zoom_ = zoom;
  zoom_.percent = std::clamp(zoom_.percent, 50, 400);
  Layout();
}

double PageView::PageTop(int page) const {
  return kGap + page * (pages_->PageHeight() * scale_ + kGap);
}

void PageView::Layout() {
  const double view_width = gtk_widget_get_width(area_);
  const double view_height = gtk_widget_get_height(area_);
  const double page_width = pages_->PageWidth();
  const double page_height = pages_->PageHeight();
  // Where the reader is, as a fraction of the whole, stays where it is.
  const double old_upper = gtk_adjustment_get_upper(vadjustment_);
  const double place = old_upper > 0 ? gtk_adjustment_get_value(vadjustment_) / old_upper : 0;
  const double fit_width = std::max(view_width - 2 * kGap, 50.0) / page_width;
  switch (zoom_.kind) {
    case Zoom::Kind::kFitWidth:
      scale_ = fit_width;
      break;
    case Zoom::Kind::kFitPage:
      scale_ = std::min(fit_width, std::max(view_height - 2 * kGap, 50.0) / page_height);
      break;
    case Zoom::Kind::kPercent:
      scale_ = kPixelsPerPoint * zoom_.percent / 100.0;
      break;
  }
  const double content_width = page_width * scale_ + 2 * kGap;
  const double content_height = std::max(PageTop(pages_->PageCount()), view_height);
  gtk_adjustment_configure(vadjustment_, place * content_height, 0, content_height, kWheelStep,
                           std::max(view_height - kWheelStep, kWheelStep), view_height);
  gtk_adjustment_configure(hadjustment_, gtk_adjustment_get_value(hadjustment_), 0,
                           std::max(content_width, view_width), kWheelStep,
                           std::max(view_width - kWheelStep, kWheelStep), view_width);
  // A scroll bar shows only where there is something to scroll to.
  gtk_widget_set_visible(hscrollbar_, content_width > view_width + 0.5);
  gtk_widget_set_visible(vscrollbar_, content_height > view_height + 0.5);
  UpdateCurrent();
  gtk_widget_queue_draw(area_);
}

void PageView::ShowPage(int page) {
  if (pages_->PageCount() == 0) return;
  page = std::clamp(page, 0, pages_->PageCount() - 1);
  gtk_adjustment_set_value(vadjustment_, PageTop(page) - kGap);
  // The last pages cannot scroll to the top; the one asked for is current.
  if (current_ != page) {
    current_ = page;
    if (changed_) changed_(page);
  }
}

void PageView::NextPage() {
  if (current_ + 1 < pages_->PageCount()) ShowPage(current_ + 1);
}

void PageView::PreviousPage() {
  // Back to the top of this page first, when it is scrolled into.
  const double top = PageTop(current_) - kGap;
  if (gtk_adjustment_get_value(vadjustment_) > top + 1) {
    ShowPage(current_);
  } else if (current_ > 0) {
    ShowPage(current_ - 1);
  }
}

void PageView::UpdateCurrent() {
  const int count = pages_->PageCount();
  if (count == 0) return;
  const double probe =
      gtk_adjustment_get_value(vadjustment_) + gtk_adjustment_get_page_size(vadjustment_) / 3;
  const double pitch = pages_->PageHeight() * scale_ + kGap;
  int page = static_cast<int>(std::floor((probe - kGap / 2) / pitch));
  // At the very end the last page is current, however short the view.
  const double bottom = gtk_adjustment_get_upper(vadjustment_) -
                        gtk_adjustment_get_page_size(vadjustment_);
  if (gtk_adjustment_get_value(vadjustment_) >= bottom - 1 && bottom > 0) page = count - 1;
  page = std::clamp(page, 0, count - 1);
  if (page == current_) return;
  current_ = page;
  if (changed_) changed_(page);
}

void PageView::Draw(GtkDrawingArea*, cairo_t* cr, int width, int, gpointer data) {
  auto* self = static_cast<PageView*>(data);
  const double scale = self->scale_;
  const double page_width = self->pages_->PageWidth() * scale;
  const double page_height = self->pages_->PageHeight() * scale;
  const double top = gtk_adjustment_get_value(self->vadjustment_);
  const double view_height = gtk_adjustment_get_page_size(self->vadjustment_);
  const double x = page_width + 2 * kGap <= width
                       ? std::floor((width - page_width) / 2)
                       : kGap - gtk_adjustment_get_value(self->hadjustment_);
  const double pitch = page_height + kGap;
  const int first = std::max(0, static_cast<int>((top - kGap) / pitch));
  for (int page = first; page < self->pages_->PageCount(); ++page) {
    const double y = self->PageTop(page) - top;
    if (y > view_height) break;
    // The paper, with a faint edge so that it stands out on a light theme.
    cairo_rectangle(cr, x - 1, y - 1, page_width + 2, page_height + 2);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_fill(cr);
    cairo_rectangle(cr, x, y, page_width, page_height);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, page_width, page_height);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    // No exception may cross GTK; a page that cannot be painted stays blank.
    try {
      self->pages_->PaintPage(cr, page);
    } catch (...) {
    }
    cairo_restore(cr);
  }
}

void PageView::Resized(GtkDrawingArea*, int, int, gpointer data) {
  static_cast<PageView*>(data)->Layout();
}

void PageView::Scrolled(GtkAdjustment*, gpointer data) {
  auto* self = static_cast<PageView*>(data);
  self->UpdateCurrent();
  gtk_widget_queue_draw(self->area_);
}

gboolean PageView::Wheel(GtkEventControllerScroll*, double dx, double dy, gpointer data) {
  auto* self = static_cast<PageView*>(data);
  auto move = [](GtkAdjustment* adjustment, double by) {
    gtk_adjustment_set_value(adjustment, gtk_adjustment_get_value(adjustment) + by * kWheelStep);
  };
  move(self->vadjustment_, dy);
  move(self->hadjustment_, dx);
  return TRUE;
}

gboolean PageView::Key(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                       gpointer data) {
  auto* self = static_cast<PageView*>(data);
  if (state & (GDK_CONTROL_MASK | GDK_ALT_MASK)) return FALSE;
  auto move = [](GtkAdjustment* adjustment, double by) {
    gtk_adjustment_set_value(adjustment, gtk_adjustment_get_value(adjustment) + by);
  };
  switch (keyval) {
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
      self->NextPage();
      return TRUE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
      self->PreviousPage();
      return TRUE;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      self->ShowPage(0);
      return TRUE;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      self->ShowPage(self->pages_->PageCount() - 1);
      return TRUE;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      move(self->vadjustment_, kWheelStep);
      return TRUE;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      move(self->vadjustment_, -kWheelStep);
      return TRUE;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      move(self->hadjustment_, kWheelStep);
      return TRUE;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      move(self->hadjustment_, -kWheelStep);
      return TRUE;
    default:
      return FALSE;
  }
}

void PageView::Pressed(GtkGestureClick*, int, double, double, gpointer data) {
  gtk_widget_grab_focus(static_cast<PageView*>(data)->area_);
}

}  // namespace app

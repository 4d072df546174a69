// The review window in GTK 4. Everything runs on the thread that made the
// session, as the component requires: the print and e-mail runs happen in
// the window's own handlers, and the window waits for them.
#include "app/review_window.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "app/page_view.h"
#include "core/com_error.h"
#include "engines/report/mail.h"
#include "engines/report/preview_pages.h"
#include "platform/files.h"
#include "platform/regional.h"

namespace app {
namespace {

constexpr char kStepsVariable[] = "DUNMERROW_REVIEW_WINDOW_STEPS";

struct ZoomChoice {
  const char* label;
  Zoom zoom;
};
constexpr ZoomChoice kZooms[] = {
    {"Fit width", {Zoom::Kind::kFitWidth, 100}}, {"Fit page", {Zoom::Kind::kFitPage, 100}},
    {"50%", {Zoom::Kind::kPercent, 50}},         {"75%", {Zoom::Kind::kPercent, 75}},
    {"100%", {Zoom::Kind::kPercent, 100}},       {"150%", {Zoom::Kind::kPercent, 150}},
    {"200%", {Zoom::Kind::kPercent, 200}},       {"300%", {Zoom::Kind::kPercent, 300}},
    {"400%", {Zoom::Kind::kPercent, 400}},
};
constexpr guint kFirstPercent = 2;  // kZooms' first percentage

constexpr char kCss[] =
    ".review-banner { background-color: #c01c28; color: #ffffff; padding: 8px 12px; }\n"
    ".review-no-email { color: #c64600; font-weight: bold; }\n";

std::string Plural(size_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Follows the desktop's light or dark preference, as the settings portal
// tells it (org.freedesktop.appearance color-scheme: 1 dark, 2 light). A
// desktop without a session bus or portal keeps the theme's own choice.
void ApplyColorScheme(GVariant* value) {
  if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) return;
  const guint32 scheme = g_variant_get_uint32(value);
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
               scheme == 1 ? TRUE : FALSE, nullptr);
}

void ColorSchemeChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                        GVariant* parameters, gpointer) {
  const char* space = nullptr;
  const char* key = nullptr;
  GVariant* value = nullptr;
  g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
  if (g_strcmp0(space, "org.freedesktop.appearance") == 0 && g_strcmp0(key, "color-scheme") == 0) {
    ApplyColorScheme(value);
  }
  if (value) g_variant_unref(value);
}

void FollowDesktopColorScheme() {
  // Without a bus address GLib would start a bus of its own to ask.
  if (!g_getenv("DBUS_SESSION_BUS_ADDRESS")) return;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
      "org.freedesktop.portal.Settings", "Read",
      g_variant_new("(ss)", "org.freedesktop.appearance", "color-scheme"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  if (reply) {
    GVariant* outer = nullptr;
    g_variant_get(reply, "(v)", &outer);
    // Read answers a value inside one more variant.
    GVariant* inner = g_variant_is_of_type(outer, G_VARIANT_TYPE_VARIANT)
                          ? g_variant_get_variant(outer)
                          : g_variant_ref(outer);
    ApplyColorScheme(inner);
    g_variant_unref(inner);
    g_variant_unref(outer);
    g_variant_unref(reply);
  }
  g_dbus_connection_signal_subscribe(bus, "org.freedesktop.portal.Desktop",
                                     "org.freedesktop.portal.Settings", "SettingChanged",
                                     "/org/freedesktop/portal/desktop", nullptr,
                                     G_DBUS_SIGNAL_FLAGS_NONE, &ColorSchemeChanged, nullptr,
                                     nullptr);
  // The connection stays for the signal, for the life of the process.
}

GtkWidget* Label(const std::string& text, const char* css_class = nullptr) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  if (css_class) gtk_widget_add_css_class(label, css_class);
  return label;
}

struct OwnerRow {
  const component::OwnerOutcome* owner = nullptr;
  GtkWidget* row = nullptr;
  bool has_address = false;
  std::string spoken;  // the row's accessible label
};

class ReviewWindow {
 public:
  ReviewWindow(StatementSession& session, std::string definition, const SessionOutcome& preview,
               std::shared_ptr<report_engine::PreviewPages> pages);
  ~ReviewWindow();
  ReviewWindow(const ReviewWindow&) = delete;
  ReviewWindow& operator=(const ReviewWindow&) = delete;

  // Shows the window and returns when it is closed.
  void Run();
  std::optional<SessionOutcome>& last_run() { return last_run_; }

 private:
  GtkWidget* BuildHeader();
  GtkWidget* BuildSidebar();
  void AddActions();
  void AddAction(const char* name, void (*activate)(ReviewWindow&));
  void Enable(const char* name, bool enabled);
  bool Enabled(const char* name) const;

  void Print();
  void AskToSend();
  void Send();
  void AskWhereToSave();
  void SaveTo(const std::string& path);
  void StepZoom(int by);

  void PageChanged(int page);
  void Select(const std::string& owner_code);
  void ShowError(const std::string& text);
  void ShowStatus(const std::string& text);
  std::string PreviewPdf() const;

  // The test steps of kStepsVariable.
  static gboolean RunNextStep(gpointer self);
  void RunStep(const std::string& step);
  void WriteState() const;
  void Snapshot(const std::string& path) const;

  StatementSession& session_;
  const std::string definition_;
  const SessionOutcome preview_;
  std::shared_ptr<report_engine::PreviewPages> pages_;
  std::map<std::string, const component::OwnerOutcome*> owner_of_code_;
  std::optional<SessionOutcome> last_run_;

  GMainLoop* loop_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* title_ = nullptr;
  GtkWidget* subtitle_ = nullptr;
  GtkWidget* banner_ = nullptr;
  GtkWidget* banner_text_ = nullptr;
  GtkWidget* status_ = nullptr;
  GtkWidget* search_ = nullptr;
  GtkWidget* list_ = nullptr;
  GtkWidget* zoom_ = nullptr;
  GtkWidget* question_ = nullptr;  // the open question, if any
  GSimpleActionGroup* actions_ = nullptr;
  std::unique_ptr<PageView> view_;
  std::vector<OwnerRow> rows_;
  bool following_pages_ = false;  // the list follows the pages: no jump back

  std::vector<std::string> steps_;
  size_t next_step_ = 0;
};

ReviewWindow::ReviewWindow(StatementSession& session, std::string definition,
                           const SessionOutcome& preview,
                           std::shared_ptr<report_engine::PreviewPages> pages)
    : session_(session),
      definition_(std::move(definition)),
      preview_(preview),
      pages_(std::move(pages)),
      loop_(g_main_loop_new(nullptr, FALSE)) {
  for (const component::OwnerOutcome& owner : preview_.run.owners) {
    owner_of_code_[owner.owner_code] = &owner;
  }
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kCss, -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  window_ = gtk_window_new();
  g_object_ref_sink(window_);
  gtk_window_set_default_size(GTK_WINDOW(window_), 1180, 800);
  gtk_window_set_title(GTK_WINDOW(window_), "Owner statements");
  // The window goes when the object does; closing ends the loop only.
  g_signal_connect(window_, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer loop) {
                     g_main_loop_quit(static_cast<GMainLoop*>(loop));
                     return TRUE;
                   }),
                   loop_);
  AddActions();
  gtk_window_set_titlebar(GTK_WINDOW(window_), BuildHeader());

  view_ = std::make_unique<PageView>(pages_);
  view_->SetPageChanged([this](int page) { PageChanged(page); });

  banner_text_ = gtk_label_new("");
  gtk_label_set_wrap(GTK_LABEL(banner_text_), TRUE);
  gtk_label_set_xalign(GTK_LABEL(banner_text_), 0);
  gtk_label_set_selectable(GTK_LABEL(banner_text_), TRUE);
  banner_ = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_add_css_class(banner_, "review-banner");
  gtk_box_append(GTK_BOX(banner_), banner_text_);
  gtk_widget_set_visible(banner_, FALSE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(banner_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Problem", -1);

  status_ = Label("");
  gtk_label_set_selectable(GTK_LABEL(status_), TRUE);
  gtk_widget_set_margin_start(status_, 12);
  gtk_widget_set_margin_end(status_, 12);
  gtk_widget_set_margin_top(status_, 4);
  gtk_widget_set_margin_bottom(status_, 4);

  GtkWidget* pages_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_append(GTK_BOX(pages_box), banner_);
  gtk_box_append(GTK_BOX(pages_box), view_->widget());
  gtk_box_append(GTK_BOX(pages_box), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL));
  gtk_box_append(GTK_BOX(pages_box), status_);

  GtkWidget* paned = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_paned_set_start_child(GTK_PANED(paned), BuildSidebar());
  gtk_paned_set_end_child(GTK_PANED(paned), pages_box);
  gtk_paned_set_resize_start_child(GTK_PANED(paned), FALSE);
  gtk_paned_set_shrink_start_child(GTK_PANED(paned), FALSE);
  gtk_paned_set_position(GTK_PANED(paned), 330);
  gtk_window_set_child(GTK_WINDOW(window_), paned);

  const component::RunOutcome& run = preview_.run;
  std::string date = run.report_date ? platform::FormatShortDate(*run.report_date) : "";
  gtk_label_set_text(GTK_LABEL(title_),
                     date.empty() ? "Owner statements" : ("Owner statements of " + date).c_str());
  gtk_window_set_title(GTK_WINDOW(window_), gtk_label_get_text(GTK_LABEL(title_)));
  if (run.failure) {
    ShowError("The run stopped: " + run.failure->description +
              "\nShown are the pages printed before it stopped; they cannot be printed or sent.");
  }
  const bool complete = !run.failure && !run.owners.empty();
  Enable("print", complete);
  Enable("send", complete);
  Enable("save", !run.failure && !PreviewPdf().empty());
  if (complete) {
    ShowStatus(Plural(run.owners.size(), "statement", "statements") + ", " +
               Plural(static_cast<size_t>(pages_->PageCount()), "page", "pages") +
               "; the preview is " + PreviewPdf());
  }
  PageChanged(0);
}

ReviewWindow::~ReviewWindow() {
  if (question_) gtk_window_destroy(GTK_WINDOW(question_));
  gtk_window_destroy(GTK_WINDOW(window_));
  g_object_unref(window_);
  view_.reset();
  g_object_unref(actions_);
  g_main_loop_unref(loop_);
}

GtkWidget* ReviewWindow::BuildHeader() {
  GtkWidget* header = gtk_header_bar_new();
  title_ = Label("", "title");
  subtitle_ = Label("", "subtitle");
  gtk_label_set_xalign(GTK_LABEL(title_), 0.5f);
  gtk_label_set_xalign(GTK_LABEL(subtitle_), 0.5f);
  GtkWidget* titles = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_valign(titles, GTK_ALIGN_CENTER);
  gtk_box_append(GTK_BOX(titles), title_);
  gtk_box_append(GTK_BOX(titles), subtitle_);
  gtk_header_bar_set_title_widget(GTK_HEADER_BAR(header), titles);

  auto button = [](const char* mnemonic, const char* action, const char* tip) {
    GtkWidget* b = gtk_button_new_with_mnemonic(mnemonic);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(b), action);
    gtk_widget_set_tooltip_text(b, tip);
    return b;
  };
  GtkWidget* print = button("_Print", "win.print", "Print every statement (Ctrl+P)");
  gtk_widget_add_css_class(print, "suggested-action");
  gtk_header_bar_pack_start(GTK_HEADER_BAR(header), print);
  gtk_header_bar_pack_start(
      GTK_HEADER_BAR(header),
      button("Send by _e-mail…", "win.send", "E-mail each owner their statement"));
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header),
                          button("_Save PDF as…", "win.save", "Save a copy of the preview (Ctrl+S)"));

  std::vector<const char*> labels;
  for (const ZoomChoice& choice : kZooms) labels.push_back(choice.label);
  labels.push_back(nullptr);
  zoom_ = gtk_drop_down_new_from_strings(labels.data());
  gtk_widget_set_tooltip_text(zoom_, "Zoom (Ctrl+plus, Ctrl+minus)");
  g_signal_connect(zoom_, "notify::selected", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer self) {
                     auto* w = static_cast<ReviewWindow*>(self);
                     const guint i = gtk_drop_down_get_selected(GTK_DROP_DOWN(w->zoom_));
                     if (i < std::size(kZooms) && w->view_) w->view_->SetZoom(kZooms[i].zoom);
                   }),
                   this);
  GtkWidget* zoom_label = gtk_label_new_with_mnemonic("_Zoom");
  gtk_label_set_mnemonic_widget(GTK_LABEL(zoom_label), zoom_);
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header), zoom_);
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header), zoom_label);
  return header;
}

GtkWidget* ReviewWindow::BuildSidebar() {
  search_ = gtk_search_entry_new();
  g_object_set(search_, "placeholder-text", "Filter by code or name", nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(search_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Filter the owners by code or name", -1);
  // Typing anywhere in the window filters the list.
  gtk_search_entry_set_key_capture_widget(GTK_SEARCH_ENTRY(search_), window_);

  list_ = gtk_list_box_new();
  gtk_list_box_set_selection_mode(GTK_LIST_BOX(list_), GTK_SELECTION_SINGLE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(list_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 "Owner statements", -1);
  for (const component::OwnerOutcome& owner : preview_.run.owners) {
    OwnerRow row;
    row.owner = &owner;
    row.has_address = report_engine::IsValidAddress(owner.email);
    GtkWidget* top = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GtkWidget* code = Label(owner.owner_code, "heading");
    gtk_box_append(GTK_BOX(top), code);
    GtkWidget* name = Label(owner.owner_name);
    gtk_widget_set_hexpand(name, TRUE);
    gtk_box_append(GTK_BOX(top), name);
    const std::string amount = platform::FormatCurrency(owner.disbursed);
    gtk_box_append(GTK_BOX(top), Label(amount, "numeric"));
    GtkWidget* bottom = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    const std::string pages = Plural(static_cast<size_t>(owner.pages), "page", "pages");
    GtkWidget* pages_label = Label(pages, "dim-label");
    gtk_widget_set_hexpand(pages_label, TRUE);
    gtk_box_append(GTK_BOX(bottom), pages_label);
    std::string spoken = owner.owner_code + " " + owner.owner_name + ", " + pages + ", " +
                         amount + " disbursed";
    if (!row.has_address) {
      GtkWidget* mark = Label("no e-mail address", "review-no-email");
      gtk_widget_set_tooltip_text(
          mark, ("The owner has no valid e-mail address ('" + owner.email +
                 "'): an e-mailed statement waits in the outbox").c_str());
      gtk_box_append(GTK_BOX(bottom), mark);
      spoken += ", no valid e-mail address";
    }
    GtkWidget* lines = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    gtk_widget_set_margin_start(lines, 10);
    gtk_widget_set_margin_end(lines, 10);
    gtk_widget_set_margin_top(lines, 6);
    gtk_widget_set_margin_bottom(lines, 6);
    gtk_box_append(GTK_BOX(lines), top);
    gtk_box_append(GTK_BOX(lines), bottom);
    row.row = gtk_list_box_row_new();
    gtk_list_box_row_set_child(GTK_LIST_BOX_ROW(row.row), lines);
    gtk_accessible_update_property(GTK_ACCESSIBLE(row.row), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   spoken.c_str(), -1);
    row.spoken = spoken;
    gtk_list_box_append(GTK_LIST_BOX(list_), row.row);
    rows_.push_back(row);
  }
  gtk_list_box_set_filter_func(
      GTK_LIST_BOX(list_),
      +[](GtkListBoxRow* row, gpointer self) -> gboolean {
        auto* w = static_cast<ReviewWindow*>(self);
        const int index = gtk_list_box_row_get_index(row);
        if (index < 0 || static_cast<size_t>(index) >= w->rows_.size()) return TRUE;
        const component::OwnerOutcome& owner = *w->rows_[static_cast<size_t>(index)].owner;
        char* wanted = g_utf8_casefold(gtk_editable_get_text(GTK_EDITABLE(w->search_)), -1);
        char* code = g_utf8_casefold(owner.owner_code.c_str(), -1);
        char* name = g_utf8_casefold(owner.owner_name.c_str(), -1);
        const bool shown = strstr(code, wanted) != nullptr || strstr(name, wanted) != nullptr;
        g_free(wanted);
        g_free(code);
        g_free(name);
        return shown ? TRUE : FALSE;
      },
      this, nullptr);
  g_signal_connect(search_, "search-changed", G_CALLBACK(+[](GtkSearchEntry*, gpointer list) {
                     gtk_list_box_invalidate_filter(GTK_LIST_BOX(list));
                   }),
                   list_);
  g_signal_connect(list_, "row-selected",
                   G_CALLBACK(+[](GtkListBox*, GtkListBoxRow* row, gpointer self) {
                     auto* w = static_cast<ReviewWindow*>(self);
                     if (!row || w->following_pages_) return;
                     const int index = gtk_list_box_row_get_index(row);
                     if (index < 0 || static_cast<size_t>(index) >= w->rows_.size()) return;
                     const int first =
                         w->pages_->FirstPageOf(w->rows_[static_cast<size_t>(index)].owner->owner_code);
                     if (first >= 0) w->view_->ShowPage(first);
                   }),
                   this);

  GtkWidget* heading = gtk_label_new_with_mnemonic("_Owners");
  gtk_label_set_xalign(GTK_LABEL(heading), 0);
  gtk_widget_add_css_class(heading, "heading");
  gtk_label_set_mnemonic_widget(GTK_LABEL(heading), list_);
  GtkWidget* scrolled = gtk_scrolled_window_new();
  gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), list_);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_widget_set_vexpand(scrolled, TRUE);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_widget_set_margin_start(box, 6);
  gtk_widget_set_margin_end(box, 6);
  gtk_widget_set_margin_top(box, 6);
  gtk_widget_set_size_request(box, 260, -1);
  gtk_box_append(GTK_BOX(box), heading);
  gtk_box_append(GTK_BOX(box), search_);
  gtk_box_append(GTK_BOX(box), scrolled);
  return box;
}

void ReviewWindow::AddAction(const char* name, void (*activate)(ReviewWindow&)) {
  GSimpleAction* action = g_simple_action_new(name, nullptr);
  g_object_set_data(G_OBJECT(action), "handler", reinterpret_cast<gpointer>(activate));
  g_signal_connect(action, "activate", G_CALLBACK(+[](GSimpleAction* a, GVariant*, gpointer self) {
                     auto* handler = reinterpret_cast<void (*)(ReviewWindow&)>(
                         g_object_get_data(G_OBJECT(a), "handler"));
                     handler(*static_cast<ReviewWindow*>(self));
                   }),
                   this);
  g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(action));
  g_object_unref(action);
}

void ReviewWindow::AddActions() {
  actions_ = g_simple_action_group_new();
  AddAction("print", [](ReviewWindow& w) { w.Print(); });
  AddAction("send", [](ReviewWindow& w) { w.AskToSend(); });
  AddAction("save", [](ReviewWindow& w) { w.AskWhereToSave(); });
  AddAction("close", [](ReviewWindow& w) { gtk_window_close(GTK_WINDOW(w.window_)); });
  AddAction("next-page", [](ReviewWindow& w) { w.view_->NextPage(); });
  AddAction("previous-page", [](ReviewWindow& w) { w.view_->PreviousPage(); });
  AddAction("first-page", [](ReviewWindow& w) { w.view_->ShowPage(0); });
  AddAction("last-page", [](ReviewWindow& w) { w.view_->ShowPage(w.view_->PageCount() - 1); });
  AddAction("zoom-in", [](ReviewWindow& w) { w.StepZoom(1); });
  AddAction("zoom-out", [](ReviewWindow& w) { w.StepZoom(-1); });
  AddAction("find", [](ReviewWindow& w) { gtk_widget_grab_focus(w.search_); });
  gtk_widget_insert_action_group(window_, "win", G_ACTION_GROUP(actions_));

  GtkEventController* shortcuts = gtk_shortcut_controller_new();
  gtk_shortcut_controller_set_scope(GTK_SHORTCUT_CONTROLLER(shortcuts), GTK_SHORTCUT_SCOPE_GLOBAL);
  const std::pair<const char*, const char*> keys[] = {
      {"<Control>p", "win.print"},        {"<Control>s", "win.save"},
      {"<Control>w", "win.close"},        {"<Control>q", "win.close"},
      {"<Control>plus", "win.zoom-in"},   {"<Control>equal", "win.zoom-in"},
      {"<Control>minus", "win.zoom-out"}, {"<Control>f", "win.find"},
  };
  for (const auto& [trigger, action] : keys) {
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(shortcuts),
        gtk_shortcut_new(gtk_shortcut_trigger_parse_string(trigger), gtk_named_action_new(action)));
  }
  gtk_widget_add_controller(window_, shortcuts);
}

void ReviewWindow::Enable(const char* name, bool enabled) {
  GAction* action = g_action_map_lookup_action(G_ACTION_MAP(actions_), name);
  g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
}

bool ReviewWindow::Enabled(const char* name) const {
  return g_action_group_get_action_enabled(G_ACTION_GROUP(actions_), name);
}

void ReviewWindow::StepZoom(int by) {
  const double scale = view_->Scale() * 72.0 / 96.0 * 100.0;  // as a percentage
  guint selected = gtk_drop_down_get_selected(GTK_DROP_DOWN(zoom_));
  if (selected < kFirstPercent) {
    // From a fitted zoom, the nearest percentage on the way.
    selected = by > 0 ? static_cast<guint>(std::size(kZooms)) - 1 : kFirstPercent;
    for (guint i = kFirstPercent; i < std::size(kZooms); ++i) {
      if (by > 0 && kZooms[i].zoom.percent > scale) { selected = i; break; }
      if (by < 0 && kZooms[i].zoom.percent < scale) selected = i;
    }
  } else if (by > 0 && selected + 1 < std::size(kZooms)) {
    ++selected;
  } else if (by < 0 && selected > kFirstPercent) {
    --selected;
  }
  gtk_drop_down_set_selected(GTK_DROP_DOWN(zoom_), selected);
}

std::string ReviewWindow::PreviewPdf() const {
  for (const component::OwnerOutcome& owner : preview_.run.owners) {
    if (!owner.delivery.file.empty()) return owner.delivery.file;
  }
  return "";
}

void ReviewWindow::ShowError(const std::string& text) {
  gtk_label_set_text(GTK_LABEL(banner_text_), text.c_str());
  gtk_widget_set_visible(banner_, !text.empty());
}

void ReviewWindow::ShowStatus(const std::string& text) {
  gtk_label_set_text(GTK_LABEL(status_), text.c_str());
}

void ReviewWindow::PageChanged(int page) {
  const int count = pages_->PageCount();
  if (count == 0) {
    gtk_label_set_text(GTK_LABEL(subtitle_), "no pages");
    return;
  }
  const std::string code = pages_->OwnerOfPage(page);
  const int first = pages_->FirstPageOf(code);
  int last = first;
  while (last + 1 < count && pages_->OwnerOfPage(last + 1) == code) ++last;
  std::string who = code;
  if (auto it = owner_of_code_.find(code); it != owner_of_code_.end()) {
    who += " " + it->second->owner_name;
  }
  const std::string text = who + " · Page " + std::to_string(page - first + 1) + " of " +
                           std::to_string(last - first + 1) + " · " +
                           Plural(static_cast<size_t>(count), "page", "pages") + " in all";
  gtk_label_set_text(GTK_LABEL(subtitle_), text.c_str());
  gtk_accessible_update_property(GTK_ACCESSIBLE(view_->pages_widget()),
                                 GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, text.c_str(), -1);
  Select(code);
}

void ReviewWindow::Select(const std::string& owner_code) {
  for (const OwnerRow& row : rows_) {
    if (row.owner->owner_code != owner_code) continue;
    following_pages_ = true;
    gtk_list_box_select_row(GTK_LIST_BOX(list_), GTK_LIST_BOX_ROW(row.row));
    following_pages_ = false;
    return;
  }
}

void ReviewWindow::Print() {
  if (!Enabled("print")) return;
  ShowError("");
  try {
    SessionOutcome printed = session_.PressPrintButton();
    last_run_ = printed;
    if (printed.run.failure) {
      ShowError("The statements were not printed: " + printed.run.failure->description);
      return;
    }
    std::string file;
    int32_t pages = 0;
    for (const component::OwnerOutcome& owner : printed.run.owners) {
      pages += owner.pages;
      if (owner.delivery.state == contracts::DeliveryState::kPrinted) file = owner.delivery.file;
    }
    ShowStatus("Handed to the printer: " +
               Plural(printed.run.owners.size(), "statement", "statements") + ", " +
               Plural(static_cast<size_t>(pages), "page", "pages") + " (" + file + ")");
  } catch (const core::ComError& e) {
    ShowError("The statements were not printed: " + e.description());
  }
}

void ReviewWindow::AskToSend() {
  if (!Enabled("send")) return;
  size_t with_address = 0;
  for (const OwnerRow& row : rows_) with_address += row.has_address ? 1 : 0;
  const size_t without = rows_.size() - with_address;
  std::string detail = Plural(with_address, "owner", "owners") + " will be e-mailed";
  if (without > 0) {
    detail += "; " + Plural(without, "owner has", "owners have") +
              " no valid e-mail address, and " + (without == 1 ? "its" : "their") +
              " statement waits in the outbox";
  }
  detail += ".";
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  question_ = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                     GTK_BUTTONS_NONE, "E-mail the statements?");
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(question_), "%s", detail.c_str());
  gtk_dialog_add_button(GTK_DIALOG(question_), "_Cancel", GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(question_), "_Send", GTK_RESPONSE_ACCEPT);
  gtk_dialog_set_default_response(GTK_DIALOG(question_), GTK_RESPONSE_CANCEL);
  g_signal_connect(question_, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer self) {
                     auto* w = static_cast<ReviewWindow*>(self);
                     w->question_ = nullptr;
                     gtk_window_destroy(GTK_WINDOW(d));
                     if (response == GTK_RESPONSE_ACCEPT) w->Send();
                   }),
                   this);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_window_present(GTK_WINDOW(question_));
}

void ReviewWindow::Send() {
  ShowError("");
  const OutputOptions previewed = Output();
  OutputOptions mail = previewed;
  mail.destination = contracts::kDestinationEmail;
  mail.keep_preview = false;
  SetOutput(mail);
  try {
    SessionOutcome sent = session_.Print(definition_);
    SetOutput(previewed);
    last_run_ = sent;
    if (sent.run.failure) {
      ShowError("The statements were not sent: " + sent.run.failure->description);
      return;
    }
    std::map<contracts::DeliveryState, size_t> states;
    for (const component::OwnerOutcome& owner : sent.run.owners) ++states[owner.delivery.state];
    std::string text = "E-mailed: " +
                       Plural(states[contracts::DeliveryState::kSent], "statement", "statements");
    if (const size_t waiting = states[contracts::DeliveryState::kWaiting]; waiting > 0) {
      text += "; " + Plural(waiting, "waits", "wait") + " in the outbox";
    }
    if (!sent.register_path.empty()) text += " (see " + sent.register_path + ")";
    ShowStatus(text);
  } catch (const core::ComError& e) {
    SetOutput(previewed);
    ShowError("The statements were not sent: " + e.description());
  }
}

void ReviewWindow::AskWhereToSave() {
  if (!Enabled("save")) return;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new("Save the statements as PDF", GTK_WINDOW(window_),
                                  GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", "_Cancel");
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  const std::string pdf = PreviewPdf();
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser),
                                    std::filesystem::path(pdf).filename().c_str());
  g_signal_connect(chooser, "response",
                   G_CALLBACK(+[](GtkNativeDialog* dialog, int response, gpointer self) {
                     if (response == GTK_RESPONSE_ACCEPT) {
                       GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog));
                       if (char* path = g_file_get_path(file)) {
                         static_cast<ReviewWindow*>(self)->SaveTo(path);
                         g_free(path);
                       }
                       g_object_unref(file);
                     }
                     g_object_unref(dialog);
                   }),
                   this);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

void ReviewWindow::SaveTo(const std::string& path) {
  const std::string pdf = PreviewPdf();
  try {
    // Whole or not at all, as every file the run writes.
    platform::WriteFileAtomically(path, platform::ReadFile(pdf));
    ShowStatus("Saved a copy of the statements as " + path);
  } catch (const core::ComError& e) {
    ShowError("The copy was not saved: " + e.description());
  }
}

void ReviewWindow::Run() {
  if (const char* steps = std::getenv(kStepsVariable); steps && *steps) {
    gchar** parts = g_strsplit(steps, ";", -1);
    for (gchar** p = parts; *p; ++p) {
      if (**p) steps_.emplace_back(*p);
    }
    g_strfreev(parts);
    g_timeout_add(300, &ReviewWindow::RunNextStep, this);
  }
  gtk_window_present(GTK_WINDOW(window_));
  gtk_widget_grab_focus(rows_.empty() ? view_->pages_widget() : rows_.front().row);
  g_main_loop_run(loop_);
}

gboolean ReviewWindow::RunNextStep(gpointer data) {
  auto* self = static_cast<ReviewWindow*>(data);
  if (self->next_step_ >= self->steps_.size()) {
    gtk_window_close(GTK_WINDOW(self->window_));
    return G_SOURCE_REMOVE;
  }
  self->RunStep(self->steps_[self->next_step_++]);
  // Time for the window to lay out and draw what the step changed.
  g_timeout_add(150, &ReviewWindow::RunNextStep, self);
  return G_SOURCE_REMOVE;
}

void ReviewWindow::RunStep(const std::string& step) {
  const size_t colon = step.find(':');
  const std::string verb = step.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
  if (verb == "state") {
    WriteState();
  } else if (verb == "filter") {
    gtk_editable_set_text(GTK_EDITABLE(search_), arg.c_str());
    gtk_list_box_invalidate_filter(GTK_LIST_BOX(list_));
  } else if (verb == "select") {
    for (const OwnerRow& row : rows_) {
      if (row.owner->owner_code == arg) {
        gtk_list_box_select_row(GTK_LIST_BOX(list_), GTK_LIST_BOX_ROW(row.row));
      }
    }
  } else if (verb == "action") {
    g_action_group_activate_action(G_ACTION_GROUP(actions_), arg.c_str(), nullptr);
  } else if (verb == "answer" && question_) {
    gtk_dialog_response(GTK_DIALOG(question_),
                        arg == "yes" ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
  } else if (verb == "snapshot") {
    Snapshot(arg);
  } else {
    std::fprintf(stderr, "dunmerrow: %s: unknown step '%s'\n", kStepsVariable, step.c_str());
  }
}

void ReviewWindow::WriteState() const {
  size_t shown = 0;
  for (const OwnerRow& row : rows_) shown += gtk_widget_get_child_visible(row.row) ? 1 : 0;
  std::printf("owners shown: %zu of %zu\n", shown, rows_.size());
  for (const OwnerRow& row : rows_) {
    if (gtk_widget_get_child_visible(row.row)) std::printf("row: %s\n", row.spoken.c_str());
  }
  std::printf("pages: %d\n", pages_->PageCount());
  std::printf("current page: %d\n", view_->CurrentPage() + 1);
  std::printf("title: %s\n", gtk_label_get_text(GTK_LABEL(title_)));
  std::printf("subtitle: %s\n", gtk_label_get_text(GTK_LABEL(subtitle_)));
  std::printf("banner: %s\n",
              gtk_widget_get_visible(banner_) ? gtk_label_get_text(GTK_LABEL(banner_text_)) : "");
  std::printf("status: %s\n", gtk_label_get_text(GTK_LABEL(status_)));
  for (const char* action : {"print", "send", "save"}) {
    std::printf("%s: %s\n", action, Enabled(action) ? "enabled" : "disabled");
  }
  if (question_) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    char* secondary = nullptr;
    g_object_get(question_, "secondary-text", &secondary, nullptr);
    G_GNUC_END_IGNORE_DEPRECATIONS
    std::printf("question: %s\n", secondary ? secondary : "");
    g_free(secondary);
  }
  std::fflush(stdout);
}

void ReviewWindow::Snapshot(const std::string& path) const {
  const int width = gtk_widget_get_width(window_);
  const int height = gtk_widget_get_height(window_);
  GdkPaintable* paintable = gtk_widget_paintable_new(window_);
  GtkSnapshot* snapshot = gtk_snapshot_new();
  gdk_paintable_snapshot(paintable, snapshot, width, height);
  GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
  g_object_unref(paintable);
  if (!node) {
    std::fprintf(stderr, "dunmerrow: the window drew nothing to snapshot\n");
    return;
  }
  GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window_));
  const graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width),
                                                    static_cast<float>(height));
  GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &bounds);
  if (!gdk_texture_save_to_png(texture, path.c_str())) {
    std::fprintf(stderr, "dunmerrow: cannot write the snapshot %s\n", path.c_str());
  }
  g_object_unref(texture);
  gsk_render_node_unref(node);
}

}  // namespace

bool ReviewWindowBuilt() { return true; }

ReviewResult ShowReviewWindow(StatementSession& session, const std::string& definition,
                              const SessionOutcome& preview) {
  ReviewResult result;
  contracts::Report* engine = session.engine();
  std::shared_ptr<report_engine::PreviewPages> pages =
      engine ? report_engine::KeptPreview(*engine) : nullptr;
  if (!pages || !gtk_init_check()) return result;
  FollowDesktopColorScheme();
  ReviewWindow window(session, definition, preview, std::move(pages));
  window.Run();
  result.shown = true;
  result.last_run = std::move(window.last_run());
  return result;
}

}  // namespace app

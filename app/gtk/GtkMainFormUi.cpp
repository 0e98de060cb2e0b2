#include "app/gtk/GtkMainFormUi.h"

#include <time.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "app/gtk/AppIcon.h"
#include "app/gtk/GtkWidgets.h"
#include "app/gtk/LogindResumeWatcher.h"

namespace vantreel::gtkui {
namespace {

// A loop source that is always ready (an animation, say) must not keep ProcessMessages from
// returning; this bound is far above what one turn of real events needs.
constexpr int kMaxPendingIterations = 1000;

// The smallest client area at which the page's parts still sit side by side without covering
// one another; the page's stylesheet holds the same minimum.
constexpr int kMinClientWidth = 640;
constexpr int kMinClientHeight = 480;

}  // namespace

TGtkMainFormUi::TGtkMainFormUi() {
  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_ref_sink(FWindow);
  if (GList* icons = LoadAppIconList()) {
    gtk_window_set_icon_list(GTK_WINDOW(FWindow), icons);
    g_list_free_full(icons, g_object_unref);
  }
  FRoot = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(FWindow), FRoot);
  FClientArea = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(FRoot), FClientArea);
  // The client area's own child only gives it a white background under the host controls.
  GtkWidget* background = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_name(background, "client-background");
  AddCss(background, "#client-background { background-color: #ffffff; }");
  gtk_container_add(GTK_CONTAINER(FClientArea), background);
  gtk_widget_show_all(FRoot);
  GdkGeometry minimum{};
  minimum.min_width = kMinClientWidth;
  minimum.min_height = kMinClientHeight;
  gtk_window_set_geometry_hints(GTK_WINDOW(FWindow), nullptr, &minimum, GDK_HINT_MIN_SIZE);

  g_signal_connect(FWindow, "map", G_CALLBACK(&TGtkMainFormUi::OnMap), this);
  g_signal_connect(FWindow, "size-allocate", G_CALLBACK(&TGtkMainFormUi::OnSizeAllocate), this);
  g_signal_connect(FWindow, "window-state-event", G_CALLBACK(&TGtkMainFormUi::OnWindowState), this);
  g_signal_connect(FWindow, "delete-event", G_CALLBACK(&TGtkMainFormUi::OnDelete), this);
}

TGtkMainFormUi::~TGtkMainFormUi() {
  FResumeWatcher.reset();
  g_signal_handlers_disconnect_by_data(FWindow, this);
  gtk_widget_destroy(FWindow);
  g_object_unref(FWindow);
}

void TGtkMainFormUi::SetEventSink(IMainFormEvents* sink) {
  FSink = sink;
  if (sink == nullptr || FResumeWatcher) return;
  try {
    FResumeWatcher = std::make_unique<TLogindResumeWatcher>(FBusAddress, [this] { OnResume(); });
  } catch (const std::exception& e) {
    sink->LogMessage(std::string("系统总线不可用，无法接收休眠恢复通知（继续运行）：") + e.what());
  }
}

void TGtkMainFormUi::OnResume() {
  if (FSink == nullptr) return;
  TMessage message{WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, 0};
  FSink->WndProc(message);
}

void TGtkMainFormUi::SetCaption(const std::string& caption) { gtk_window_set_title(GTK_WINDOW(FWindow), caption.c_str()); }

std::string TGtkMainFormUi::Caption() const {
  const char* title = gtk_window_get_title(GTK_WINDOW(FWindow));
  return title != nullptr ? title : "";
}

void TGtkMainFormUi::SetRightToLeft(bool rightToLeft) {
  const GtkTextDirection direction = rightToLeft ? GTK_TEXT_DIR_RTL : GTK_TEXT_DIR_LTR;
  gtk_widget_set_default_direction(direction);
  gtk_widget_set_direction(FWindow, direction);
}

void TGtkMainFormUi::SetClientSize(int width, int height) {
  gtk_window_set_default_size(GTK_WINDOW(FWindow), width, height);
  if (gtk_widget_get_realized(FWindow)) gtk_window_resize(GTK_WINDOW(FWindow), width, height);
}

void TGtkMainFormUi::CenterOnScreen() {
  FitInsideWorkArea();
  gtk_window_set_position(GTK_WINDOW(FWindow), GTK_WIN_POS_CENTER);
}

// On a screen whose work area (the screen less its panels) is smaller than the window, the
// centred window's bottom edge would fall off the screen; it is shrunk to fit instead.
void TGtkMainFormUi::FitInsideWorkArea() {
  GdkDisplay* display = gtk_widget_get_display(FWindow);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  // The window manager's title bar and borders come on top of the client size and are not
  // known before the window is mapped.
  constexpr int kFrameWidth = 16;
  constexpr int kFrameHeight = 48;
  int width = 0;
  int height = 0;
  gtk_window_get_default_size(GTK_WINDOW(FWindow), &width, &height);
  // A screen exactly as wide as the window keeps it: the side borders are thin, while the
  // title bar can push the bottom edge out of reach.
  const int fitWidth = area.width < width ? std::max(area.width - kFrameWidth, kMinClientWidth) : width;
  const int fitHeight =
      area.height < height + kFrameHeight ? std::max(area.height - kFrameHeight, kMinClientHeight) : height;
  if (fitWidth <= 0 || fitHeight <= 0 || (fitWidth == width && fitHeight == height)) return;
  SetClientSize(fitWidth, fitHeight);
}

void TGtkMainFormUi::SetBackgroundWhite() {
  gtk_widget_set_name(FWindow, "main-window");
  AddCss(FWindow, "#main-window { background-color: #ffffff; }");
}

bool TGtkMainFormUi::IsVisible() const { return gtk_widget_get_visible(FWindow); }

void TGtkMainFormUi::Show() { gtk_widget_show(FWindow); }

void TGtkMainFormUi::Hide() { gtk_widget_hide(FWindow); }

void TGtkMainFormUi::SetNormalState() {
  gtk_window_deiconify(GTK_WINDOW(FWindow));
  gtk_window_unmaximize(GTK_WINDOW(FWindow));
}

void TGtkMainFormUi::BringToFront() { gtk_window_present(GTK_WINDOW(FWindow)); }

// X has no application-wide activation; presenting the main window is what comes closest.
void TGtkMainFormUi::BringApplicationToFront() { gtk_window_present(GTK_WINDOW(FWindow)); }

void TGtkMainFormUi::SetForegroundWindow() {
  gtk_window_present_with_time(GTK_WINDOW(FWindow), GDK_CURRENT_TIME);
}

void TGtkMainFormUi::SetFocus() {
  if (GdkWindow* window = gtk_widget_get_window(FWindow)) gdk_window_focus(window, GDK_CURRENT_TIME);
}

void TGtkMainFormUi::Invalidate() { gtk_widget_queue_draw(FWindow); }

void TGtkMainFormUi::Update() {
  // GTK 3 draws on the frame clock; running pending events is the nearest to "now".
  gtk_widget_queue_draw(FWindow);
}

std::unique_ptr<ILoadingPanel> TGtkMainFormUi::CreateLoadingPanel() {
  return std::make_unique<TGtkLoadingPanel>(GTK_OVERLAY(FRoot));
}

std::unique_ptr<ILoadingLabel> TGtkMainFormUi::CreateLoadingLabel(ILoadingPanel& panel) {
  auto* gtkPanel = dynamic_cast<TGtkLoadingPanel*>(&panel);
  if (gtkPanel == nullptr) throw std::runtime_error("The loading panel was not made by this window.");
  return std::make_unique<TGtkLoadingLabel>(*gtkPanel);
}

std::unique_ptr<IUiTimer> TGtkMainFormUi::CreateTimer(unsigned intervalMs, std::function<void()> onTick) {
  return std::make_unique<TGtkTimer>(intervalMs, std::move(onTick));
}

std::unique_ptr<ITrayIcon> TGtkMainFormUi::CreateTrayIcon() { return std::make_unique<TGtkTrayIcon>(); }

bool TGtkMainFormUi::HasApplicationIcon() const {
  GdkPixbuf* icon = LoadAppIcon(48);
  if (icon == nullptr) return false;
  g_object_unref(icon);
  return true;
}

void TGtkMainFormUi::ShowMessageBox(const std::string& text) {
  if (FMessageBoxHandler) {
    FMessageBoxHandler(text);
    return;
  }
  GtkWidget* dialog = gtk_message_dialog_new(GTK_WINDOW(FWindow), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                             GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), Caption().c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

void TGtkMainFormUi::ProcessMessages() {
  for (int i = 0; i < kMaxPendingIterations && g_main_context_pending(nullptr); ++i)
    g_main_context_iteration(nullptr, FALSE);
}

void TGtkMainFormUi::Sleep(unsigned ms) { g_usleep(static_cast<gulong>(ms) * 1000); }

std::uint32_t TGtkMainFormUi::TickCount() const {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

TUiThreadInvoker TGtkMainFormUi::UiThreadInvoke() {
  const std::thread::id uiThread = FUiThread;
  return [uiThread](std::function<void()> fn) {
    if (std::this_thread::get_id() == uiThread) {
      fn();
      return;
    }
    struct TCall {
      std::function<void()> fn;
      std::mutex mutex;
      std::condition_variable done;
      bool finished = false;
    };
    auto call = std::make_shared<TCall>();
    call->fn = std::move(fn);
    // An idle source attached to the main context runs on the thread that iterates it;
    // g_main_context_invoke could run it right here when no thread owns the context.
    GSource* source = g_idle_source_new();
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
          auto& c = *static_cast<std::shared_ptr<TCall>*>(data);
          try {
            c->fn();
          } catch (...) {
            // The window guards its own handler; nothing may unwind through GLib.
          }
          {
            std::lock_guard<std::mutex> lock(c->mutex);
            c->finished = true;
          }
          c->done.notify_all();
          return G_SOURCE_REMOVE;
        },
        new std::shared_ptr<TCall>(call), [](gpointer data) { delete static_cast<std::shared_ptr<TCall>*>(data); });
    g_source_attach(source, g_main_context_default());
    g_source_unref(source);
    std::unique_lock<std::mutex> lock(call->mutex);
    call->done.wait(lock, [&call] { return call->finished; });
  };
}

void TGtkMainFormUi::OnMap(GtkWidget*, gpointer self) {
  auto* ui = static_cast<TGtkMainFormUi*>(self);
  if (ui->FSink != nullptr) ui->FSink->DoShow();
}

void TGtkMainFormUi::OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
  auto* ui = static_cast<TGtkMainFormUi*>(self);
  if (allocation->width == ui->FLastWidth && allocation->height == ui->FLastHeight) return;
  ui->FLastWidth = allocation->width;
  ui->FLastHeight = allocation->height;
  if (ui->FSink != nullptr) ui->FSink->Resize();
}

gboolean TGtkMainFormUi::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* ui = static_cast<TGtkMainFormUi*>(self);
  const bool iconified = (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) &&
                         (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED);
  if (!iconified || ui->FSink == nullptr) return FALSE;
  TMessage message{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
  // GTK has iconified already; when the window takes the minimise (it hides itself), undo the
  // iconify so that the window comes back in the normal state.
  if (ui->FSink->WndProc(message)) gtk_window_deiconify(GTK_WINDOW(ui->FWindow));
  return FALSE;
}

gboolean TGtkMainFormUi::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  auto* ui = static_cast<TGtkMainFormUi*>(self);
  if (ui->FOnClose)
    ui->FOnClose();
  else if (gtk_main_level() > 0)
    gtk_main_quit();
  return TRUE;  // the window is destroyed with this object, after the main window's logic
}

}  // namespace vantreel::gtkui

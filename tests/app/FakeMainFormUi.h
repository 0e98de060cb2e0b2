// A windowing system without a display for the main window's tests: it records what the
// window asks for, lets the test fire timers and advance the tick count by hand, hooks the
// message pump, and queues hand-overs from other threads until the test runs them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainFormUi.h"

namespace vantreel::test {

class FakeMainFormUi : public IMainFormUi {
 public:
  struct Overlay {
    bool panelAlive = false;
    bool labelAlive = false;
    bool panelInFront = false;
    int panelsMade = 0;
    std::string text;
    std::vector<std::string> releases;  // "label", "panel" in release order
  };
  struct Timer {
    unsigned intervalMs = 0;
    bool enabled = false;
    bool alive = true;
    std::function<void()> onTick;
  };
  struct Tray {
    bool alive = true;
    bool visible = false;
    bool applicationIcon = false;
    bool embedded = true;
    std::string hint, balloonTitle, balloonText;
    std::function<void()> onDblClick;
  };

  ~FakeMainFormUi() override {
    std::lock_guard lock(FInvokes->mutex);
    FInvokes->closed = true;
    for (auto& item : FInvokes->items) item.done->set_value();
    FInvokes->items.clear();
  }

  // ---- IMainFormUi
  void SetEventSink(IMainFormEvents* s) override { sink = s; }
  void SetCaption(const std::string& c) override { caption = c; }
  std::string Caption() const override { return caption; }
  void SetRightToLeft(bool rtl) override { rightToLeft = rtl; }
  void SetClientSize(int w, int h) override { width = w, height = h; }
  void CenterOnScreen() override { centred = true; }
  void SetBackgroundWhite() override { white = true; }
  NativeHandle ClientHandle() override { return this; }
  bool IsVisible() const override { return visible; }
  void Show() override {
    actions.push_back("Show");
    visible = true;
    if (sink) sink->DoShow();
  }
  void Hide() override {
    actions.push_back("Hide");
    visible = false;
  }
  void SetNormalState() override { actions.push_back("SetNormalState"); }
  void BringToFront() override { actions.push_back("BringToFront"); }
  void BringApplicationToFront() override { actions.push_back("BringApplicationToFront"); }
  void SetForegroundWindow() override {
    actions.push_back("SetForegroundWindow");
    if (foregroundThrows) throw std::runtime_error("foreground refused");
  }
  void SetFocus() override { actions.push_back("SetFocus"); }
  void Invalidate() override { actions.push_back("Invalidate"); }
  void Update() override { actions.push_back("Update"); }

  std::unique_ptr<ILoadingPanel> CreateLoadingPanel() override {
    ++overlay->panelsMade;
    overlay->panelAlive = true;
    overlay->panelInFront = false;
    return std::make_unique<Panel>(overlay);
  }
  std::unique_ptr<ILoadingLabel> CreateLoadingLabel(ILoadingPanel&) override {
    overlay->labelAlive = true;
    return std::make_unique<Label>(overlay);
  }
  std::unique_ptr<IUiTimer> CreateTimer(unsigned intervalMs, std::function<void()> onTick) override {
    auto timer = std::make_shared<Timer>();
    timer->intervalMs = intervalMs;
    timer->onTick = std::move(onTick);
    timers.push_back(timer);
    return std::make_unique<TimerHandle>(timer);
  }
  std::unique_ptr<ITrayIcon> CreateTrayIcon() override {
    if (trayThrows) throw std::runtime_error("no notification area");
    tray = std::make_shared<Tray>();
    return std::make_unique<TrayHandle>(tray);
  }
  bool HasApplicationIcon() const override { return hasApplicationIcon; }
  void ShowMessageBox(const std::string& text) override {
    if (onMessageBox) onMessageBox();
    messageBoxes.push_back(text);
  }
  void ProcessMessages() override {
    ++processMessagesCalls;
    if (onProcessMessages) onProcessMessages();
  }
  void Sleep(unsigned ms) override {
    sleptMs += ms;
    tick += ms;
  }
  std::uint32_t TickCount() const override { return tick; }
  TUiThreadInvoker UiThreadInvoke() override {
    std::shared_ptr<Invokes> invokes = FInvokes;
    return [invokes](std::function<void()> fn) {
      auto done = std::make_shared<std::promise<void>>();
      std::future<void> finished = done->get_future();
      {
        std::lock_guard lock(invokes->mutex);
        if (invokes->closed) return;
        invokes->items.push_back({std::move(fn), done});
      }
      invokes->arrived.notify_all();
      finished.wait();
    };
  }

  // ---- Test controls

  // Fires every live, enabled timer once, as the message loop would after its interval.
  void FireTimers() {
    std::vector<std::shared_ptr<Timer>> due;
    for (auto& t : timers)
      if (t->alive && t->enabled) due.push_back(t);
    for (auto& t : due)
      if (t->alive && t->enabled) t->onTick();
  }
  int LiveTimers() const {
    int n = 0;
    for (auto& t : timers) n += t->alive ? 1 : 0;
    return n;
  }

  // Waits up to `timeout` for a hand-over from another thread, runs it here and releases the
  // waiting thread. False if none arrived.
  bool RunNextHandOver(std::chrono::milliseconds timeout) {
    Invokes::Item item;
    {
      std::unique_lock lock(FInvokes->mutex);
      if (!FInvokes->arrived.wait_for(lock, timeout, [&] { return !FInvokes->items.empty(); })) return false;
      item = std::move(FInvokes->items.front());
      FInvokes->items.pop_front();
    }
    item.fn();
    item.done->set_value();
    return true;
  }

  IMainFormEvents* sink = nullptr;
  std::string caption;
  bool rightToLeft = false;
  int width = 0, height = 0;
  bool centred = false, white = false, visible = false;
  std::vector<std::string> actions;
  bool foregroundThrows = false;
  std::shared_ptr<Overlay> overlay = std::make_shared<Overlay>();
  std::vector<std::shared_ptr<Timer>> timers;
  bool trayThrows = false;
  bool hasApplicationIcon = true;
  std::shared_ptr<Tray> tray;
  std::vector<std::string> messageBoxes;
  std::function<void()> onMessageBox;  // runs as a box opens, before it is recorded
  std::function<void()> onProcessMessages;
  int processMessagesCalls = 0;
  unsigned sleptMs = 0;
  std::uint32_t tick = 100000;

 private:
  struct Panel : ILoadingPanel {
    explicit Panel(std::shared_ptr<Overlay> o) : o(std::move(o)) {}
    ~Panel() override {
      o->panelAlive = false;
      o->releases.push_back("panel");
    }
    void BringToFront() override { o->panelInFront = true; }
    std::shared_ptr<Overlay> o;
  };
  struct Label : ILoadingLabel {
    explicit Label(std::shared_ptr<Overlay> o) : o(std::move(o)) {}
    ~Label() override {
      o->labelAlive = false;
      o->releases.push_back("label");
    }
    void SetText(const std::string& text) override { o->text = text; }
    std::shared_ptr<Overlay> o;
  };
  struct TimerHandle : IUiTimer {
    explicit TimerHandle(std::shared_ptr<Timer> t) : t(std::move(t)) {}
    ~TimerHandle() override { t->alive = false; }
    void SetEnabled(bool enabled) override { t->enabled = enabled; }
    std::shared_ptr<Timer> t;
  };
  struct TrayHandle : ITrayIcon {
    explicit TrayHandle(std::shared_ptr<Tray> t) : t(std::move(t)) {}
    ~TrayHandle() override { t->alive = false; }
    void SetVisible(bool v) override { t->visible = v; }
    void SetHint(const std::string& s) override { t->hint = s; }
    void SetBalloonTitle(const std::string& s) override { t->balloonTitle = s; }
    void SetBalloonText(const std::string& s) override { t->balloonText = s; }
    void SetApplicationIcon() override { t->applicationIcon = true; }
    void SetOnDblClick(std::function<void()> h) override { t->onDblClick = std::move(h); }
    bool IsEmbedded() const override { return t->embedded; }
    std::shared_ptr<Tray> t;
  };
  struct Invokes {
    struct Item {
      std::function<void()> fn;
      std::shared_ptr<std::promise<void>> done;
    };
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Item> items;
    bool closed = false;
  };
  std::shared_ptr<Invokes> FInvokes = std::make_shared<Invokes>();
};

}  // namespace vantreel::test

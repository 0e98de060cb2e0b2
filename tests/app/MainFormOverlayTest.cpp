#include "tests/app/MainFormTestSupport.h"
#include "tests/support/TestEnv.h"

namespace vantreel::test {
namespace {

class OverlayTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Make();
  }
  std::string Text(int ticks, std::uint32_t elapsedMs) {
    ui.tick = start;
    Peer().ShowLoadingOverlay("test");
    for (int i = 0; i < ticks; ++i) ui.FireTimers();
    ui.tick = start + elapsedMs;
    Peer().UpdateLoadingText();
    std::string text = ui.overlay->text;
    Peer().HideLoadingOverlay("test");
    return text;
  }
  std::uint32_t start = 500000;
};

TEST_F(OverlayTest, TextCyclesDotsAndAddsSecondsFromEightSeconds) {
  struct Case {
    int ticks;
    std::uint32_t elapsedMs;
    const char* text;
  } cases[] = {
      {0, 0, "Loading ...\r\nPlease wait..."},
      {1, 350, "Loading ....\r\nPlease wait..."},
      {2, 700, "Loading .....\r\nPlease wait..."},
      {3, 1050, "Loading ......\r\nPlease wait..."},
      {4, 1400, "Loading ...\r\nPlease wait..."},
      {0, 7999, "Loading ...\r\nPlease wait..."},
      {0, 8000, "Loading ...\r\nPlease wait... (8s)"},
      {5, 12999, "Loading ....\r\nPlease wait... (12s)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ticks << " ticks, " << c.elapsedMs << " ms");
    EXPECT_EQ(Text(c.ticks, c.elapsedMs), c.text);
  }
}

TEST_F(OverlayTest, ElapsedTimeSurvivesATickCounterWrap) {
  start = 0xFFFFF000u;  // 4096 ms before the counter wraps
  EXPECT_EQ(Text(0, 9000), "Loading ...\r\nPlease wait... (9s)");
  EXPECT_EQ(ui.tick, 9000u - 4096u);
  EXPECT_EQ(log.messages.back(), "加载遮罩已隐藏，耗时=9000 ms，原因=test");
}

TEST_F(OverlayTest, ShowBuildsPanelLabelAndTimerOnce) {
  ui.tick = 1234;
  Peer().ShowLoadingOverlay("EnsureWebViewCreated: 初始化 WebView2");
  EXPECT_TRUE(Peer().LoadingOverlayShown());
  EXPECT_EQ(Peer().LoadingStartTick(), 1234u);
  EXPECT_TRUE(ui.overlay->panelAlive);
  EXPECT_TRUE(ui.overlay->labelAlive);
  EXPECT_TRUE(ui.overlay->panelInFront);
  ASSERT_EQ(ui.timers.size(), 1u);
  EXPECT_EQ(ui.timers[0]->intervalMs, 350u);
  EXPECT_TRUE(ui.timers[0]->enabled);
  EXPECT_EQ(log.messages.back(), "加载遮罩已显示，原因=EnsureWebViewCreated: 初始化 WebView2");

  const auto lines = log.messages.size();
  ui.tick = 5000;
  Peer().ShowLoadingOverlay("again");
  EXPECT_EQ(ui.overlay->panelsMade, 1);
  EXPECT_EQ(ui.timers.size(), 1u);
  EXPECT_EQ(Peer().LoadingStartTick(), 1234u);
  EXPECT_EQ(log.messages.size(), lines);
}

TEST_F(OverlayTest, HideReleasesLabelBeforePanelAndStopsTheTimer) {
  ui.tick = 10000;
  Peer().ShowLoadingOverlay("r");
  ui.FireTimers();
  ui.tick = 10750;
  Peer().HideLoadingOverlay("OnBrowserWebMessageReceived: 收到前端消息");
  EXPECT_EQ(ui.overlay->releases, (std::vector<std::string>{"label", "panel"}));
  EXPECT_EQ(ui.LiveTimers(), 0);
  EXPECT_FALSE(ui.timers[0]->enabled);
  EXPECT_FALSE(Peer().LoadingOverlayShown());
  EXPECT_EQ(Peer().LoadingStartTick(), 0u);
  EXPECT_EQ(Peer().LoadingDotIndex(), 0);
  EXPECT_EQ(log.messages.back(), "加载遮罩已隐藏，耗时=750 ms，原因=OnBrowserWebMessageReceived: 收到前端消息");
}

TEST_F(OverlayTest, ATickWithoutPanelReleasesTheTimer) {
  Peer().ShowLoadingOverlay("r");
  Peer().HideLoadingOverlay("r");
  Peer().LoadingTimerTick();  // a tick already queued when the overlay went away
  EXPECT_FALSE(Peer().LoadingTimerRunning());
  EXPECT_EQ(Peer().LoadingDotIndex(), 0);
}

TEST_F(OverlayTest, ArabicTextsAreUsed) {
  form.reset();
  test::SetEnvVar("LC_ALL", "ar_EG.UTF-8");
  Make();
  Peer().ShowLoadingOverlay("r");
  ui.FireTimers();
  EXPECT_EQ(ui.overlay->text, Peer().GetText("loading.webview") + ".\r\n" + Peer().GetText("loading.wait"));
  EXPECT_NE(Peer().GetText("loading.webview"), "Loading ...");
}

}  // namespace
}  // namespace vantreel::test

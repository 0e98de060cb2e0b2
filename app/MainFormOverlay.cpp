// The loading overlay: a white panel over the browser with an animated two-line text, shown
// while the browser starts and removed by the page's first message.
#include <cstdio>
#include <string>

#include "app/UMainForm.h"

namespace vantreel {
namespace {
constexpr unsigned kLoadingTimerIntervalMs = 350;
constexpr std::uint32_t kElapsedSuffixFromMs = 8000;
}  // namespace

void TMainForm::ShowLoadingOverlay(const std::string& reason) {
  if (FLoadingPanel) {
    // A retry after a failed start-up: the overlay counts again instead of saying it failed.
    if (FLoadingFailed) {
      FLoadingFailed = false;
      FLoadingStartTick = FUi.TickCount();
      FLoadingDotIndex = 0;
      UpdateLoadingText();
      FTimerDelayNav = FUi.CreateTimer(kLoadingTimerIntervalMs, [this] { LoadingTimerTick(); });
      FTimerDelayNav->SetEnabled(true);
    }
    return;
  }
  FLoadingStartTick = FUi.TickCount();
  FLoadingDotIndex = 0;
  FLoadingPanel = FUi.CreateLoadingPanel();
  FLoadingLabel = FUi.CreateLoadingLabel(*FLoadingPanel);
  UpdateLoadingText();
  FLoadingPanel->BringToFront();
  FTimerDelayNav.reset();
  FTimerDelayNav = FUi.CreateTimer(kLoadingTimerIntervalMs, [this] { LoadingTimerTick(); });
  FTimerDelayNav->SetEnabled(true);
  Log("加载遮罩已显示，原因=" + reason);
}

void TMainForm::UpdateLoadingText() {
  if (!FLoadingLabel) return;
  std::string firstLine = GetText("loading.webview");
  firstLine.append(static_cast<std::size_t>(FLoadingDotIndex % 4), '.');
  std::string secondLine = GetText("loading.wait");
  if (FLoadingStartTick != 0) {
    // Unsigned 32-bit difference: a wrap of the tick counter does no harm.
    const std::uint32_t elapsed = FUi.TickCount() - FLoadingStartTick;
    if (elapsed >= kElapsedSuffixFromMs) secondLine += " (" + std::to_string(elapsed / 1000) + "s)";
  }
  FLoadingLabel->SetText(firstLine + "\r\n" + secondLine);
}

void TMainForm::LoadingTimerTick() {
  if (FLoadingPanel) {
    ++FLoadingDotIndex;
    UpdateLoadingText();
  } else if (FTimerDelayNav) {
    FTimerDelayNav->SetEnabled(false);
    FTimerDelayNav.reset();
  }
}

void TMainForm::ShowLoadingFailure(std::string_view hintKey) {
  if (!FLoadingLabel) return;
  if (FTimerDelayNav) {
    FTimerDelayNav->SetEnabled(false);
    FTimerDelayNav.reset();
  }
  FLoadingFailed = true;
  FLoadingLabel->SetText(GetText("loading.failed") + "\r\n" + GetText(hintKey));
}

void TMainForm::HideLoadingOverlay(const std::string& reason) {
  if (FTimerDelayNav) {
    FTimerDelayNav->SetEnabled(false);
    FTimerDelayNav.reset();
  }
  const std::uint32_t elapsed = FLoadingStartTick != 0 ? FUi.TickCount() - FLoadingStartTick : 0;
  FLoadingLabel.reset();
  FLoadingPanel.reset();
  FLoadingStartTick = 0;
  FLoadingDotIndex = 0;
  FLoadingFailed = false;
  char text[64];
  std::snprintf(text, sizeof text, "%d", static_cast<std::int32_t>(elapsed));
  Log(std::string("加载遮罩已隐藏，耗时=") + text + " ms，原因=" + reason);
}

}  // namespace vantreel

// Shared set-up for the main window's tests: a fake windowing system, the scripted browser,
// a private data folder and the captured log.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/UMainForm.h"
#include "tests/app/FakeMainFormUi.h"
#include "tests/app/MainFormPeer.h"
#include "tests/browser/ScriptedBrowser.h"
#include "tests/support/TestEnv.h"

namespace vantreel::test {

// The log lines of the window without their time stamps.
class LogCapture {
 public:
  LogCapture() {
    test::TMainFormPeer::SetLogSink([this](const std::string& line) {
      raw.push_back(line);
      messages.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
    });
  }
  ~LogCapture() { test::TMainFormPeer::SetLogSink({}); }

  bool Has(const std::string& message) const {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
  int Count(const std::string& message) const {
    return static_cast<int>(std::count(messages.begin(), messages.end(), message));
  }
  // Messages that begin with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& m : messages)
      if (m.rfind(prefix, 0) == 0) found.push_back(m);
    return found;
  }
  void Clear() {
    raw.clear();
    messages.clear();
  }

  static constexpr std::size_t kStampLength = sizeof("yyyy-mm-dd hh:nn:ss.zzz | ") - 1;
  std::vector<std::string> raw;
  std::vector<std::string> messages;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dataDir = std::filesystem::temp_directory_path() /
              ("vantreel-mainform-" + std::to_string(test::CurrentProcessId()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dataDir);
    std::filesystem::create_directories(dataDir);
    test::SetEnvVar("XDG_DATA_HOME", dataDir.string().c_str());
    test::SetEnvVar("LC_ALL", "en_US.UTF-8");
  }
  void TearDown() override {
    form.reset();
    std::filesystem::remove_all(dataDir);
  }

  TMainForm& Make() {
    form = std::make_unique<TMainForm>(ui, browsers);
    return *form;
  }
  // Constructs and shows the window; the browser has been asked to create itself.
  TMainForm& MakeAndShow() {
    Make();
    ui.Show();
    return *form;
  }
  TMainFormPeer Peer() { return *form; }

  std::filesystem::path dataDir;
  LogCapture log;
  FakeMainFormUi ui;
  ScriptedBrowserFactory browsers;
  std::unique_ptr<TMainForm> form;
};

}  // namespace vantreel::test

// The photo folder is shared by every user of the computer, so anything may appear in it
// between two looks: FIFOs, sockets, links, files far larger than any photo. None of it may
// hang the store, make it hold more than an image's worth, or pass for a photo.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "media/AlarmPhotoFolder.h"
#include "media/UAlarmPhotoProvider.h"
#include "tests/media/MediaTestSupport.h"

namespace vantreel {
namespace {

using namespace vantreel::test;
using Json = nlohmann::ordered_json;

// Far above what any answer here needs; only a hang reaches it.
constexpr auto kHangBound = std::chrono::seconds(30);

// Runs `calls` on a thread of its own. Should it hang, `fifo` is opened for writing, which
// releases a reader stuck waiting for a writer, so that the thread can still be joined.
bool FinishesWithoutHanging(const std::function<void()>& calls, const fs::path& fifo) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread worker([&] {
    calls();
    done.set_value();
  });
  const bool prompt = finished.wait_for(kHangBound) == std::future_status::ready;
  while (finished.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  worker.join();
  return prompt;
}

class SharedPhotoFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAlarmPhotoDirForTesting(FFolder);
    fs::create_directories(FFolder);
    WriteFile(FFolder / "A1_D9_20231115_061320.jpg", "the real photo");
  }
  void TearDown() override { SetAlarmPhotoDirForTesting(std::nullopt); }

  std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    const Json list = Json::parse(ListAlarmPhotos("", ""));
    for (const auto& photo : list["photos"]) names.push_back(photo["fileName"]);
    std::sort(names.begin(), names.end());
    return names;
  }

  TTempFolder FTemp;
  const fs::path FFolder = FTemp.Path() / "alarm_photos";
  const fs::path FKeptFifo = FTemp.Path() / "fifo";
  TCapturedLines FLines;
};

TEST_F(SharedPhotoFolder, WhatIsNotARegularFileIsNeitherListedNorRead) {
  ASSERT_EQ(::mkfifo(FKeptFifo.c_str(), 0666), 0);
  fs::create_hard_link(FKeptFifo, FFolder / "F1_D9_20231115_061320.jpg");
  fs::create_symlink(FFolder / "A1_D9_20231115_061320.jpg", FFolder / "L1_D9_20231115_061320.jpg");
  fs::create_symlink(FTemp.Path() / "gone.jpg", FFolder / "L2_D9_20231115_061320.jpg");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (FFolder / "S1_D9_20231115_061320.jpg").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  EXPECT_EQ(ListedNames(), std::vector<std::string>{"A1_D9_20231115_061320.jpg"});
  ASSERT_TRUE(FinishesWithoutHanging([&] {
    for (const char* id : {"F1", "L1", "L2", "S1"}) {
      const std::string path = (FFolder / (std::string(id) + "_D9_20231115_061320.jpg")).string();
      for (const auto& [alarm, filePath] : {std::pair{std::string(id), std::string()}, std::pair{std::string(), path}}) {
        FLines.Clear();
        EXPECT_EQ(Json::parse(GetAlarmPhoto(alarm, "", filePath, ""))["error"], "未找到图片文件") << path;
        EXPECT_EQ(FLines.Lines().back(), "[ALARM_PHOTO] 读取失败: 未找到图片文件") << path;
      }
    }
    // A path that names no photo falls back to the alarm id, as for a missing file.
    const Json fallback = Json::parse(GetAlarmPhoto("A1", "", (FFolder / "F1_D9_20231115_061320.jpg").string(), ""));
    EXPECT_EQ(fallback["photoData"], "data:image/jpeg;base64,dGhlIHJlYWwgcGhvdG8=");
  }, FKeptFifo));
  ::close(sock);
}

// A photo far above the image cap is listed with its size but refused by that size before
// anything is read: a sparse file costs the disk nothing, and reading it would cost the
// client its whole size several times over.
TEST_F(SharedPhotoFolder, APhotoAboveTheCapIsListedButRefusedUnread) {
  const fs::path huge = FFolder / "H1_D9_20231115_061320.jpg";
  { std::ofstream(huge) << ""; }
  fs::resize_file(huge, std::uintmax_t(256) << 20);
  const Json list = Json::parse(ListAlarmPhotos("", ""));
  bool listed = false;
  for (const auto& photo : list["photos"]) {
    if (photo["fileName"] == huge.filename().string()) {
      listed = true;
      EXPECT_EQ(photo["fileSize"], std::uintmax_t(256) << 20);
    }
  }
  EXPECT_TRUE(listed) << list;

  const auto started = std::chrono::steady_clock::now();
  for (const auto& [alarm, filePath] : {std::pair{std::string("H1"), std::string()},
                                        std::pair{std::string(), huge.string()}}) {
    FLines.Clear();
    EXPECT_EQ(GetAlarmPhoto(alarm, "", filePath, "r1"),
              "{\"type\":\"alarm_photo_get_response\",\"requestId\":\"r1\",\"ok\":false,\"success\":false,"
              "\"error\":\"图片过大: 最多 32 MB\"}");
    EXPECT_EQ(FLines.Lines(), std::vector<std::string>{"[ALARM_PHOTO] 读取失败: 图片过大: 最多 32 MB"});
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "the file was read";
}

// Someone keeps swapping a FIFO and a regular file in and out under a photo's name while
// the store reads it by path and by alarm id: every answer is prompt and is either the
// whole photo or "not found".
TEST_F(SharedPhotoFolder, APhotoSwappedForAFifoNeverHangsARead) {
  ASSERT_EQ(::mkfifo(FKeptFifo.c_str(), 0666), 0);
  const fs::path keptFile = FTemp.Path() / "file";
  WriteFile(keptFile, "a swapped photo");
  const fs::path photo = FFolder / "W1_D9_20231115_061320.jpg";
  WriteFile(photo, "a swapped photo");
  std::atomic<bool> stop = false;
  std::thread swapper([&] {
    // Hard links of the same two files, so that the FIFO stays reachable for the release.
    const fs::path staged = FTemp.Path() / "staged";
    for (int i = 0; !stop; ++i) {
      std::error_code ec;
      fs::create_hard_link(i % 2 == 0 ? FKeptFifo : keptFile, staged, ec);
      fs::rename(staged, photo, ec);
    }
  });
  int whole = 0, notFound = 0;
  const bool prompt = FinishesWithoutHanging([&] {
    for (int i = 0; i < 600; ++i) {
      const Json reply = Json::parse(i % 2 == 0 ? GetAlarmPhoto("", "", photo.string(), "")
                                                : GetAlarmPhoto("W1", "", "", ""));
      if (reply["ok"]) {
        EXPECT_EQ(reply["photoData"], "data:image/jpeg;base64,YSBzd2FwcGVkIHBob3Rv");
        ++whole;
      } else {
        EXPECT_EQ(reply["error"], "未找到图片文件");
        ++notFound;
      }
    }
  }, FKeptFifo);
  stop = true;
  swapper.join();
  EXPECT_TRUE(prompt) << "a read hung on the FIFO";
  EXPECT_EQ(whole + notFound, 600);
}

}  // namespace
}  // namespace vantreel

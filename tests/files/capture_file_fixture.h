// The whole monitor on the headless platform, with two fake ports, settings
// in memory and a folder of its own for capture files.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/korvane_app.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "tests/support/stored_setting.h"
#include "tests/support/unique_folder.h"
#include "view/korvane_view.h"

using Bytes = std::vector<std::uint8_t>;

class FileFolder {
 public:
  FileFolder() { path_ = makeUniqueFolder("korvane-files-"); }
  ~FileFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  FileFolder(const FileFolder&) = delete;
  FileFolder& operator=(const FileFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const Bytes& bytes) const {
    std::ofstream out(file(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file(name);
  }
  static Bytes read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string path_;
};

// One record as it stands in a file.
inline Bytes recordBytes(std::uint8_t tag, const char* label8, const Bytes& data) {
  Bytes record{static_cast<std::uint8_t>(data.size()), tag};
  record.insert(record.end(), label8, label8 + 8);
  record.insert(record.end(), data.begin(), data.end());
  return record;
}

// count records of 16 bytes each (26 bytes in the file), every data byte
// numbering its record.
inline Bytes fullRecords(int count) {
  Bytes file;
  for (int i = 0; i < count; ++i) {
    const Bytes record = recordBytes(1, "000001: ", Bytes(16, static_cast<std::uint8_t>(i)));
    file.insert(file.end(), record.begin(), record.end());
  }
  return file;
}

class CaptureFileTest : public ::testing::Test {
 protected:
  static constexpr UINT kPollTimeMs = 50;

  void SetUp() override {
    startFolder = std::filesystem::current_path();
    ws.reset();
    resetProcessState();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    // A polling period other than the viewing period, so the two tell apart.
    storeSetting("POLLTIME", std::to_string(kPollTimeMs));
  }
  void TearDown() override {
    app.reset();
    resetProcessState();
    std::filesystem::current_path(startFolder);
  }

  void storeSetting(const std::string& name, const std::string& text) {
    test_support::storeSetting(registry, name, text);
  }

  void start(std::vector<std::string> arguments = {}) {
    app = std::make_unique<CKORVANEApp>();
    app->SetCommandLine(std::move(arguments));
    ASSERT_TRUE(app->InitInstance());
  }
  CFrameWnd& frame() const { return *app->GetDocTemplate()->GetFrame(); }
  CKORVANEView& view() const {
    return *dynamic_cast<CKORVANEView*>(app->GetDocTemplate()->GetView());
  }
  std::optional<UINT> pollPeriod() const {
    return ws.timerPeriod(view().GetSafeHwnd(), CKORVANEView::kPollTimerId);
  }
  BOOL command(UINT id) { return frame().DispatchCommand(id); }

  // The next file dialog is confirmed with path, or cancelled.
  void choose(const std::string& path) {
    ws.setFileDialogHandler([path](platform::FileDialogRequest& request) {
      request.chosenPath = path;
      return true;
    });
  }
  void cancelDialogs() {
    ws.setFileDialogHandler([](platform::FileDialogRequest&) { return false; });
  }
  void saveTo(const std::string& path) {
    choose(path);
    command(ID_SAVE_FILE);
  }
  void readFrom(const std::string& path) {
    choose(path);
    command(ID_READ_FILE);
  }

  // Records from both ports over a few ticks, as the poll cycle appends them.
  static void appendRecords(int ticks) {
    for (int tick = 1; tick <= ticks; ++tick) {
      monitorState.pollSeq = tick;
      Bytes chunk(static_cast<std::size_t>(tick * 7 % 40 + 1));
      for (std::size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = static_cast<std::uint8_t>(tick * 31 + static_cast<int>(i));
      }
      appendChunk(tick % 2, chunk.data(), static_cast<int>(chunk.size()));
    }
  }
  static Bytes storeBytes() { return Bytes(monitorState.bufferStart, monitorState.writePos); }
  // Every field, compared one by one (padding between them is no state).
  static bool sameState(const MonitorState& a, const MonitorState& b) {
    auto fields = [](const MonitorState& s) {
      return std::make_tuple(s.redrawPending, s.writePos, s.bufferStart, s.timerId, s.newData,
                             s.pollSeq, s.caretRow, s.caretCol, s.lastChunkLen, s.recordCount,
                             s.topRow, s.memSizeMB, s.memSizeMBLoaded, s.portBDisabled,
                             s.pollTimeMs, s.connected, s.timerRestartPending, s.storeOverflowed,
                             s.bufferFullNoticeOpen, s.portHandle[0], s.portHandle[1]);
    };
    return fields(a) == fields(b);
  }

  headless::HeadlessWindowSystem& ws = headless::system();
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  std::unique_ptr<CKORVANEApp> app;
  FileFolder folder;
  std::filesystem::path startFolder;
};

// The Win32 window system on real windows under Wine: timers inside every
// kind of modal loop, the setup dialog built from its template, the caret
// across a focus change, the menu's enabling, key flags, drawing in cells,
// the file filter and the capture-file type.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "capture/capture_files.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/framework/cdc.h"
#include "platform/framework/cfiledialog.h"
#include "platform/framework/cframewnd.h"
#include "platform/framework/cwnd.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/icon_file.h"
#include "platform/win32/win32_common_dialogs.h"
#include "platform/win32/win32_shell_registration.h"
#include "platform/win32/win32_window.h"
#include "platform/win32/win32_window_system.h"
#include "res/dialog_templates.h"
#include "res/resource.h"
#include "res/setup_dialog_ids.h"
#include "res/system_resources.h"
#include "setup/setup_dlg.h"
#include "tests/win32_window/native_probe.h"

namespace {

constexpr COLORREF kPortBRed = RGB(192, 0, 0);

platform::win32::Win32WindowSystem& windows() {
  static auto& system = platform::win32::installWin32WindowSystem();
  return system;
}

// A window of the framework whose timer and keys the test sees.
class TestWindow : public CWnd {
 public:
  TestWindow() {
    CREATESTRUCT size;
    size.cx = 320;
    size.cy = 200;
    windows();
    CreateNative(platform::WindowKind::View, nullptr, size);
  }
  platform::win32::NativeWindow native() const { return windows().nativeOf(m_hWnd); }

  std::function<void(int tick)> onTick;
  int ticks = 0;
  struct Key {
    UINT nChar, nRepCnt, nFlags;
  };
  std::vector<Key> keys;

 protected:
  void OnTimer(UINT_PTR) override {
    ++ticks;
    if (onTick) onTick(ticks);
  }
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override {
    keys.push_back({nChar, nRepCnt, nFlags});
  }
};

class Win32WindowSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows();
    platform::installCommBackend(&comm_);
    platform::installRegistryBackend(&registry_);
    resetProcessState();
    monitorState.memSizeMB = 1;
    monitorState.memSizeMBLoaded = 1;
    allocateCaptureStore();
  }
  headless::FakeComm comm_;
  headless::MemoryRegistry registry_;
};

// Whatever modal loop is open, the 10 ms timer keeps ticking; the test
// closes the loop's window from inside a tick once enough have come.
TEST_F(Win32WindowSystemTest, TheTimerTicksInsideEveryModalLoop) {
  struct ModalCase {
    const char* name;
    std::function<void()> open;
    int closeButton;
    bool fileDialog;
  };
  const std::vector<ModalCase> cases{
      {"message box", [] { ShowMessageBox(platform::kNoWindow, "text", "caption", MB_OK); }, IDOK,
       false},
      {"setup dialog",
       [] {
         CSetupDlg dialog(nullptr);
         dialog.DoModal();
       },
       IDCANCEL, false},
      {"save dialog",
       [] {
         CFileDialog dialog(FALSE, nullptr, capture_files::kInitialFileName, OFN_EXPLORER,
                            capture_files::kFilter);
         dialog.DoModal();
       },
       IDCANCEL, true},
      {"open dialog",
       [] {
         CFileDialog dialog(TRUE, nullptr, capture_files::kInitialFileName, OFN_EXPLORER,
                            capture_files::kFilter);
         dialog.DoModal();
       },
       IDCANCEL, true},
  };
  constexpr int kTicksWanted = 25;
  for (const auto& modal : cases) {
    SCOPED_TRACE(modal.name);
    TestWindow clock;
    bool sawDialog = false;
    bool sawFileDialog = false;
    clock.onTick = [&](int tick) {
      const auto dialog = probe::openDialog();
      if (dialog == 0 || tick < kTicksWanted) return;
      sawDialog = true;
      sawFileDialog = probe::isFileDialog(dialog);
      probe::clickButton(dialog, modal.closeButton);
    };
    ASSERT_EQ(clock.SetTimer(1, 10, nullptr), 1u);
    modal.open();
    clock.KillTimer(1);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(sawFileDialog, modal.fileDialog);
    EXPECT_GE(clock.ticks, kTicksWanted);
  }
}

std::string nativeClass(platform::ControlKind kind) {
  switch (kind) {
    case platform::ControlKind::DefPushButton:
    case platform::ControlKind::PushButton:
    case platform::ControlKind::GroupBox:
    case platform::ControlKind::AutoCheckBox:
      return "Button";
    case platform::ControlKind::Label:
    case platform::ControlKind::Icon:
      return "Static";
    case platform::ControlKind::ComboBox:
      return "ComboBox";
    case platform::ControlKind::Edit:
      return "Edit";
  }
  return {};
}

// Every control of the template is on screen with its id, class, text, list,
// limit and colour as the dialog object has them; Disable acts at once.
TEST_F(Win32WindowSystemTest, TheSetupDialogIsBuiltFromItsTemplate) {
  TestWindow clock;
  CSetupDlg dialog(nullptr);
  const platform::DialogTemplate& source = setupDialogTemplate();
  int checkedAt = 0;
  const int disabledBefore = monitorState.portBDisabled;
  std::string caption;
  clock.onTick = [&](int tick) {
    const auto shown = probe::openDialog();
    if (shown == 0) return;
    if (checkedAt == 0) {
      checkedAt = tick;
      caption = probe::windowText(shown);
      for (std::size_t index = 0; index < source.controls.size(); ++index) {
        const platform::ControlTemplate& expected = source.controls[index];
        SCOPED_TRACE("control " + std::to_string(index) + " \"" + expected.caption + "\"");
        if (expected.id < 0) {
          EXPECT_EQ(probe::textColourOfChild(shown, static_cast<int>(index)),
                    probe::systemTextColour());
          continue;
        }
        const CDlgItem* item = dialog.GetDlgItem(expected.id);
        ASSERT_NE(item, nullptr);
        const probe::Control actual = probe::control(shown, expected.id);
        ASSERT_TRUE(actual.exists);
        EXPECT_EQ(actual.className, nativeClass(expected.kind));
        EXPECT_EQ(actual.text, item->GetWindowText());
        EXPECT_EQ(actual.enabled, item->IsWindowEnabled() != FALSE);
        EXPECT_EQ(actual.textColour, item->textColor().value_or(probe::systemTextColour()));
        if (expected.kind == platform::ControlKind::ComboBox) {
          EXPECT_EQ(actual.listCount, static_cast<int>(expected.listItems.size()));
        }
        if (item->textLimit() > 0) {
          EXPECT_EQ(actual.textLimit, item->textLimit());
        }
        if (expected.kind == platform::ControlKind::AutoCheckBox) {
          EXPECT_EQ(actual.checked, item->GetCheck() == BST_CHECKED);
        }
      }
      probe::clickCheckBox(shown, IDC_DISABLE);
    } else if (tick == checkedAt + 5) {
      EXPECT_NE(monitorState.portBDisabled, disabledBefore);
      EXPECT_EQ(probe::control(shown, IDC_DISABLE).checked, monitorState.portBDisabled != 0);
      probe::typeText(shown, IDC_POLLTIME, "25");
      probe::pickItem(shown, IDC_BAUDRATE1, 3);
    } else if (tick == checkedAt + 8) {
      // The user's changes are the dialog's, as the data exchange reads them.
      EXPECT_EQ(dialog.GetDlgItem(IDC_POLLTIME)->GetWindowText(), "25");
      EXPECT_EQ(dialog.GetDlgItem(IDC_BAUDRATE1)->GetCurSel(), 3);
      EXPECT_EQ(dialog.GetDlgItem(IDC_BAUDRATE1)->GetWindowText(), "1200");
      probe::clickButton(shown, IDCANCEL);
    }
  };
  clock.SetTimer(1, 10, nullptr);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  clock.KillTimer(1);
  EXPECT_GT(checkedAt, 0);
  EXPECT_EQ(caption, source.caption);
  // Port B's captions are the ones drawn in red.
  int red = 0;
  for (const auto& control : source.controls) {
    if (control.id >= IDC_PORTB_GROUP || control.id == IDC_DISABLE) ++red;
  }
  EXPECT_EQ(red, 7);
}

TEST_F(Win32WindowSystemTest, TheCaretComesBackWithTheFocus) {
  TestWindow view;
  view.ShowWindow();
  probe::setFocus(view.native());
  view.CreateSolidCaret(8, 18);
  CWnd::SetCaretPos({16, 36});
  view.ShowCaret();
  const probe::Caret before = probe::caret();
  EXPECT_EQ(before.owner, view.native());
  EXPECT_EQ(before.x, 16);
  EXPECT_EQ(before.y, 36);
  EXPECT_EQ(before.width, 8);
  EXPECT_EQ(before.height, 18);

  const auto elsewhere = probe::makeWindow();
  probe::setFocus(elsewhere);
  EXPECT_EQ(probe::caret().owner, 0u);
  // Moved while away: it comes back where the view put it last.
  CWnd::SetCaretPos({24, 54});
  probe::setFocus(view.native());
  const probe::Caret after = probe::caret();
  EXPECT_EQ(after.owner, view.native());
  EXPECT_EQ(after.x, 24);
  EXPECT_EQ(after.y, 54);
  EXPECT_EQ(after.width, 8);
  EXPECT_EQ(after.height, 18);
  probe::destroyWindow(elsewhere);
  DestroyCaret();
}

// The blink time is the whole system's: the view's own holds while the view
// has the focus, and the user's comes back when it leaves and when the view
// goes.
TEST_F(Win32WindowSystemTest, TheUsersCaretBlinkTimeComesBackWhenTheViewLosesTheFocus) {
  probe::setCaretBlinkTime(530);  // the user's, whatever the prefix had
  auto view = std::make_unique<TestWindow>();
  view->ShowWindow();
  probe::setFocus(view->native());
  view->CreateSolidCaret(8, 18);
  view->ShowCaret();
  SetCaretBlinkTime(250);
  EXPECT_EQ(probe::caretBlinkTime(), 250u);

  const auto elsewhere = probe::makeWindow();
  probe::setFocus(elsewhere);
  EXPECT_EQ(probe::caretBlinkTime(), 530u) << "another window has the focus";
  probe::setFocus(view->native());
  EXPECT_EQ(probe::caretBlinkTime(), 250u) << "the view has it again";
  view.reset();
  EXPECT_EQ(probe::caretBlinkTime(), 530u) << "the view is gone";
  probe::destroyWindow(elsewhere);
  DestroyCaret();
  SetCaretBlinkTime(500);
}

// A view that draws a whole page in its paint handler: two full blocks, at
// cell (0, 0) and at cell (20, 3), in the colour of the moment.
class PageWindow : public TestWindow {
 public:
  COLORREF colour = RGB(0, 0, 0);

 protected:
  void OnPaint() override {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(client, RGB(255, 255, 255));
    dc.SelectObject(&font_);
    dc.SetTextColor(colour);
    dc.ExtTextOut(0, 0, "\xDB", 1);
    dc.ExtTextOut(20 * 8, 3 * 18, "\xDB", 1);
  }

 private:
  CFont font_ = [] {
    CFont font;
    font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
    return font;
  }();
};

// A paint of part of the window (another window uncovering it) shows the
// page its handler draws everywhere, not only inside the part.
TEST_F(Win32WindowSystemTest, APaintOfPartOfTheWindowShowsTheWholeNewPage) {
  PageWindow view;
  view.ShowWindow();
  probe::pump(50);
  ASSERT_EQ(probe::pixel(view.native(), 4, 9), RGB(0, 0, 0));
  ASSERT_EQ(probe::pixel(view.native(), 20 * 8 + 4, 3 * 18 + 9), RGB(0, 0, 0));
  view.colour = kPortBRed;
  probe::invalidatePart(view.native(), 0, 0, 16, 18);
  probe::pump(50);
  EXPECT_EQ(probe::pixel(view.native(), 4, 9), kPortBRed);
  EXPECT_EQ(probe::pixel(view.native(), 20 * 8 + 4, 3 * 18 + 9), kPortBRed)
      << "a cell outside the part";
  // The page now taken as shown is the red one: drawing it again writes
  // nothing, so what is on the screen must already be right.
  view.Invalidate();
  probe::pump(50);
  EXPECT_EQ(probe::pixel(view.native(), 20 * 8 + 4, 3 * 18 + 9), kPortBRed);
}

// The 10 ms poll timer keeps its pace only on the finest timer step, held
// while the ports are connected and given back once, however often asked.
TEST_F(Win32WindowSystemTest, TheFineTimerStepIsHeldWhileAskedFor) {
  EXPECT_FALSE(platform::win32::fineTimerStepHeld());
  SetFineTimerStep(true);
  SetFineTimerStep(true);
  EXPECT_TRUE(platform::win32::fineTimerStepHeld());
  SetFineTimerStep(false);
  EXPECT_FALSE(platform::win32::fineTimerStepHeld());
  SetFineTimerStep(false);
  EXPECT_FALSE(platform::win32::fineTimerStepHeld());
}

TEST_F(Win32WindowSystemTest, AnyPopupBringsConnectAndDisconnectUpToDate) {
  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, systemResources(), "KORVANE"));
  const auto native = windows().nativeOf(frame.m_hWnd);
  struct Case {
    int connected;
    int popup;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 0}, Case{1, 1}, Case{0, 3}, Case{1, 3}}) {
    SCOPED_TRACE("connected " + std::to_string(c.connected) + ", popup " + std::to_string(c.popup));
    monitorState.connected = c.connected;
    probe::initPopup(native, c.popup);
    EXPECT_EQ(probe::menuItemEnabled(native, ID_CONNECT), c.connected == 0 ? 1 : 0);
    EXPECT_EQ(probe::menuItemEnabled(native, ID_DISCONNECT), c.connected != 0 ? 1 : 0);
  }
  EXPECT_EQ(probe::menuItemEnabled(native, ID_SETUP), 1);
  EXPECT_EQ(windows().windowText(frame.m_hWnd), "KORVANE");
  EXPECT_EQ(windows().clientRect(frame.m_hWnd).Width() > 0, true);
}

// An open menu runs a loop of its own: the timer ticks inside it, and the
// popup that opens is brought up to date before it shows.
TEST_F(Win32WindowSystemTest, AnOpenMenuTicksAndShowsConnectStateOfNow) {
  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, systemResources(), "KORVANE"));
  frame.ShowWindow();
  const auto native = windows().nativeOf(frame.m_hWnd);
  probe::setFocus(native);
  monitorState.connected = 1;
  TestWindow clock;
  bool sawMenu = false;
  int connectShown = -1;
  int disconnectShown = -1;
  clock.onTick = [&](int tick) {
    if (tick < 25 || !probe::inMenu()) return;
    sawMenu = true;
    connectShown = probe::menuItemEnabled(native, ID_CONNECT);
    disconnectShown = probe::menuItemEnabled(native, ID_DISCONNECT);
    probe::closeMenus();
  };
  clock.SetTimer(1, 10, nullptr);
  probe::trackPopup(native, CMainFrame::kActionMenuIndex);
  clock.KillTimer(1);
  EXPECT_TRUE(sawMenu);
  EXPECT_GE(clock.ticks, 25);
  EXPECT_EQ(connectShown, 0);
  EXPECT_EQ(disconnectShown, 1);
}

// A frame that keeps what reaches it instead of acting on it.
class ListeningFrame : public CFrameWnd {
 public:
  std::vector<UINT> commands;
  std::vector<std::string> dropped;

 protected:
  BOOL OnFrameCommand(UINT id) override {
    commands.push_back(id);
    return TRUE;
  }
  void OnDropFiles(const std::string& path) override { dropped.push_back(path); }
};

// Accelerators go through the message loop's translation to the frame's
// routing; a drop hands over its first file; the frame shows its icons.
TEST_F(Win32WindowSystemTest, AcceleratorsDropsAndIconsReachTheFrame) {
  ListeningFrame frame;
  ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, systemResources(), "KORVANE"));
  frame.ShowWindow();
  const auto native = windows().nativeOf(frame.m_hWnd);
  EXPECT_TRUE(probe::hasIcons(native));
  probe::setFocus(native);

  constexpr unsigned kControl = 0x11, kShift = 0x10;
  TestWindow clock;
  clock.onTick = [&](int tick) {
    if (tick == 2) probe::pressKeys({kControl}, 'N');
    if (tick == 4) probe::pressKeys({kShift}, 0x75);   // F6
    if (tick == 6) probe::pressKeys({kControl}, 'Q');  // in no table
    if (tick == 12) windows().quitMessageLoop(0);
  };
  clock.SetTimer(1, 10, nullptr);
  EXPECT_EQ(windows().runMessageLoop(), 0);
  clock.KillTimer(1);
  EXPECT_EQ(frame.commands, (std::vector<UINT>{ID_FILE_NEW, ID_PREV_PANE}));

  frame.DragAcceptFiles(TRUE);
  probe::dropFiles(native, {"C:\\captures\\first.kvn", "C:\\captures\\second.kvn"});
  EXPECT_EQ(frame.dropped, (std::vector<std::string>{"C:\\captures\\first.kvn"}));
}

TEST_F(Win32WindowSystemTest, KeyFlagsReachTheViewUnchanged) {
  struct Case {
    unsigned virtualKey, scanCode;
    bool extended;
    unsigned repeat;
  };
  const std::vector<Case> cases{
      {0x28, 0x50, true, 1},   // Down
      {0x22, 0x51, true, 3},   // Page Down, repeated
      {0x62, 0x50, false, 1},  // keypad 2
      {0x24, 0x47, true, 1},   // Home
      {0x41, 0x1E, false, 2},  // A
  };
  TestWindow view;
  for (const Case& key : cases) {
    probe::sendKeyDown(view.native(), key.virtualKey, key.scanCode, key.extended, key.repeat);
  }
  ASSERT_EQ(view.keys.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(view.keys[i].nChar, cases[i].virtualKey);
    EXPECT_EQ(view.keys[i].nRepCnt, cases[i].repeat);
    EXPECT_EQ(view.keys[i].nFlags, cases[i].scanCode | (cases[i].extended ? 0x100u : 0u));
  }
}

// The wheel over the view moves the caret as the cursor keys do: one press
// of Up or Down a notch, parts of a notch adding up.
TEST_F(Win32WindowSystemTest, EachWheelNotchIsOnePressOfUpOrDown) {
  TestWindow view;
  probe::turnWheel(view.native(), 120);
  probe::turnWheel(view.native(), -240);
  probe::turnWheel(view.native(), 40);
  probe::turnWheel(view.native(), 40);
  ASSERT_EQ(view.keys.size(), 3u) << "two thirds of a notch press nothing";
  probe::turnWheel(view.native(), 40);
  ASSERT_EQ(view.keys.size(), 4u);
  const unsigned flags[] = {0x148, 0x150, 0x150, 0x148};
  const unsigned keys[] = {0x26, 0x28, 0x28, 0x26};
  for (std::size_t i = 0; i < view.keys.size(); ++i) {
    EXPECT_EQ(view.keys[i].nFlags, flags[i]) << i;
    EXPECT_EQ(view.keys[i].nChar, keys[i]) << i;
    EXPECT_EQ(view.keys[i].nRepCnt, 1u) << i;
  }
}

// The full block (0xDB) fills its cell: three of them fill 24 pixels, and
// the cells beside stay the background.
TEST_F(Win32WindowSystemTest, BytesAreDrawnOneEightPixelCellEach) {
  TestWindow view;
  view.ShowWindow();
  CFont font;
  font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
  {
    CClientDC dc(&view);
    dc.FillSolidRect({0, 0, 200, 100}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    dc.SetTextColor(kPortBRed);
    dc.ExtTextOut(8, 18, "\xDB\xDB\xDB", 3);
  }
  for (int x : {10, 14, 20, 28, 30}) EXPECT_EQ(probe::pixel(view.native(), x, 27), kPortBRed) << x;
  for (int x : {4, 35, 40}) EXPECT_EQ(probe::pixel(view.native(), x, 27), RGB(255, 255, 255)) << x;
}

// The open and save dialogs of Read file, Save File and Ctrl+O list the
// capture files at once: the initial name "*.kvn" is the selected type.
TEST_F(Win32WindowSystemTest, TheFileDialogsListTheCaptureFilesAtOnce) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "korvane-file-dialog-listing";
  std::filesystem::create_directories(folder);
  for (const char* name : {"a.kvn", "b.log"}) std::ofstream(folder / name) << "x";
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  auto listed = [](const std::vector<std::string>& names, const std::string& stem) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return name.rfind(stem, 0) == 0; });
  };
  for (const BOOL open : {TRUE, FALSE}) {
    SCOPED_TRACE(open ? "open" : "save");
    TestWindow clock;
    std::vector<std::string> names;
    std::string type;
    clock.onTick = [&](int tick) {
      const auto dialog = probe::openDialog();
      if (dialog == 0 || tick < 30) return;  // the list fills in meanwhile
      names = probe::fileDialogNames(dialog);
      type = probe::fileDialogType(dialog);
      probe::clickButton(dialog, IDCANCEL);
    };
    ASSERT_EQ(clock.SetTimer(1, 10, nullptr), 1u);
    CFileDialog dialog(open, nullptr, capture_files::kInitialFileName, OFN_EXPLORER,
                       capture_files::kFilter);
    dialog.DoModal();
    clock.KillTimer(1);
    EXPECT_EQ(type, "*.kvn");
    EXPECT_TRUE(listed(names, "a")) << names.size() << " names listed";
    EXPECT_FALSE(listed(names, "b")) << "b.log is not a capture file";
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

TEST(Win32FileFilter, BecomesNulSeparatedPairsAfterTheInitialNamesOwnEntry) {
  using std::string_literals::operator""s;
  struct Case {
    std::string framework, initialName, native;
  };
  const std::vector<Case> cases{
      {"(*.kvn) | *.log |(*.*) | *.*||", "", "(*.kvn) \0 *.log \0(*.*) \0 *.*\0\0"s},
      {"(*.kvn) | *.log |(*.*) | *.*||", "*.kvn",
       "*.kvn\0*.kvn\0(*.kvn) \0 *.log \0(*.*) \0 *.*\0\0"s},
      {"Files (*.kvn)|*.kvn||", "capture.kvn", "Files (*.kvn)\0*.kvn\0\0"s},
      {"A|*.a||B|*.b||", "", "A\0*.a\0\0"s},
      {"", "", ""},
      {"", "*.kvn", "*.kvn\0*.kvn\0\0"s},
      {"no pattern|", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::win32::win32FileFilter(c.framework, c.initialName), c.native)
        << c.framework << " / " << c.initialName;
  }
  EXPECT_EQ(platform::win32::messageBoxText("Can not Open ", ""), "Can not Open ");
  EXPECT_EQ(platform::win32::messageBoxText("Can not Open ", "busy"), "Can not Open \n\nbusy");
}

TEST(Win32DocumentType, OpensWithTheProgramAndShowsItsIcon) {
  const std::string extension = ".kvntest";
  const std::string typeId = "KORVANE.TestDocument";
  ASSERT_EQ(platform::win32::registerDocumentType({extension, typeId, "Test Document", 1}), "");
  EXPECT_EQ(probe::userClassValue(extension), typeId);
  EXPECT_EQ(probe::userClassValue(typeId), "Test Document");
  const std::string command = probe::userClassValue(typeId + "\\shell\\open\\command");
  EXPECT_NE(command.find(".exe\" \"%1\""), std::string::npos) << command;
  const std::string icon = probe::userClassValue(typeId + "\\DefaultIcon");
  EXPECT_EQ(icon.substr(icon.size() - 6), ".exe,1") << icon;
  probe::deleteUserClass(extension);
  probe::deleteUserClass(typeId);
}

// The icon file holds each image with its header, colours and mask.
TEST(Win32IconFile, HoldsEveryImageWithItsMask) {
  std::vector<platform::win32::NativeIcon> images;
  for (const auto& image : systemResources().loadIcon(IDR_KORVANTYPE)) {
    images.push_back({image.width, image.height, image.argb});
  }
  ASSERT_EQ(images.size(), 2u);
  const std::vector<std::uint8_t> bytes = platform::win32::iconFileBytes(images);
  auto word = [&](std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); };
  auto dword = [&](std::size_t at) {
    return static_cast<std::uint32_t>(word(at)) | (static_cast<std::uint32_t>(word(at + 2)) << 16);
  };
  EXPECT_EQ(word(0), 0);
  EXPECT_EQ(word(2), 1);
  EXPECT_EQ(word(4), 2);
  std::size_t expectedOffset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const auto width = static_cast<std::uint32_t>(images[i].width);
    const std::uint32_t size = 40 + width * width * 4 + width * ((width + 31) / 32) * 4;
    EXPECT_EQ(bytes[entry], width);
    EXPECT_EQ(word(entry + 6), 32);
    EXPECT_EQ(dword(entry + 8), size);
    EXPECT_EQ(dword(entry + 12), expectedOffset);
    EXPECT_EQ(dword(expectedOffset + 8), width * 2);  // colour and mask images
    expectedOffset += size;
  }
  EXPECT_EQ(bytes.size(), expectedOffset);
}

}  // namespace

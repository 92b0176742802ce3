#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/posix/device_holders.h"
#include "platform/posix/device_names.h"
#include "platform/posix/failure_reason.h"
#include "platform/posix/line_error_tally.h"
#include "temp_folder.h"

namespace {

using platform::LineErrorCounts;
using platform::posix::DeviceFailure;
using platform::posix::DriverErrorCounters;

DriverErrorCounters counters(std::uint32_t parity, std::uint32_t framing, std::uint32_t overrun,
                             std::uint32_t bufferOverrun, std::uint32_t breaks) {
  return {parity, framing, overrun, bufferOverrun, breaks};
}

LineErrorCounts known(std::uint64_t parity, std::uint64_t framing, std::uint64_t overrun,
                      std::uint64_t bufferOverrun, std::uint64_t breaks) {
  return {parity, framing, overrun, bufferOverrun, breaks};
}

TEST(LineErrorTally, CountsSinceOpenAcrossReopens) {
  // An open (again) gives the driver's counters as a baseline; a reading is
  // what the driver counts later. Nothing stands for a driver that does not
  // count, or a reading that failed.
  struct Step {
    bool open;
    std::optional<DriverErrorCounters> driver;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    LineErrorCounts expected;
  };
  const auto noCounters = std::optional<DriverErrorCounters>();
  const Case cases[] = {
      {"a pseudo-terminal counts nothing: unknown, not zero",
       {{true, noCounters}, {false, noCounters}},
       LineErrorCounts{}},
      {"right after the open", {{true, counters(5, 3, 1, 0, 2)}}, known(0, 0, 0, 0, 0)},
      {"what was counted before the open is not the monitor's",
       {{true, counters(5, 3, 1, 0, 2)}, {false, counters(7, 3, 4, 1, 2)}},
       known(2, 0, 3, 1, 0)},
      {"a failed reading keeps the last",
       {{true, counters(5, 3, 1, 0, 2)}, {false, counters(6, 4, 1, 0, 2)}, {false, noCounters}},
       known(1, 1, 0, 0, 0)},
      {"a counter that wraps",
       {{true, counters(0xFFFFFFFE, 0, 0, 0, 0)}, {false, counters(1, 0, 0, 0, 0)}},
       known(3, 0, 0, 0, 0)},
      {"a reopened device adds to what was counted before",
       {{true, counters(10, 10, 10, 10, 10)},
        {false, counters(12, 11, 10, 10, 13)},
        {true, counters(100, 0, 7, 0, 0)},
        {false, counters(101, 5, 7, 2, 0)}},
       known(3, 6, 0, 2, 3)},
      {"a reopen onto a device that does not count keeps the earlier counts",
       {{true, counters(1, 1, 1, 1, 1)}, {false, counters(3, 1, 1, 1, 1)}, {true, noCounters}},
       known(2, 0, 0, 0, 0)},
      {"a reopen onto a counting device after one that did not",
       {{true, noCounters}, {true, counters(50, 0, 0, 0, 0)}, {false, counters(51, 0, 0, 0, 0)}},
       known(1, 0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    platform::posix::LineErrorTally tally;
    for (const Step& step : c.steps) {
      if (step.open) {
        tally.startPeriod(step.driver);
      } else {
        tally.update(step.driver);
      }
    }
    EXPECT_EQ(tally.counts(), c.expected) << c.what;
  }
}

TEST(DeviceFailureText, SaysWhatFailedAndWhatToDo) {
  const std::string folder = "/home/u/.config/korvane/ports";
  auto failure = [&](std::string name, std::string resolution, int error) {
    DeviceFailure f;
    f.name = std::move(name);
    f.resolution = std::move(resolution);
    f.portsFolder = folder;
    f.error = error;
    f.ownPid = 77;
    return f;
  };
  struct Case {
    DeviceFailure failure;
    std::vector<std::string> says;
  };
  std::vector<Case> cases;
  cases.push_back(
      {failure("COM3", "COM3 -> /dev/ttyS2 (COMn rule)", ENOENT),
       {"COM3 -> /dev/ttyS2 (COMn rule): no such device", "in Setup (for example ttyUSB0)",
        "ln -sfn /dev/ttyUSB0 '/home/u/.config/korvane/ports/COM3'"}});
  cases.push_back({failure("NUL", "NUL -> /dev/null (link in " + folder + ")", ENOTTY),
                   {"NUL -> /dev/null (link in /home/u/.config/korvane/ports): the path is not a "
                    "serial device"}});
  DeviceFailure heldByOthers = failure("ttyUSB0", "ttyUSB0 -> /dev/ttyUSB0", EWOULDBLOCK);
  heldByOthers.holders = {{4242, "termapp"}, {4343, "cat"}};
  cases.push_back({heldByOthers,
                   {"ttyUSB0 -> /dev/ttyUSB0: the device is in use by 4242 (termapp), 4343 "
                    "(cat). Close that program"}});
  DeviceFailure heldHere = failure("ttyUSB0", "ttyUSB0 -> /dev/ttyUSB0", EBUSY);
  heldHere.holders = {{77, "korvane"}};
  cases.push_back(
      {heldHere,
       {"in use by this program itself (pid 77)", "Port A and port B may name the same"}});
  cases.push_back({failure("ttyUSB0", "ttyUSB0 -> /dev/ttyUSB0", EBUSY),
                   {"in use by another program (which one is not visible to this user)"}});
  DeviceFailure noRight = failure("ttyUSB0", "ttyUSB0 -> /dev/ttyUSB0", EACCES);
  noRight.group = "dialout";
  cases.push_back({noRight,
                   {"ttyUSB0 -> /dev/ttyUSB0: permission denied: the device belongs to group "
                    "\"dialout\". Add yourself to it with: sudo usermod -aG dialout $USER, then "
                    "log out and in again."}});
  cases.push_back({failure("ttyS0", "ttyS0 -> /dev/ttyS0", EPERM), {": permission denied."}});
  DeviceFailure slowClock = failure("ttyS0", "ttyS0 -> /dev/ttyS0", 0);
  slowClock.rejectedRate = 256000;
  slowClock.takenRate = 230400;
  cases.push_back({slowClock, {"does not take 256000 baud (it set 230400)", "another baud rate"}});
  cases.push_back({failure("ttyS1", "ttyS1 -> /dev/ttyS1", EIO),
                   {"ttyS1 -> /dev/ttyS1: no device answers", "Plug it in"}});
  cases.push_back({failure("ttyS1", "ttyS1 -> /dev/ttyS1", EMFILE),
                   {"ttyS1 -> /dev/ttyS1: Too many open files."}});
  cases.push_back({failure("..", "", ENOENT), {"\"..\" is not a device name", folder}});
  for (const Case& c : cases) {
    const std::string text = platform::posix::describeDeviceFailure(c.failure);
    for (const std::string& part : c.says) {
      EXPECT_NE(text.find(part), std::string::npos) << text << "\n  lacks: " << part;
    }
  }
}

TEST(DeviceFailureText, ANameShowsTheDeviceItCameTo) {
  TempFolder folder;
  std::filesystem::create_symlink("/dev/ttyUSB0", folder / "LAB1");
  std::filesystem::create_symlink("../elsewhere/dev0", folder / "LAB2");
  struct Case {
    std::string name;
    std::string shown;
    std::string described;
  };
  const Case cases[] = {
      {"COM3", "/dev/ttyS2", "COM3 -> /dev/ttyS2 (COMn rule)"},
      {"LAB1", "/dev/ttyUSB0", "LAB1 -> /dev/ttyUSB0 (link in " + folder.path() + ")"},
      {"LAB2", folder / "../elsewhere/dev0",
       "LAB2 -> " + (folder / "../elsewhere/dev0") + " (link in " + folder.path() + ")"},
      {"ttyUSB0", "/dev/ttyUSB0", "ttyUSB0 -> /dev/ttyUSB0"},
  };
  for (const Case& c : cases) {
    const auto resolved = platform::posix::resolveDeviceName(c.name, folder.path());
    ASSERT_TRUE(resolved.has_value()) << c.name;
    EXPECT_EQ(platform::posix::deviceShownFor(*resolved), c.shown);
    EXPECT_EQ(platform::posix::describeResolution(c.name, *resolved, folder.path()), c.described);
  }
}

TEST(DeviceHolders, LockHoldersOfOneFileFromTheLockTable) {
  const dev_t fileSystem = makedev(0, 0x1a);
  const std::string table =
      "1: FLOCK  ADVISORY  WRITE 4242 00:1a:3 0 EOF\n"
      "1: -> FLOCK  ADVISORY  WRITE 5555 00:1a:3 0 EOF\n"
      "2: POSIX  ADVISORY  WRITE 4343 00:1a:3 0 EOF\n"
      "3: FLOCK  ADVISORY  WRITE 6666 00:1a:33 0 EOF\n"
      "4: FLOCK  ADVISORY  WRITE 7777 00:1b:3 0 EOF\n"
      "5: OFDLCK ADVISORY  WRITE -1 00:1a:3 0 EOF\n"
      "6: FLOCK  ADVISORY  WRITE 4242 00:1a:3 0 EOF\n"
      "garbage\n";
  EXPECT_EQ(platform::posix::lockHoldersIn(table, fileSystem, 3), (std::vector<long>{4242, 4343}))
      << "holders only, each once: not a waiter, another file, or a lock without a pid";
  EXPECT_TRUE(platform::posix::lockHoldersIn(table, fileSystem, 4).empty());
}

}  // namespace

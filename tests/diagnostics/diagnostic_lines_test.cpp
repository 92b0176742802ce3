#include "platform/diagnostics/diagnostic_lines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/diagnostics/log_line.h"
#include "tests/support/unique_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::diagnostics::rotateWhenFull;
using platform::diagnostics::stampedLine;

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

TEST(DiagnosticLines, StampCarriesDateTimeMillisecondsAndProgram) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 8;
  local.tm_hour = 7;
  local.tm_min = 5;
  local.tm_sec = 9;
  EXPECT_EQ(stampedLine(local, 42, "korvane[311]", "PORT A COM3: device lost at poll 12"),
            "2026-12-08 07:05:09.042 korvane[311]: PORT A COM3: device lost at poll 12");
}

TEST(DiagnosticLines, LogMovesToOldFileOnlyOnceFull) {
  const fs::path folder = makeUniqueFolder("korvane-log-");
  ASSERT_FALSE(folder.empty());
  const fs::path log = folder / "korvane.log";
  const fs::path old = folder / "korvane.log.old";

  EXPECT_EQ(rotateWhenFull(log, 10), "");  // no file yet: nothing to move
  writeFile(log, "123456789");
  EXPECT_EQ(rotateWhenFull(log, 10), "");
  EXPECT_TRUE(fs::exists(log));
  EXPECT_FALSE(fs::exists(old));

  writeFile(old, "older");
  writeFile(log, "1234567890");
  EXPECT_EQ(rotateWhenFull(log, 10), "");
  EXPECT_FALSE(fs::exists(log));
  EXPECT_EQ(contentOf(old), "1234567890");  // the older copy is replaced
  fs::remove_all(folder);
}

TEST(DiagnosticLines, LinesAreAppendedToTheNamedLogWithStamps) {
  const fs::path folder = makeUniqueFolder("korvane-log-");
  ASSERT_FALSE(folder.empty());
  const fs::path log = folder / "state" / "korvane.log";  // its folder is made on first use
  setEnvironment("KORVANE_LOG", log.string());
  ASSERT_EQ(platform::diagnosticLogPath(), log);

  platform::writeDiagnosticLine("PORT A COM3: device lost at poll 7");
  platform::writeDiagnosticLine("PORT A COM3: device back at poll 9, capture goes on");

  std::istringstream lines(contentOf(log));
  std::string first;
  std::string second;
  std::string third;
  ASSERT_TRUE(std::getline(lines, first));
  ASSERT_TRUE(std::getline(lines, second));
  EXPECT_FALSE(std::getline(lines, third));
  // "YYYY-MM-DD hh:mm:ss.mmm program[pid]: line"
  ASSERT_GT(first.size(), 24u);
  EXPECT_EQ(first[4], '-');
  EXPECT_EQ(first[10], ' ');
  EXPECT_EQ(first[19], '.');
  EXPECT_NE(first.find("diagnostics_tests"), std::string::npos) << first;
  EXPECT_TRUE(first.ends_with("]: PORT A COM3: device lost at poll 7")) << first;
  EXPECT_TRUE(second.ends_with("]: PORT A COM3: device back at poll 9, capture goes on"));
  setEnvironment("KORVANE_LOG", "");
  fs::remove_all(folder);
}

TEST(DiagnosticLines, DefaultPlaceIsTheUsersStateFolder) {
  setEnvironment("KORVANE_LOG", "");
#ifdef _WIN32
  const fs::path path = platform::diagnosticLogPath();
  EXPECT_EQ(path.filename(), "korvane.log");
  EXPECT_EQ(path.parent_path().filename(), "KORVANE");
#else
  setEnvironment("XDG_STATE_HOME", "/somewhere/state");
  EXPECT_EQ(platform::diagnosticLogPath(), fs::path("/somewhere/state/korvane/korvane.log"));
  setEnvironment("XDG_STATE_HOME", "relative");  // ignored, as the XDG rules say
  setEnvironment("HOME", "/home/user");
  EXPECT_EQ(platform::diagnosticLogPath(), fs::path("/home/user/.local/state/korvane/korvane.log"));
#endif
}

}  // namespace

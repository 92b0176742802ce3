#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/line_simulator/options.h"
#include "tools/line_simulator/report.h"

namespace {

using namespace std::chrono_literals;
using linesim::Environment;
using linesim::SimOptions;

linesim::ParseResult parse(std::vector<std::string_view> args,
                           Environment env = {nullptr, "/home/u"}) {
  return linesim::parseOptions(args, env);
}

SimOptions parsed(std::vector<std::string_view> args) {
  auto result = parse(std::move(args));
  if (auto* error = std::get_if<linesim::UsageError>(&result)) ADD_FAILURE() << error->message;
  return std::get<SimOptions>(result);
}

bool rejected(std::vector<std::string_view> args) {
  return std::holds_alternative<linesim::UsageError>(parse(std::move(args)));
}

TEST(SimOptions, DefaultsAreTheMonitorsTwoPortsAtItsDefaultRate) {
  const SimOptions o = parsed({});
  ASSERT_EQ(o.lines.size(), 2u);
  EXPECT_EQ(o.lines[0].label, "A");
  EXPECT_EQ(o.lines[0].name, "COM3");
  EXPECT_EQ(o.lines[1].label, "B");
  EXPECT_EQ(o.lines[1].name, "COM4");
  EXPECT_EQ(o.lines[0].baud, 115200u);
  EXPECT_EQ(o.portsDir, "/home/u/.config/korvane/ports");
  EXPECT_EQ(o.pattern, linesim::Pattern::counter);
  EXPECT_FALSE(o.byteLimit || o.timeLimit || o.waitForOpen || o.quiet);
}

TEST(SimOptions, PortsFolderFollowsXdgConfigHomeWhenItIsAnAbsolutePath) {
  EXPECT_EQ(linesim::defaultPortsDir({"/cfg", "/home/u"}), "/cfg/korvane/ports");
  EXPECT_EQ(linesim::defaultPortsDir({"", "/home/u"}), "/home/u/.config/korvane/ports");
  EXPECT_EQ(linesim::defaultPortsDir({"relative", "/home/u"}), "/home/u/.config/korvane/ports");
  EXPECT_EQ(parsed({"--ports-dir", "/tmp/p"}).portsDir, "/tmp/p");
}

TEST(SimOptions, NamesLinesAndSetsRatesPerLine) {
  const SimOptions named =
      parsed({"--name", "A=COM7", "--name", "COM8", "--baud", "9600", "--baud", "COM8=4000000"});
  ASSERT_EQ(named.lines.size(), 2u);
  EXPECT_EQ(named.lines[0].name, "COM7");
  EXPECT_EQ(named.lines[0].baud, 9600u);
  EXPECT_EQ(named.lines[1].label, "B");
  EXPECT_EQ(named.lines[1].baud, 4000000u);

  const SimOptions listed = parsed({"--lines", "ttyV0,ttyV1,ttyV2", "--baud", "C=300"});
  ASSERT_EQ(listed.lines.size(), 3u);
  EXPECT_EQ(listed.lines[2].name, "ttyV2");
  EXPECT_EQ(listed.lines[2].baud, 300u);
  EXPECT_EQ(listed.lines[0].baud, 115200u);
}

TEST(SimOptions, ReadsLimitsPatternAndSwitches) {
  const SimOptions o =
      parsed({"--pattern", "random", "--seed", "42", "--bytes", "1000", "--seconds", "1.25",
              "--wait-for-open", "--quiet", "--pause-ms", "20", "--drain-ms", "0"});
  EXPECT_EQ(o.pattern, linesim::Pattern::random);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.byteLimit, 1000u);
  EXPECT_EQ(o.timeLimit, std::optional<std::chrono::nanoseconds>(1250ms));
  EXPECT_TRUE(o.waitForOpen && o.quiet);
  EXPECT_EQ(o.pause, 20ms);
  EXPECT_EQ(o.drainTimeout, 0ms);
  EXPECT_TRUE(std::holds_alternative<linesim::HelpRequested>(parse({"--help"})));
  EXPECT_TRUE(std::holds_alternative<linesim::VersionRequested>(parse({"--version"})));
}

TEST(SimOptions, RefusesWhatItCannotDo) {
  EXPECT_TRUE(rejected({"--baud", "4000001"}));
  EXPECT_TRUE(rejected({"--baud", "0"}));
  EXPECT_TRUE(rejected({"--baud", "fast"}));
  EXPECT_TRUE(rejected({"--baud", "COM9=9600"}));  // no such line
  EXPECT_TRUE(rejected({"--name", "../COM3"}));
  EXPECT_TRUE(rejected({"--name", "A=COM 3"}));
  EXPECT_TRUE(rejected({"--lines", "COM3,,COM4"}));
  EXPECT_TRUE(rejected({"--lines", "COM3,COM3"}));
  EXPECT_TRUE(rejected({"--pattern", "sine"}));
  EXPECT_TRUE(
      rejected({"--pattern", "protocol", "--lines", "COM3"}));  // a request needs a reply line
  EXPECT_TRUE(rejected({"--seconds", "1.5s"}));
  EXPECT_TRUE(rejected({"--seconds", "-1"}));
  EXPECT_TRUE(rejected({"--bytes"}));
  EXPECT_TRUE(rejected({"--verbose"}));
}

TEST(SentLine, RoundTripsEveryField) {
  const linesim::LineReport r{"B",       "COM4", "/dev/pts/7", linesim::Pattern::random,
                              123456789, 256000, 98765432101,  0x0012abcd,
                              3};
  const std::string text = linesim::formatSentLine(r);
  EXPECT_EQ(text,
            "sent line=B name=COM4 path=/dev/pts/7 pattern=random seed=123456789 baud=256000 "
            "bytes=98765432101 crc32=0012abcd stalls=3");
  const auto back = linesim::parseSentLine(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->label, "B");
  EXPECT_EQ(back->name, "COM4");
  EXPECT_EQ(back->path, "/dev/pts/7");
  EXPECT_EQ(back->pattern, linesim::Pattern::random);
  EXPECT_EQ(back->seed, r.seed);
  EXPECT_EQ(back->baud, r.baud);
  EXPECT_EQ(back->bytes, r.bytes);
  EXPECT_EQ(back->crc32, r.crc32);
  EXPECT_EQ(back->stalls, r.stalls);

  EXPECT_FALSE(linesim::parseSentLine("open line=A name=COM3 path=/dev/pts/1"));
  EXPECT_FALSE(linesim::parseSentLine("sent line=A name=COM3 pattern=counter seed=1 baud=9600"));
}

}  // namespace

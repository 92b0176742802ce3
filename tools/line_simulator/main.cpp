#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

#include "tools/line_simulator/options.h"
#include "tools/line_simulator/simulator.h"
#include "tools/line_simulator/stop_signal.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const linesim::Environment env{std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")};
  const linesim::ParseResult parsed = linesim::parseOptions(args, env);
  if (std::holds_alternative<linesim::HelpRequested>(parsed)) {
    std::cout << linesim::usageText();
    return 0;
  }
  if (std::holds_alternative<linesim::VersionRequested>(parsed)) {
    std::cout << "korvane-linesim " << KORVANE_VERSION << '\n';
    return 0;
  }
  if (const auto* error = std::get_if<linesim::UsageError>(&parsed)) {
    std::cerr << "korvane-linesim: " << error->message << '\n' << linesim::usageText();
    return 2;
  }
  linesim::installStopHandlers();
  return linesim::runSimulator(std::get<linesim::SimOptions>(parsed), std::cout, std::cerr);
}

#include "tools/line_simulator/simulator.h"

#include <poll.h>
#include <time.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "tools/line_simulator/line_sender.h"
#include "tools/line_simulator/port_link.h"
#include "tools/line_simulator/protocol_pattern.h"
#include "tools/line_simulator/reader_gate.h"
#include "tools/line_simulator/report.h"
#include "tools/line_simulator/stop_signal.h"
#include "tools/line_simulator/virtual_line.h"

namespace linesim {
namespace {

using Clock = std::chrono::steady_clock;

// Two milliseconds between wake-ups: 51 bytes a slice at 256000 baud, far below the burst
// limit, and few enough wake-ups to cost next to nothing.
constexpr std::chrono::milliseconds kSlice{2};
// Gap between the end of a request and the start of its reply.
constexpr std::chrono::milliseconds kTurnaround{5};
// A queue counts as drained when it reads empty twice this far apart (bytes on their way into
// the reader's queue are not counted yet).
constexpr std::chrono::milliseconds kDrainRecheck{20};

struct Line {
  Line(const LineSetup& s, std::size_t i, const SimOptions& options)
      : setup(s),
        index(i),
        link(options.portsDir, s.name, pty.slavePath(), options.replaceLinks),
        sender(pty, s.baud, options.byteLimit) {}

  LineSetup setup;
  std::size_t index;
  VirtualLine pty;
  PortLink link;
  LineSender sender;
  std::unique_ptr<ByteStream> stream;  // null for protocol lines, which a Pair feeds
  ReaderGate gate;
  bool started = false;
  bool finished = false;
  Clock::time_point startedAt{};
};

struct Pair {
  enum class Phase { request, turnaround, reply, pause };
  Pair(std::uint64_t seed, std::size_t pairIndex, ExchangeKinds kinds)
      : script(seed, pairIndex, kinds) {}

  ProtocolScript script;
  Exchange current;
  Phase phase = Phase::pause;
  Clock::time_point phaseEnd{};
};

class Simulation {
 public:
  Simulation(const SimOptions& options, std::ostream& out, std::ostream& log)
      : options_(options), out_(out), log_(log) {}

  int run();

 private:
  void say(const std::string& text) {
    if (!options_.quiet) log_ << "korvane-linesim: " << text << '\n' << std::flush;
  }
  void startLines(Clock::time_point now);
  void stepPair(std::size_t pairIndex, Clock::time_point now);
  bool pumpLine(Line& line, Clock::time_point now);
  void checkLimits(Line& line, Clock::time_point now);
  bool allFinished() const;
  void sleepUntil(Clock::time_point wake, const std::vector<pollfd>& stalled);
  void drain();

  const SimOptions& options_;
  std::ostream& out_;
  std::ostream& log_;
  std::vector<std::unique_ptr<Line>> lines_;
  std::vector<Pair> pairs_;
  bool failed_ = false;
};

int Simulation::run() {
  try {
    for (std::size_t i = 0; i < options_.lines.size(); ++i) {
      auto line = std::make_unique<Line>(options_.lines[i], i, options_);
      if (!isPairedPattern(options_.pattern)) {
        line->stream = makeLineStream(options_.pattern, options_.seed, i);
      }
      out_ << formatOpenLine(line->setup.label, line->setup.name, line->pty.slavePath()) << '\n'
           << std::flush;
      say(line->link.path().string() + " -> " + line->pty.slavePath());
      lines_.push_back(std::move(line));
    }
  } catch (const std::exception& e) {
    log_ << "korvane-linesim: " << e.what() << '\n';
    return 1;  // the links made so far go with lines_
  }
  if (isPairedPattern(options_.pattern)) {
    const ExchangeKinds kinds =
        options_.pattern == Pattern::modbus ? ExchangeKinds::modbusRtu : ExchangeKinds::mixed;
    for (std::size_t p = 0; p < lines_.size() / 2; ++p)
      pairs_.emplace_back(options_.seed, p, kinds);
  }
  if (options_.waitForOpen) say("waiting for a reader on each line");

  Clock::time_point wake = Clock::now();
  while (!stopRequested() && !allFinished()) {
    const Clock::time_point now = Clock::now();
    startLines(now);
    for (std::size_t p = 0; p < pairs_.size(); ++p) stepPair(p, now);
    std::vector<pollfd> stalled;
    for (auto& line : lines_) {
      if (!line->started || line->finished) continue;
      if (!pumpLine(*line, now)) stalled.push_back({line->pty.masterFd(), POLLOUT, 0});
      checkLimits(*line, now);
    }
    for (auto& line : lines_) line->pty.discardReaderOutput();
    wake = std::max(wake + kSlice, now);
    sleepUntil(wake, stalled);
  }
  if (!stopRequested()) drain();

  for (auto& line : lines_) {
    LineReport r{line->setup.label,        line->setup.name,     line->pty.slavePath(),
                 options_.pattern,         options_.seed,        line->setup.baud,
                 line->sender.bytesSent(), line->sender.crc32(), line->sender.stalls()};
    out_ << formatSentLine(r) << '\n';
  }
  out_ << std::flush;
  lines_.clear();  // closes the pseudo-terminals and removes the links
  return failed_ ? 1 : 0;
}

void Simulation::startLines(Clock::time_point now) {
  for (auto& line : lines_) {
    if (line->started) continue;
    // A protocol pair runs when its request line is ready; the reply line goes with it.
    const bool replyLine = isPairedPattern(options_.pattern) && line->index % 2 == 1;
    if (replyLine) {
      if (!lines_[line->index - 1]->started) continue;
    } else if (options_.waitForOpen) {
      if (!line->gate.ready(line->pty.readerState(), now)) continue;
      // A pair also waits for the reader of its replies: a reply sent before that port is open
      // and flushed would be lost to it.
      if (isPairedPattern(options_.pattern)) {
        Line& reply = *lines_[line->index + 1];
        if (!reply.gate.ready(reply.pty.readerState(), now)) continue;
      }
    }
    line->started = true;
    line->startedAt = now;
    line->sender.restartClock(now);
    say(line->setup.name + " starts sending");
  }
}

void Simulation::stepPair(std::size_t pairIndex, Clock::time_point now) {
  Pair& pair = pairs_[pairIndex];
  Line& request = *lines_[2 * pairIndex];
  Line& reply = *lines_[2 * pairIndex + 1];
  if (!request.started) return;
  switch (pair.phase) {
    case Pair::Phase::pause:
      if (now < pair.phaseEnd || request.finished) return;
      pair.current = pair.script.next();
      request.sender.queue(pair.current.request);
      request.sender.restartClock(now);
      pair.phase = Pair::Phase::request;
      return;
    case Pair::Phase::request:
      if (!request.sender.idle()) return;
      pair.phase = Pair::Phase::turnaround;
      pair.phaseEnd = now + kTurnaround;
      return;
    case Pair::Phase::turnaround:
      if (now < pair.phaseEnd) return;
      reply.sender.queue(pair.current.reply);
      reply.sender.restartClock(now);
      pair.phase = Pair::Phase::reply;
      return;
    case Pair::Phase::reply:
      if (!reply.sender.idle() && !reply.finished) return;
      pair.phase = Pair::Phase::pause;
      pair.phaseEnd = now + options_.pause;
      return;
  }
}

bool Simulation::pumpLine(Line& line, Clock::time_point now) {
  const auto result = line.sender.pump(now, line.stream.get());
  if (result == LineSender::Result::failed) {
    say(line.setup.name + ": write failed; the line stops");
    line.finished = true;
    failed_ = true;
  }
  return result != LineSender::Result::stalled;
}

void Simulation::checkLimits(Line& line, Clock::time_point now) {
  if (line.sender.limitReached()) line.finished = true;
  if (options_.timeLimit && now - line.startedAt >= *options_.timeLimit) line.finished = true;
  // A protocol pair ends with its request line, once the exchange in flight is over.
  if (isPairedPattern(options_.pattern) && line.index % 2 == 1) {
    const Line& request = *lines_[line.index - 1];
    const Pair& pair = pairs_[line.index / 2];
    if (request.finished && (pair.phase == Pair::Phase::pause || line.sender.idle())) {
      line.finished = true;
    }
  }
}

bool Simulation::allFinished() const {
  for (const auto& line : lines_) {
    if (!line->finished) return false;
  }
  return true;
}

void Simulation::sleepUntil(Clock::time_point wake, const std::vector<pollfd>& stalled) {
  const auto now = Clock::now();
  if (wake <= now) return;
  if (!stalled.empty()) {
    // A full queue: wake early as soon as a reader makes room.
    std::vector<pollfd> fds = stalled;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                           static_cast<long>(ns % 1'000'000'000)};
    if (ppoll(fds.data(), fds.size(), &timeout, nullptr) > 0) {
      for (const pollfd& p : fds) {
        if ((p.revents & POLLOUT) != 0) return;
      }
    }
  }
  // Only a hang-up (or nothing) woke us: sleep out the slice rather than spin.
  const auto target =
      std::chrono::duration_cast<std::chrono::nanoseconds>(wake.time_since_epoch()).count();
  const timespec at{static_cast<time_t>(target / 1'000'000'000),
                    static_cast<long>(target % 1'000'000'000)};
  while (!stopRequested() && clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) != 0) {
  }
}

void Simulation::drain() {
  const Clock::time_point deadline = Clock::now() + options_.drainTimeout;
  for (auto& line : lines_) {
    int emptyReadings = 0;
    while (!stopRequested() && Clock::now() < deadline) {
      if (line->pty.readerState() == ReaderState::absent) break;
      const auto queued = line->pty.queuedForReader();
      if (!queued) {
        // The port is held exclusively: give the reader a few polling periods instead.
        sleepUntil(Clock::now() + std::chrono::milliseconds(200), {});
        break;
      }
      emptyReadings = *queued == 0 ? emptyReadings + 1 : 0;
      if (emptyReadings == 2) break;
      line->pty.discardReaderOutput();
      sleepUntil(Clock::now() + kDrainRecheck, {});
    }
  }
}

}  // namespace

int runSimulator(const SimOptions& options, std::ostream& out, std::ostream& log) {
  Simulation simulation(options, out, log);
  return simulation.run();
}

}  // namespace linesim

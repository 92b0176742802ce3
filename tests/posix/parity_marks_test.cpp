// The error marks of the line discipline taken out of the bytes as read,
// with the bytes cut into pieces at every place a read may end.
#include "platform/posix/parity_marks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::posix::ParityMarkStripper;

// What arrives on the line, and how the line discipline hands it over.
struct Received {
  enum Kind { Intact, Damaged, Break } kind;
  std::uint8_t byte;
};

struct Stream {
  Bytes marked;    // as read from the device
  Bytes expected;  // as the capture must hold it
  std::uint64_t damaged = 0;
};

Stream markedStream(const std::vector<Received>& line) {
  Stream stream;
  for (const Received& r : line) {
    switch (r.kind) {
      case Received::Intact:
        stream.marked.push_back(r.byte);
        if (r.byte == 0xFF) stream.marked.push_back(0xFF);
        stream.expected.push_back(r.byte);
        break;
      case Received::Damaged:
        stream.marked.insert(stream.marked.end(), {0xFF, 0x00, r.byte});
        stream.expected.push_back(r.byte);
        ++stream.damaged;
        break;
      case Received::Break:
        stream.marked.insert(stream.marked.end(), {0xFF, 0x00, 0x00});
        stream.expected.push_back(0x00);
        ++stream.damaged;
        break;
    }
  }
  return stream;
}

// Strips the pieces one after the other, in place, as the backend does.
Bytes stripInPieces(ParityMarkStripper& stripper, const Bytes& marked,
                    const std::vector<std::size_t>& cuts) {
  Bytes result;
  std::size_t from = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(marked.size());
  for (std::size_t to : ends) {
    Bytes piece(marked.begin() + static_cast<long>(from), marked.begin() + static_cast<long>(to));
    const std::size_t out = stripper.strip(piece.data(), piece.size(), piece.data());
    EXPECT_LE(out, piece.size()) << "more out than in";
    result.insert(result.end(), piece.begin(), piece.begin() + static_cast<long>(out));
    from = to;
  }
  return result;
}

TEST(ParityMarks, EveryWayOfCuttingTheBytesGivesThemAsReceived) {
  const std::vector<std::vector<Received>> lines{
      {{Received::Intact, 'A'}, {Received::Damaged, 'B'}, {Received::Intact, 'C'}},
      {{Received::Intact, 0xFF}, {Received::Intact, 0xFF}, {Received::Intact, 0xFF}},
      {{Received::Intact, 0xFF}, {Received::Intact, 0x00}, {Received::Intact, 0x41}},
      {{Received::Break, 0}, {Received::Intact, 0x00}, {Received::Damaged, 0x00}},
      {{Received::Damaged, 0xFF}, {Received::Intact, 0xFF}, {Received::Damaged, 0x00}},
      {{Received::Intact, 0x00},
       {Received::Break, 0},
       {Received::Break, 0},
       {Received::Intact, 0xFF},
       {Received::Intact, 0xFE},
       {Received::Damaged, 0x7F},
       {Received::Intact, 0xFF},
       {Received::Intact, 0x00}},
  };
  for (const auto& line : lines) {
    const Stream stream = markedStream(line);
    const std::size_t n = stream.marked.size();
    for (std::size_t first = 0; first <= n; ++first) {
      for (std::size_t second = first; second <= n; ++second) {
        ParityMarkStripper stripper;
        EXPECT_EQ(stripInPieces(stripper, stream.marked, {first, second}), stream.expected)
            << "cut at " << first << " and " << second;
        EXPECT_EQ(stripper.markedBytes(), stream.damaged) << "cut at " << first << ", " << second;
      }
    }
    ParityMarkStripper byteByByte;
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < n; ++i) everyByte.push_back(i);
    EXPECT_EQ(stripInPieces(byteByByte, stream.marked, everyByte), stream.expected);
    EXPECT_EQ(byteByByte.markedBytes(), stream.damaged);
  }
}

TEST(ParityMarks, EveryByteValueIntactAndDamagedAcrossTheReadSize) {
  std::vector<Received> line;
  for (int value = 0; value < 256; ++value) {
    line.push_back({Received::Intact, static_cast<std::uint8_t>(value)});
    line.push_back({Received::Damaged, static_cast<std::uint8_t>(value)});
  }
  const Stream stream = markedStream(line);
  // Reads of 256 bytes, and of every size near it, as the backend reads.
  for (std::size_t readSize = 250; readSize <= 260; ++readSize) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = readSize; at < stream.marked.size(); at += readSize) cuts.push_back(at);
    ParityMarkStripper stripper;
    EXPECT_EQ(stripInPieces(stripper, stream.marked, cuts), stream.expected) << readSize;
    EXPECT_EQ(stripper.markedBytes(), 256u);
  }
}

TEST(ParityMarks, AMarkCutByAReopenIsForgotten) {
  ParityMarkStripper stripper;
  Bytes first{'a', 0xFF, 0x00};
  EXPECT_EQ(stripper.strip(first.data(), first.size(), first.data()), 1u);
  stripper.restart();
  Bytes second{'b', 'c'};
  EXPECT_EQ(stripper.strip(second.data(), second.size(), second.data()), 2u);
  EXPECT_EQ(second, (Bytes{'b', 'c'}));
  EXPECT_EQ(stripper.markedBytes(), 0u);
}

}  // namespace

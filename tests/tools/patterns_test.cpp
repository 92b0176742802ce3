#include "tools/line_simulator/patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/line_simulator/crc32.h"
#include "tools/line_simulator/protocol_pattern.h"

namespace {

using linesim::Pattern;
using Bytes = std::vector<std::uint8_t>;

const Pattern kAllPatterns[] = {Pattern::counter, Pattern::random, Pattern::protocol};

TEST(Crc32, MatchesTheStandardCheckValueWholeAndInPieces) {
  const std::string text = "123456789";
  const Bytes bytes(text.begin(), text.end());
  EXPECT_EQ(linesim::crc32Of(bytes), 0xCBF43926u);
  linesim::Crc32 pieces;
  pieces.update(std::span(bytes).first(4));
  pieces.update(std::span(bytes).subspan(4));
  EXPECT_EQ(pieces.value(), 0xCBF43926u);
  EXPECT_EQ(linesim::crc32Of({}), 0u);
}

TEST(CounterPattern, IsBigEndianWordsTaggedWithTheLine) {
  EXPECT_EQ(linesim::expectedStream(Pattern::counter, 99, 0, 12),
            (Bytes{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}));
  EXPECT_EQ(linesim::expectedStream(Pattern::counter, 99, 1, 8), (Bytes{1, 0, 0, 0, 1, 0, 0, 1}));
  // Word 0x1234 sits at offset 4 * 0x1234.
  const Bytes stream = linesim::expectedStream(Pattern::counter, 1, 0, 4 * 0x1235);
  EXPECT_EQ(Bytes(stream.end() - 4, stream.end()), (Bytes{0, 0, 0x12, 0x34}));
}

TEST(Patterns, AreDeterministicAndTheSameWhetherMadeWholeOrInPieces) {
  for (Pattern pattern : kAllPatterns) {
    SCOPED_TRACE(std::string(linesim::patternName(pattern)));
    const Bytes whole = linesim::expectedStream(pattern, 7, 0, 5000);
    EXPECT_EQ(whole, linesim::expectedStream(pattern, 7, 0, 5000));
    auto stream = linesim::makeLineStream(pattern, 7, 0);
    Bytes pieces(whole.size());
    std::size_t offset = 0;
    for (std::size_t step = 1; offset < pieces.size(); step = step % 13 + 1) {
      const std::size_t n = std::min(step, pieces.size() - offset);
      stream->fill(std::span(pieces).subspan(offset, n));
      offset += n;
    }
    EXPECT_EQ(pieces, whole);
  }
}

TEST(Patterns, EveryLineCarriesItsOwnBytes) {
  for (Pattern pattern : {Pattern::counter, Pattern::random}) {
    EXPECT_NE(linesim::expectedStream(pattern, 7, 0, 64),
              linesim::expectedStream(pattern, 7, 1, 64));
  }
  EXPECT_NE(linesim::expectedStream(Pattern::random, 7, 0, 64),
            linesim::expectedStream(Pattern::random, 8, 0, 64));
  EXPECT_NE(linesim::expectedStream(Pattern::protocol, 7, 0, 64),
            linesim::expectedStream(Pattern::protocol, 8, 0, 64));
}

TEST(RandomPattern, UsesTheWholeByteRange) {
  const Bytes bytes = linesim::expectedStream(Pattern::random, 1, 0, 65536);
  std::vector<int> seen(256);
  for (std::uint8_t b : bytes) ++seen[b];
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n > 150 && n < 380; }));
}

// A capture that lost, repeated or swapped one byte must not pass as the line's stream.
TEST(Patterns, ACheckFindsADroppedDuplicatedOrSwappedByte) {
  for (Pattern pattern : kAllPatterns) {
    SCOPED_TRACE(std::string(linesim::patternName(pattern)));
    const Bytes sent = linesim::expectedStream(pattern, 3, 1, 20000);
    EXPECT_FALSE(linesim::firstMismatch(pattern, 3, 1, sent).has_value());

    // Pick a spot where neighbouring bytes differ, so a swap changes the stream.
    std::size_t at = 9001;
    while (sent[at] == sent[at + 1]) ++at;

    Bytes dropped = sent;
    dropped.erase(dropped.begin() + static_cast<std::ptrdiff_t>(at));
    Bytes duplicated = sent;
    duplicated.insert(duplicated.begin() + static_cast<std::ptrdiff_t>(at), sent[at]);
    duplicated.pop_back();
    Bytes swapped = sent;
    std::swap(swapped[at], swapped[at + 1]);

    for (const Bytes* faulty : {&dropped, &duplicated, &swapped}) {
      const auto mismatch = linesim::firstMismatch(pattern, 3, 1, *faulty);
      ASSERT_TRUE(mismatch.has_value());
      EXPECT_GE(*mismatch, at);  // found at the fault, not elsewhere
      EXPECT_LE(*mismatch, at + 1);
    }
    // Data filed under the other line of the pair is caught at once.
    const auto otherLine = linesim::firstMismatch(pattern, 3, 0, sent);
    ASSERT_TRUE(otherLine.has_value());
    EXPECT_LT(*otherLine, 8u);
  }
}

TEST(ProtocolPattern, FrameChecksumMatchesAKnownFrame) {
  const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
  EXPECT_EQ(linesim::frameCrc16(frame), 0xCDC5);  // sent as C5 CD
}

bool isText(const Bytes& frame) {
  return std::all_of(frame.begin(), frame.end(),
                     [](std::uint8_t b) { return b == '\r' || b == '\n' || (b >= 32 && b < 127); });
}

TEST(ProtocolPattern, AlternatesReadableCommandsAndChecksummedBinaryFrames) {
  linesim::ProtocolScript script(5, 0);
  int text = 0;
  int binary = 0;
  for (int i = 0; i < 60; ++i) {
    const linesim::Exchange e = script.next();
    ASSERT_FALSE(e.request.empty());
    ASSERT_FALSE(e.reply.empty());
    if (isText(e.request)) {
      ++text;
      const std::string request(e.request.begin(), e.request.end());
      const std::string reply(e.reply.begin(), e.reply.end());
      EXPECT_TRUE(request.starts_with("AT+")) << request;
      EXPECT_TRUE(request.ends_with("\r\n"));
      EXPECT_TRUE(reply.ends_with("OK\r\n") || reply == "ERROR\r\n") << reply;
    } else {
      ++binary;
      // A frame followed by its own CRC checks to zero; the reply echoes address and function.
      EXPECT_EQ(linesim::frameCrc16(e.request), 0);
      EXPECT_EQ(linesim::frameCrc16(e.reply), 0);
      EXPECT_EQ(e.reply[0], e.request[0]);
      EXPECT_EQ(e.reply[1], 0x03);
      EXPECT_EQ(e.reply[2], 2 * e.request[5]);
      EXPECT_EQ(e.reply.size(), 5u + e.reply[2]);
    }
  }
  EXPECT_EQ(text, 40);
  EXPECT_EQ(binary, 20);
}

TEST(ProtocolPattern, SideStreamsAreTheRequestsAndTheRepliesInOrder) {
  linesim::ProtocolScript script(11, 1);
  Bytes requests;
  Bytes replies;
  for (int i = 0; i < 10; ++i) {
    const linesim::Exchange e = script.next();
    requests.insert(requests.end(), e.request.begin(), e.request.end());
    replies.insert(replies.end(), e.reply.begin(), e.reply.end());
  }
  EXPECT_EQ(linesim::expectedStream(Pattern::protocol, 11, 2, requests.size()), requests);
  EXPECT_EQ(linesim::expectedStream(Pattern::protocol, 11, 3, replies.size()), replies);
}

}  // namespace

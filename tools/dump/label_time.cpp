#include "tools/dump/label_time.h"

#include "tools/dump/capture_record_reader.h"

namespace capture_text {

std::optional<std::int64_t> pollOfLabel(const std::uint8_t* label) {
  std::int64_t poll = 0;
  std::size_t at = 0;
  while (at < kLabelBytes && label[at] >= '0' && label[at] <= '9') {
    poll = poll * 10 + (label[at] - '0');
    ++at;
  }
  if (at == 0) return std::nullopt;
  return poll;
}

}  // namespace capture_text

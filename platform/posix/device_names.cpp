#include "platform/posix/device_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>

namespace platform::posix {
namespace {

bool hasParentPart(std::string_view name) {
  std::size_t pos = 0;
  while (pos <= name.size()) {
    std::size_t end = name.find('/', pos);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(pos, end - pos) == "..") return true;
    pos = end + 1;
  }
  return false;
}

// The n of "COMn" when the name has that form with n >= 1.
bool comPortNumber(std::string_view name, std::uint32_t& number) {
  if (name.size() < 4 || name.size() > 12) return false;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return false;
  std::uint64_t value = 0;
  for (char c : name.substr(3)) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value < 1 || value > 0xFFFFFFFFu) return false;
  number = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

std::string_view stripDevicePrefix(std::string_view name) {
  if (name.starts_with("//./") || name.starts_with("\\\\.\\")) name.remove_prefix(4);
  return name;
}

std::optional<ResolvedName> resolveDeviceName(std::string_view name,
                                              const std::string& portsFolder) {
  if (name.empty() || name.front() == '/' || hasParentPart(name)) return std::nullopt;
  const std::string entry = portsFolder + "/" + std::string(name);
  struct stat info {};
  if (lstat(entry.c_str(), &info) == 0) return ResolvedName{entry, NameRule::kPortsFolderLink};
  std::uint32_t number = 0;
  if (comPortNumber(name, number)) {
    return ResolvedName{"/dev/ttyS" + std::to_string(number - 1), NameRule::kComNumber};
  }
  return ResolvedName{"/dev/" + std::string(name), NameRule::kDevFolder};
}

std::string resolveDevicePath(std::string_view name, const std::string& portsFolder) {
  const auto resolved = resolveDeviceName(name, portsFolder);
  return resolved ? resolved->path : std::string();
}

std::string deviceShownFor(const ResolvedName& resolved) {
  if (resolved.rule != NameRule::kPortsFolderLink) return resolved.path;
  char target[PATH_MAX];
  const ssize_t length = readlink(resolved.path.c_str(), target, sizeof target - 1);
  if (length <= 0) return resolved.path;
  std::string shown(target, static_cast<std::size_t>(length));
  if (shown.front() != '/') {
    shown = resolved.path.substr(0, resolved.path.rfind('/') + 1) + shown;
  }
  return shown;
}

std::string describeResolution(std::string_view name, const ResolvedName& resolved,
                               const std::string& portsFolder) {
  std::string text = std::string(name) + " -> " + deviceShownFor(resolved);
  switch (resolved.rule) {
    case NameRule::kPortsFolderLink:
      return text + " (link in " + portsFolder + ")";
    case NameRule::kComNumber:
      return text + " (COMn rule)";
    case NameRule::kDevFolder:
      break;
  }
  return text;
}

}  // namespace platform::posix

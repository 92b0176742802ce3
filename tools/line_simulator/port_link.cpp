#include "tools/line_simulator/port_link.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace linesim {
namespace fs = std::filesystem;

namespace {

std::runtime_error linkError(const fs::path& path, const std::string& why) {
  return std::runtime_error(path.string() + ": " + why);
}

}  // namespace

PortLink::PortLink(const fs::path& dir, const std::string& name, const std::string& target,
                   bool replace)
    : path_(dir / name), target_(target) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw linkError(dir, ec.message());
  if (symlink(target.c_str(), path_.c_str()) == 0) {
    linked_ = true;
    return;
  }
  if (errno != EEXIST) throw linkError(path_, std::strerror(errno));

  const auto status = fs::symlink_status(path_, ec);
  if (ec || !fs::is_symlink(status)) {
    throw linkError(path_, "exists and is not a link; it is left as it is");
  }
  const bool stale = !fs::exists(path_, ec);
  if (!stale && !replace) {
    throw linkError(path_, "already links to " + fs::read_symlink(path_, ec).string() +
                               " (--replace takes it over)");
  }
  // Swap the new link in with one rename, so the name never goes missing for a reader.
  const fs::path temporary = dir / ("." + name + ".linesim." + std::to_string(getpid()));
  fs::remove(temporary, ec);
  if (symlink(target.c_str(), temporary.c_str()) != 0 ||
      std::rename(temporary.c_str(), path_.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    fs::remove(temporary, ec);
    throw linkError(path_, why);
  }
  linked_ = true;
}

PortLink::~PortLink() { remove(); }

void PortLink::remove() {
  if (!linked_) return;
  linked_ = false;
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec) == target_) {
    fs::remove(path_, ec);
  }
}

}  // namespace linesim

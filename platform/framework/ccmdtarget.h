// Command targets and their command maps. A command goes to the first target
// in the routing chain whose map has an entry for its id.
#pragma once

#include <span>

#include "platform/framework/wintypes.h"

class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // Handles the command if this target (or, for routing targets, one it
  // routes to) has an entry for it; returns TRUE when handled.
  virtual BOOL OnCmdMsg(UINT id);
};

// One entry of a command map: the id and the member that handles it.
template <class Target>
struct CommandMapEntry {
  UINT id;
  void (Target::*handler)();
};

template <class Target>
BOOL dispatchCommandMap(Target& target, std::span<const CommandMapEntry<Target>> map, UINT id) {
  for (const auto& entry : map) {
    if (entry.id == id) {
      (target.*entry.handler)();
      return TRUE;
    }
  }
  return FALSE;
}

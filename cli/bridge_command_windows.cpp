// kestrin-cli bridge on Windows: browsers there find a native messaging host through the
// registry, which this build does not write yet; it says so instead of half working.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"

namespace kestrin::cli {

int BridgeCommand(const std::vector<std::string>&) {
  WriteProblem("the browser bridge is not in this Windows build");
  return kExitFailure;
}

}  // namespace kestrin::cli

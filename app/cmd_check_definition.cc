// Placeholder until this command is written.
#include "app/commands.h"

namespace app {

int RunCheckDefinition(const Args&) { return UsageError("this command is not available yet"); }

}  // namespace app

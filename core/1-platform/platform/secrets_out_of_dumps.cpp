#include "platform/secrets_out_of_dumps.h"

#include <sys/prctl.h>

namespace kestrin {

void KeepSecretsOutOfDumps() {
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace kestrin

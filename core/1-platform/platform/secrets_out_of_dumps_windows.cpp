#include <windows.h>

#include "platform/secrets_out_of_dumps.h"

namespace kestrin {

void KeepSecretsOutOfDumps() {
  SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
}

}  // namespace kestrin

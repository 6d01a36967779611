#include "platform/single_instance.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace kestrin {

// A named mutex in the session's namespace: the system releases it with the process.
SingleInstanceLock::SingleInstanceLock(const std::string& programName) {
  handle_ = CreateMutexW(nullptr, TRUE, (L"Local\\" + WideFromUtf8(programName)).c_str());
  if (handle_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    heldElsewhere_ = true;
    CloseHandle(handle_);
    handle_ = nullptr;
  }
}

SingleInstanceLock::~SingleInstanceLock() {
  if (handle_ != nullptr) {
    CloseHandle(handle_);
  }
}

}  // namespace kestrin

#include "platform/open_with_default.h"

// windows.h comes first: the other system headers need its types.
#include <windows.h>

#include <shellapi.h>

#include "platform/native_path.h"

namespace kestrin {

bool OpenWithDefaultProgram(const std::string& path) {
  const HINSTANCE done =
      ShellExecuteW(nullptr, L"open", NativePath(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 mean success.
  return reinterpret_cast<INT_PTR>(done) > 32;
}

}  // namespace kestrin

#include "settings/startup_entry.h"

#include <windows.h>

#include "platform/native_path.h"
#include "platform/wide_text.h"

namespace kestrin {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

std::string StartupEntryPath(const std::string& programName) {
  return "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" + programName;
}

void UpdateStartupEntry(bool startWithLogon, const std::string& programName,
                        const std::string& executablePath) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring name = WideFromUtf8(programName);
  if (!startWithLogon) {
    RegDeleteValueW(key, name.c_str());
  } else if (!executablePath.empty()) {
    // Quoted: unquoted, a path with a blank ("C:\Program Files\...") would start
    // "C:\Program.exe" if there were one.
    const std::wstring data = L"\"" + NativePath(executablePath).make_preferred().wstring() + L"\"";
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  // Failures are ignored, as the header says: the program runs as well without the entry.
  RegCloseKey(key);
}

}  // namespace kestrin

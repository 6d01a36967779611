#pragma once

#include "win32/windows_api.h"

#include <string>

#include "sync/run_display.h"

namespace kestrin::win32 {

// The notification-area icon of a window: its picture and tooltip follow the runs, and
// its mouse events and balloon clicks reach the window as `callbackMessage`, with the
// mouse message (or NIN_BALLOONUSERCLICK) in lParam.
class TrayIcon {
 public:
  static constexpr std::size_t kTooltipLimit = 63;

  TrayIcon(HWND window, UINT callbackMessage);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Changes picture and tooltip, adding the icon the first time; a longer tooltip is cut.
  void SetState(StatusImage image, const std::string& tooltip);
  // After Explorer restarted, its new notification area knows no icon: adds it again.
  void AddAgain();
  // A balloon message from the icon; `offersUndo` is remembered for its click.
  void Notify(const std::string& text, bool failure, bool offersUndo);
  bool balloonOffersUndo() const { return balloonOffersUndo_; }
  void Remove();

  // The message Explorer broadcasts when it starts (again).
  static UINT TaskbarCreatedMessage();

 private:
  void Send(DWORD command);

  NOTIFYICONDATAW data_{};
  bool added_ = false;
  bool balloonOffersUndo_ = false;
};

// A text as a field of the icon's record holds it: at most `limit` characters, never cut
// inside a pair of UTF-16 surrogates.
std::wstring CutText(const std::string& utf8, std::size_t limit);

// The status pictures at the small-icon size of a DPI; loaded once per size.
HICON StatusIcon(StatusImage image, UINT dpi);

}  // namespace kestrin::win32

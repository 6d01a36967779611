#include "win32/tray_icon.h"

#include <algorithm>
#include <map>

#include "platform/program_folder.h"
#include "platform/wide_text.h"
#include "win32/resources.h"

namespace kestrin::win32 {

namespace {

template <std::size_t N>
void CopyCut(wchar_t (&field)[N], const std::string& utf8, std::size_t limit) {
  const std::wstring text = CutText(utf8, std::min(limit, N - 1));
  std::copy(text.begin(), text.end(), field);
  field[text.size()] = L'\0';
}

int ResourceOf(StatusImage image) {
  switch (image) {
    case StatusImage::Working:
      return IDI_STATUS_WORKING;
    case StatusImage::Error:
      return IDI_STATUS_ERROR;
    case StatusImage::Ready:
      break;
  }
  return IDI_STATUS_READY;
}

}  // namespace

std::wstring CutText(const std::string& utf8, std::size_t limit) {
  std::wstring text = WideFromUtf8(utf8);
  if (text.size() > limit) {
    text.resize(limit > 0 && IS_HIGH_SURROGATE(text[limit - 1]) ? limit - 1 : limit);
  }
  return text;
}

HICON StatusIcon(StatusImage image, UINT dpi) {
  static std::map<std::pair<StatusImage, UINT>, HICON> loaded;
  HICON& icon = loaded[{image, dpi}];
  if (!icon) {
    const int size = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
    icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(ResourceOf(image)), IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR));
  }
  return icon;
}

TrayIcon::TrayIcon(HWND window, UINT callbackMessage) {
  data_.cbSize = sizeof data_;
  data_.hWnd = window;
  data_.uID = 1;
  data_.uCallbackMessage = callbackMessage;
}

TrayIcon::~TrayIcon() {
  Remove();
}

UINT TrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void TrayIcon::Send(DWORD command) {
  Shell_NotifyIconW(command, &data_);
}

void TrayIcon::SetState(StatusImage image, const std::string& tooltip) {
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.hIcon = StatusIcon(image, GetDpiForWindow(data_.hWnd));
  CopyCut(data_.szTip, tooltip, kTooltipLimit);
  Send(added_ ? NIM_MODIFY : NIM_ADD);
  added_ = true;
}

void TrayIcon::AddAgain() {
  if (added_) {
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Send(NIM_ADD);
  }
}

void TrayIcon::Notify(const std::string& text, bool failure, bool offersUndo) {
  balloonOffersUndo_ = offersUndo;
  data_.uFlags = NIF_INFO;
  CopyCut(data_.szInfo, text, std::size(data_.szInfo) - 1);
  CopyCut(data_.szInfoTitle, kApplicationTitle, std::size(data_.szInfoTitle) - 1);
  data_.dwInfoFlags = failure ? NIIF_ERROR : NIIF_INFO;
  Send(NIM_MODIFY);
}

void TrayIcon::Remove() {
  if (added_) {
    data_.uFlags = 0;
    Send(NIM_DELETE);
    added_ = false;
  }
}

}  // namespace kestrin::win32

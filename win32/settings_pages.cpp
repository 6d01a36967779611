#include "win32/settings_pages.h"

#include <algorithm>
#include <vector>

#include "win32/control_ids.h"

namespace kestrin::win32 {

namespace {

enum class Kind { Edit, Password, Check, DropDown, Label, Hint, Slider };

// A control of a row. Width in dialog units; kFit sizes a label to its text, kFill takes
// the rest of the row.
constexpr int kFit = 0;
constexpr int kFill = -1;
struct Cell {
  int id;
  Kind kind;
  const wchar_t* text;
  int width;
};

struct Row {
  int captionId;
  const wchar_t* caption;
  std::vector<Cell> cells;
  int gapAbove = 0;
};

// Design in dialog units: the first row 10 below the page's top, a row every 15, the
// controls' column 85 from the page's left edge or wider where a caption needs it.
constexpr int kFirstRow = 10;
constexpr int kRowPitch = 15;
constexpr int kCaptionLeft = 3;
constexpr int kControlColumn = 85;
constexpr int kCellGap = 3;
constexpr int kRightMargin = 5;
constexpr int kFieldHeight = 12;
constexpr int kCheckWidth = 10;

const std::vector<Row>& PageRows(int index) {
  static const std::vector<Row> general = {
      {kCaptionIds + 0, L"Computer &Name:", {{txtName, Kind::Edit, L"", kFill}}},
      {kCaptionIds + 1,
       L"S&tartup with Windows:",
       {{chkStartWithWin, Kind::Check, L"", kCheckWidth}}},
      {lblSyncStartupFlag,
       L"Sync on Start&up:",
       {{chkSyncOnStartup, Kind::Check, L"", kCheckWidth}}},
      {kCaptionIds + 2,
       L"Sync when Favorites c&hange:",
       {{chkSyncOnChange, Kind::Check, L"", kCheckWidth}}},
      {kCaptionIds + 3, L"&Confirm Changes:", {{chkConfirm, Kind::Check, L"", kCheckWidth}}},
      {lblScheduleSyncFlag,
       L"Sche&dule Sync:",
       {{chkSchedule, Kind::Check, L"", kCheckWidth},
        {lblSchedule, Kind::Label, L"E&very:", kFit},
        {cmbSchedule, Kind::DropDown, L"", 50}}},
      {kCaptionIds + 4,
       L"Use &Encryption:",
       {{chkEncrypt, Kind::Check, L"", kCheckWidth},
        {lblEncryptHint, Kind::Hint, L"(Must be used by all clients)", kFill}},
       5},
      {kCaptionIds + 5,
       L"Pass&phrase:",
       {{txtPassphrase, Kind::Password, L"", 60}, {lblEncryptMode, Kind::Hint, L"", kFill}}},
      {kCaptionIds + 6,
       L"Log &Activity:",
       {{chkLogAct, Kind::Check, L"", kCheckWidth},
        {lblLogAct, Kind::Label, L"Pu&rge:", kFit},
        {sldLogAct, Kind::Slider, L"", 50},
        {txtLogAct, Kind::Edit, L"", 24},
        {lblLogActKb, Kind::Label, L"kb", kFit}}},
  };
  static const std::vector<Row> ftp = {
      {kCaptionIds + 10,
       L"Pro&tocol:",
       {{cmbProtocol, Kind::DropDown, L"", 90}, {lblProtocolWarning, Kind::Hint, L"", kFill}}},
      {kCaptionIds + 11, L"H&ost/IP Address:", {{txtServer, Kind::Edit, L"", kFill}}},
      {kCaptionIds + 12, L"&Username:", {{txtUsername, Kind::Edit, L"", kFill}}},
      {kCaptionIds + 13, L"&Password:", {{txtPassword, Kind::Password, L"", kFill}}},
      {kCaptionIds + 14, L"Po&rt Number:", {{txtPort, Kind::Edit, L"", 35}}},
      {kCaptionIds + 15, L"Passi&ve Mode:", {{chkPassive, Kind::Check, L"", kCheckWidth}}},
      {kCaptionIds + 16, L"Remote &Directory:", {{txtRemDir, Kind::Edit, L"", kFill}}},
  };
  return index == 0 ? general : ftp;
}

struct Look {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

Look LookOf(Kind kind) {
  constexpr DWORD kField = WS_TABSTOP | ES_AUTOHSCROLL;
  switch (kind) {
    case Kind::Edit:
      return {WC_EDITW, kField, WS_EX_CLIENTEDGE};
    case Kind::Password:
      return {WC_EDITW, kField | ES_PASSWORD, WS_EX_CLIENTEDGE};
    case Kind::Check:
      return {WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case Kind::DropDown:
      return {WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case Kind::Slider:
      return {TRACKBAR_CLASSW, WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0};
    case Kind::Label:
    case Kind::Hint:
      return {WC_STATICW, SS_LEFT | SS_NOTIFY, 0};
  }
  return {};
}

// Rows below the row's top, in dialog units, that centre each kind on the field's line.
int DropOf(Kind kind) {
  switch (kind) {
    case Kind::Check:
      return 1;
    case Kind::Label:
    case Kind::Hint:
      return 2;
    default:
      return 0;
  }
}

int HeightOf(Kind kind) {
  switch (kind) {
    case Kind::Check:
      return 10;
    case Kind::Label:
    case Kind::Hint:
      return 8;
    case Kind::DropDown:
      return 120;  // with its open list
    default:
      return kFieldHeight;
  }
}

void Create(HWND page, int id, const Look& look, const wchar_t* text) {
  CreateWindowExW(look.exStyle, look.windowClass, text, WS_CHILD | WS_VISIBLE | look.style, 0, 0, 0,
                  0, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                  GetModuleHandleW(nullptr), nullptr);
}

int RowTop(const std::vector<Row>& rows, std::size_t index) {
  int top = kFirstRow;
  for (std::size_t i = 0; i <= index; ++i) {
    top += rows[i].gapAbove + (i > 0 ? kRowPitch : 0);
  }
  return top;
}

// Where the controls' column starts: 85 dialog units in, or after the widest caption.
int ControlColumn(const std::vector<Row>& rows, const DialogUnits& units) {
  int column = units.X(kControlColumn);
  for (const Row& row : rows) {
    column = std::max(column, units.X(kCaptionLeft + kCellGap) + units.TextWidth(row.caption));
  }
  return column;
}

// A cell's width in pixels; one that fills the row takes at least its text's width, or
// room for a few words.
int CellWidth(const Cell& cell, const DialogUnits& units) {
  constexpr int kFillAtLeast = 80;
  if (cell.width > 0) {
    return units.X(cell.width);
  }
  const int text = units.TextWidth(cell.text) + units.X(1);
  return cell.width == kFit || cell.kind == Kind::Hint ? text : units.X(kFillAtLeast);
}

}  // namespace

void CreateSettingsPage(int index, HWND page) {
  for (const Row& row : PageRows(index)) {
    Create(page, row.captionId, LookOf(Kind::Label), row.caption);
    for (const Cell& cell : row.cells) {
      Create(page, cell.id, LookOf(cell.kind), cell.text);
    }
  }
}

void LayOutSettingsPage(int index, HWND page, const DialogUnits& units) {
  const std::vector<Row>& rows = PageRows(index);
  const int column = ControlColumn(rows, units);
  RECT area{};
  GetClientRect(page, &area);
  const int right = area.right - units.X(kRightMargin);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    const int top = units.Y(RowTop(rows, i));
    const auto place = [&](int id, Kind kind, int left, int width) {
      MoveWindow(GetDlgItem(page, id), left, top + units.Y(DropOf(kind)), std::max(width, 0),
                 units.Y(HeightOf(kind)), TRUE);
    };
    place(row.captionId, Kind::Label, units.X(kCaptionLeft), column - units.X(kCaptionLeft));
    int left = column;
    for (const Cell& cell : row.cells) {
      const int width = cell.width == kFill ? right - left : CellWidth(cell, units);
      place(cell.id, cell.kind, left, width);
      left += width + units.X(kCellGap);
    }
  }
}

int SettingsPagesWidth(const DialogUnits& units) {
  int width = 0;
  for (int index = 0; index < kSettingsPages; ++index) {
    const std::vector<Row>& rows = PageRows(index);
    const int column = ControlColumn(rows, units);
    for (const Row& row : rows) {
      int right = column;
      for (const Cell& cell : row.cells) {
        right += CellWidth(cell, units) + units.X(kCellGap);
      }
      width = std::max(width, right - units.X(kCellGap) + units.X(kRightMargin));
    }
  }
  return width;
}

int SettingsPagesHeight() {
  int height = 0;
  for (int index = 0; index < kSettingsPages; ++index) {
    const std::vector<Row>& rows = PageRows(index);
    height = std::max(height, RowTop(rows, rows.size() - 1) + kFieldHeight + kFirstRow / 2);
  }
  return height;
}

}  // namespace kestrin::win32

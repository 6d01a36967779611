#include "ui/main_window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/control_colors.h"
#include "ui/dpi_scale.h"

namespace kestrin::ui {

namespace {

// Design sizes in pixels at 96 dpi.
constexpr int kClientWidth = 337;
constexpr int kClientHeight = 291;
constexpr int kStatusBarHeight = 20;
constexpr int kMargin = 8;
constexpr int kTabStripHeight = 222;
constexpr int kButtonTop = 238;
constexpr int kButtonWidth = 81;
constexpr int kButtonHeight = 25;
constexpr int kLabelLeft = 4;
constexpr int kLabelWidth = 124;
constexpr int kControlLeft = 128;
constexpr int kTextWidth = 180;
constexpr int kTextHeight = 20;
constexpr int kCheckWidth = 18;
constexpr int kBesideCheck = kControlLeft + 22;

// Places the controls of one settings page: labels in the left column, controls at their
// design positions.
class PagePlacer {
 public:
  PagePlacer(QWidget* page, const DpiScale& scale) : page_(page), scale_(scale) {}

  template <typename Control>
  Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setParent(page_);
    control->setObjectName(name);
    control->setGeometry(scale_.Px(left), scale_.Px(top), scale_.Px(width), scale_.Px(height));
    return control;
  }

  // The row's label, vertically centred on a text box of the same row.
  QLabel* Label(const char* text, int rowTop, const char* name = "") {
    return Place(new QLabel(text), name, kLabelLeft, rowTop, kLabelWidth, kTextHeight);
  }

  QLineEdit* Text(const char* name, int rowTop, int width = kTextWidth) {
    return Place(new QLineEdit, name, kControlLeft, rowTop, width, kTextHeight);
  }

  QCheckBox* Check(const char* name, int rowTop) {
    return Place(new QCheckBox, name, kControlLeft, rowTop, kCheckWidth, kTextHeight);
  }

 private:
  QWidget* page_;
  const DpiScale& scale_;
};

QWidget* NewPage(QTabWidget* tabs, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  tabs->addTab(page, caption);
  return page;
}

void BuildGeneralPage(MainWindowControls& c, QWidget* page, const DpiScale& scale) {
  PagePlacer p(page, scale);
  p.Label("Computer Name:", 16);
  c.txtName = p.Text("txtName", 16);
  p.Label("Startup with Windows:", 40);
  c.chkStartWithWin = p.Check("chkStartWithWin", 40);
  c.lblSyncStartupFlag = p.Label("Sync on Startup:", 64, "lblSyncStartupFlag");
  c.chkSyncOnStartup = p.Check("chkSyncOnStartup", 64);
  p.Label("Confirm Changes:", 88);
  c.chkConfirm = p.Check("chkConfirm", 88);

  c.lblScheduleSyncFlag = p.Label("Schedule Sync:", 112, "lblScheduleSyncFlag");
  c.chkSchedule = p.Check("chkSchedule", 112);
  c.lblSchedule = p.Place(new QLabel("Every:"), "lblSchedule", kBesideCheck, 112, 36, kTextHeight);
  c.cmbSchedule = p.Place(new QComboBox, "cmbSchedule", 188, 112, 80, kTextHeight + 1);
  c.lblSchedule->setEnabled(false);
  c.cmbSchedule->setEnabled(false);
  SetFieldBackground(c.cmbSchedule, FieldBackground::ButtonFace);

  p.Label("Use Encryption:", 144);
  c.chkEncrypt = p.Check("chkEncrypt", 144);
  auto* hint = p.Place(new QLabel("(Must be used by all clients)"), "lblEncryptHint", kBesideCheck,
                       144, 160, kTextHeight);
  QFont italic = hint->font();
  italic.setItalic(true);
  hint->setFont(italic);

  p.Label("Log Activity:", 168);
  c.chkLogAct = p.Check("chkLogAct", 168);
  c.lblLogAct = p.Place(new QLabel("Purge:"), "lblLogAct", kBesideCheck, 168, 36, kTextHeight);
  c.sldLogAct = p.Place(new QSlider(Qt::Horizontal), "sldLogAct", 188, 168, 74, kTextHeight);
  c.sldLogAct->setRange(10, 1000);
  c.sldLogAct->setSingleStep(1);
  c.sldLogAct->setPageStep(10);
  c.txtLogAct = p.Place(new QLineEdit, "txtLogAct", 264, 168, 34, kTextHeight);
  c.lblLogActKb = p.Place(new QLabel("kb"), "lblLogActKb", 300, 168, 14, kTextHeight);
  for (QWidget* purge :
       {static_cast<QWidget*>(c.lblLogAct), static_cast<QWidget*>(c.sldLogAct),
        static_cast<QWidget*>(c.txtLogAct), static_cast<QWidget*>(c.lblLogActKb)}) {
    purge->setEnabled(false);
  }
  SetFieldBackground(c.txtLogAct, FieldBackground::ButtonFace);
}

void BuildFtpPage(MainWindowControls& c, QWidget* page, const DpiScale& scale) {
  PagePlacer p(page, scale);
  p.Label("Host/IP Address:", 16);
  c.txtServer = p.Text("txtServer", 16);
  p.Label("Username:", 40);
  c.txtUsername = p.Text("txtUsername", 40);
  p.Label("Password:", 64);
  c.txtPassword = p.Text("txtPassword", 64);
  c.txtPassword->setEchoMode(QLineEdit::Password);
  p.Label("Port Number:", 88);
  c.txtPort = p.Text("txtPort", 88, 48);
  p.Label("Passive Mode:", 112);
  c.chkPassive = p.Check("chkPassive", 112);
  p.Label("Remote Directory:", 136);
  c.txtRemDir = p.Text("txtRemDir", 136);
}

void BuildActivityPage(MainWindowControls& c, QWidget* page, const DpiScale& scale) {
  c.txtActivity = new QPlainTextEdit(page);
  c.txtActivity->setObjectName("txtActivity");
  c.txtActivity->setReadOnly(true);
  c.txtActivity->setLineWrapMode(QPlainTextEdit::NoWrap);
  c.txtActivity->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.txtActivity->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* fill = new QVBoxLayout(page);
  const int inset = scale.Px(4);
  fill->setContentsMargins(inset, inset, inset, inset);
  fill->addWidget(c.txtActivity);
}

QAction* Item(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

void BuildMenus(MainWindowControls& c, QMainWindow& window) {
  QMenu* file = window.menuBar()->addMenu("File");
  file->setObjectName("mnuFile");
  c.mnuFile_Sync = Item(file, "mnuFile_Sync", "Sync Now!");
  c.mnuFile_Hide = Item(file, "mnuFile_Hide", "Hide");
  c.mnuFile_ViewLog = Item(file, "mnuFile_ViewLog", "View Log");
  file->addSeparator();
  c.mnuFile_Exit = Item(file, "mnuFile_Exit", "Exit");

  QMenu* help = window.menuBar()->addMenu("Help");
  help->setObjectName("mnuHelp");
  c.mnuHelp_Help = Item(help, "mnuHelp_Help", "Help");
  c.mnuHelp_About = Item(help, "mnuHelp_About", "About");

  c.mnuTRAY = new QMenu(&window);
  c.mnuTRAY->setObjectName("mnuTRAY");
  c.mnuTRAY_Sync = Item(c.mnuTRAY, "mnuTRAY_Sync", "Sync Now!");
  c.mnuTRAY_Show = Item(c.mnuTRAY, "mnuTRAY_Show", "Show");
  c.mnuTRAY_ViewLog = Item(c.mnuTRAY, "mnuTRAY_ViewLog", "View Log");
  c.mnuTRAY->addSeparator();
  c.mnuTRAY_Help = Item(c.mnuTRAY, "mnuTRAY_Help", "Help");
  c.mnuTRAY_About = Item(c.mnuTRAY, "mnuTRAY_About", "About");
  c.mnuTRAY->addSeparator();
  c.mnuTRAY_Exit = Item(c.mnuTRAY, "mnuTRAY_Exit", "Exit");
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, int left,
                    const DpiScale& scale) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(scale.Px(left), scale.Px(kButtonTop), scale.Px(kButtonWidth),
                      scale.Px(kButtonHeight));
  return button;
}

}  // namespace

MainWindowControls BuildMainWindowControls(QMainWindow& window, const DpiScale& scale) {
  MainWindowControls c{};
  window.setFont(DesignFont());
  auto* client = new QWidget(&window);
  client->setFixedSize(scale.Px(kClientWidth), scale.Px(kClientHeight - kStatusBarHeight));
  window.setCentralWidget(client);

  c.TabStrip1 = new QTabWidget(client);
  c.TabStrip1->setObjectName("TabStrip1");
  c.TabStrip1->setGeometry(scale.Px(kMargin), scale.Px(kMargin),
                           scale.Px(kClientWidth - 2 * kMargin), scale.Px(kTabStripHeight));
  c.fraMain = {NewPage(c.TabStrip1, "fraMain0", "General Settings"),
               NewPage(c.TabStrip1, "fraMain1", "FTP Settings"),
               NewPage(c.TabStrip1, "fraMain2", "Current Activity")};
  BuildGeneralPage(c, c.fraMain[0], scale);
  BuildFtpPage(c, c.fraMain[1], scale);
  BuildActivityPage(c, c.fraMain[2], scale);

  c.cmdSaveSettings = Button(client, "cmdSaveSettings", "Save", kMargin, scale);
  c.cmdSync = Button(client, "cmdSync", "Sync Now!", kClientWidth - kMargin - kButtonWidth, scale);

  QStatusBar* statusBar = window.statusBar();
  statusBar->setObjectName("StatusBar1");
  statusBar->setSizeGripEnabled(false);
  statusBar->setFixedHeight(scale.Px(kStatusBarHeight));
  c.statusPanel = new QLabel(statusBar);
  c.statusPanel->setObjectName("StatusBar1Panel1");
  // It shows text from the server and the settings file: never markup to be rendered.
  c.statusPanel->setTextFormat(Qt::PlainText);
  statusBar->addWidget(c.statusPanel, 1);

  BuildMenus(c, window);
  window.setFixedSize(window.sizeHint());
  return c;
}

}  // namespace kestrin::ui

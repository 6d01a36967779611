#include "ui/main_window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "desktop/tray_menu.h"
#include "ui/control_colors.h"
#include "ui/dpi_scale.h"
#include "ui/field_label.h"

namespace kestrin::ui {

namespace {

// Design sizes in pixels at 96 dpi, which the layouts keep at the default font and exceed
// where the user's font needs more room.
constexpr int kClientWidth = 337;
constexpr int kClientHeight = 291;
constexpr int kMargin = 8;
constexpr int kPageTop = 16;
constexpr int kLabelLeft = 4;
constexpr int kLabelColumn = 124;  // the controls start 128 pixels from the page's edge
constexpr int kRowGap = 4;
constexpr int kSectionGap = 8;  // above "Use Encryption", as designed
constexpr int kButtonWidth = 81;
constexpr int kBesideGap = 4;  // between a check box and what follows it

// Width for a number of average characters of the widget's own font, plus its frame.
int CharsWide(const QWidget* widget, int characters) {
  return widget->fontMetrics().averageCharWidth() * characters + 8;
}

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(name);
  return control;
}

// Builds the window's controls; its texts are the window's, to be translated.
class ControlsBuilder {
  Q_DECLARE_TR_FUNCTIONS(MainWindow)

 public:
  ControlsBuilder(MainWindowControls& c, const DpiScale& scale) : c_(c), scale_(scale) {}

  void Build(QMainWindow& window);

 private:
  // A settings page: captions in the left column, their controls in the right one.
  class Page {
   public:
    Page(QWidget* page, const DpiScale& scale)
        : grid_(new QGridLayout(page)), besideGap_(scale.Px(kBesideGap)) {
      grid_->setContentsMargins(scale.Px(kLabelLeft), scale.Px(kPageTop), scale.Px(kMargin),
                                scale.Px(kMargin));
      grid_->setVerticalSpacing(scale.Px(kRowGap));
      grid_->setColumnMinimumWidth(0, scale.Px(kLabelColumn) - grid_->horizontalSpacing());
      grid_->setColumnStretch(1, 1);
    }

    // One row: the caption leads to the first control; the others follow it in order.
    template <typename Field>
    Field* Row(const QString& caption, Field* field, std::initializer_list<QWidget*> beside = {},
               QLabel** captionLabel = nullptr) {
      auto* label = new FieldLabel(caption, field);
      if (captionLabel) {
        *captionLabel = label;
      }
      const int row = grid_->rowCount();
      grid_->addWidget(label, row, 0);
      auto* line = new QHBoxLayout;
      line->addWidget(field);
      if (beside.size() > 0) {
        line->addSpacing(besideGap_);
      }
      for (QWidget* control : beside) {
        line->addWidget(control);
      }
      if (beside.size() > 0 || qobject_cast<QCheckBox*>(field) ||
          field->maximumWidth() < QWIDGETSIZE_MAX) {
        line->addStretch();
      }
      grid_->addLayout(line, row, 1);
      return field;
    }

    void Gap(int pixels) { grid_->addItem(new QSpacerItem(0, pixels), grid_->rowCount(), 0); }
    void End() { grid_->setRowStretch(grid_->rowCount(), 1); }

   private:
    QGridLayout* grid_;
    int besideGap_;
  };

  QWidget* NewPage(const char* name, const QString& caption);
  void BuildGeneralPage(QWidget* page);
  void BuildFtpPage(QWidget* page);
  void BuildActivityPage(QWidget* page);
  void BuildMenus(QMainWindow& window);
  QWidget* BuildButtons();

  MainWindowControls& c_;
  const DpiScale& scale_;
};

QWidget* ControlsBuilder::NewPage(const char* name, const QString& caption) {
  auto* page = Named(new QWidget, name);
  c_.TabStrip1->addTab(page, caption);
  return page;
}

void ControlsBuilder::BuildGeneralPage(QWidget* page) {
  Page p(page, scale_);
  c_.txtName = p.Row(tr("Computer &Name:"), Named(new QLineEdit, "txtName"));
  c_.chkStartWithWin = p.Row(tr("Start at &Login:"), Named(new QCheckBox, "chkStartWithWin"));
  c_.chkSyncOnStartup = p.Row(tr("Sync on Start&up:"), Named(new QCheckBox, "chkSyncOnStartup"), {},
                              &c_.lblSyncStartupFlag);
  c_.lblSyncStartupFlag->setObjectName("lblSyncStartupFlag");
  c_.chkSyncOnChange =
      p.Row(tr("Sync when Favorites c&hange:"), Named(new QCheckBox, "chkSyncOnChange"));
  c_.chkConfirm = p.Row(tr("&Confirm Changes:"), Named(new QCheckBox, "chkConfirm"));

  c_.cmbSchedule = Named(new QComboBox, "cmbSchedule");
  c_.lblSchedule = Named(new FieldLabel(tr("E&very:"), c_.cmbSchedule), "lblSchedule");
  c_.chkSchedule = p.Row(tr("Sche&dule Sync:"), Named(new QCheckBox, "chkSchedule"),
                         {c_.lblSchedule, c_.cmbSchedule}, &c_.lblScheduleSyncFlag);
  c_.lblScheduleSyncFlag->setObjectName("lblScheduleSyncFlag");
  c_.cmbSchedule->setMinimumWidth(scale_.Px(80));
  c_.lblSchedule->setEnabled(false);
  c_.cmbSchedule->setEnabled(false);
  SetFieldBackground(c_.cmbSchedule, FieldBackground::ButtonFace);

  p.Gap(scale_.Px(kSectionGap));
  auto* hint = Named(new QLabel(tr("(Must be used by all clients)")), "lblEncryptHint");
  QFont italic = hint->font();
  italic.setItalic(true);
  hint->setFont(italic);
  c_.chkEncrypt = p.Row(tr("Use &Encryption:"), Named(new QCheckBox, "chkEncrypt"), {hint});
  c_.lblEncryptMode = Named(new QLabel, "lblEncryptMode");
  c_.lblEncryptMode->setTextFormat(Qt::PlainText);
  c_.lblEncryptMode->setFont(italic);
  c_.txtPassphrase =
      p.Row(tr("Pass&phrase:"), Named(new QLineEdit, "txtPassphrase"), {c_.lblEncryptMode});
  c_.txtPassphrase->setEchoMode(QLineEdit::Password);
  c_.txtPassphrase->setMaximumWidth(CharsWide(c_.txtPassphrase, 14));

  c_.sldLogAct = Named(new QSlider(Qt::Horizontal), "sldLogAct");
  c_.lblLogAct = Named(new FieldLabel(tr("Pu&rge:"), c_.sldLogAct), "lblLogAct");
  c_.txtLogAct = Named(new QLineEdit, "txtLogAct");
  c_.lblLogActKb = Named(new QLabel(tr("kb")), "lblLogActKb");
  c_.chkLogAct = p.Row(tr("Log &Activity:"), Named(new QCheckBox, "chkLogAct"),
                       {c_.lblLogAct, c_.sldLogAct, c_.txtLogAct, c_.lblLogActKb});
  c_.sldLogAct->setRange(10, 1000);
  c_.sldLogAct->setSingleStep(1);
  c_.sldLogAct->setPageStep(10);
  c_.sldLogAct->setMinimumWidth(scale_.Px(74));
  c_.txtLogAct->setFixedWidth(CharsWide(c_.txtLogAct, 4));
  c_.txtLogAct->setAccessibleName(tr("Purge size in kb"));
  for (QWidget* purge :
       {static_cast<QWidget*>(c_.lblLogAct), static_cast<QWidget*>(c_.sldLogAct),
        static_cast<QWidget*>(c_.txtLogAct), static_cast<QWidget*>(c_.lblLogActKb)}) {
    purge->setEnabled(false);
  }
  SetFieldBackground(c_.txtLogAct, FieldBackground::ButtonFace);
  p.End();
}

void ControlsBuilder::BuildFtpPage(QWidget* page) {
  Page p(page, scale_);
  c_.lblProtocolWarning = Named(new QLabel, "lblProtocolWarning");
  c_.lblProtocolWarning->setTextFormat(Qt::PlainText);
  QFont italic = c_.lblProtocolWarning->font();
  italic.setItalic(true);
  c_.lblProtocolWarning->setFont(italic);
  c_.cmbProtocol =
      p.Row(tr("Pro&tocol:"), Named(new QComboBox, "cmbProtocol"), {c_.lblProtocolWarning});
  // In the order of the "Protocol" setting's numbers.
  c_.cmbProtocol->addItems({tr("FTP"), tr("FTP over TLS (FTPS)"), tr("SFTP (SSH)"),
                            tr("WebDAV over HTTPS"), tr("WebDAV over HTTP")});
  c_.txtServer = p.Row(tr("H&ost/IP Address:"), Named(new QLineEdit, "txtServer"));
  c_.txtUsername = p.Row(tr("&Username:"), Named(new QLineEdit, "txtUsername"));
  c_.txtPassword = p.Row(tr("&Password:"), Named(new QLineEdit, "txtPassword"));
  c_.txtPassword->setEchoMode(QLineEdit::Password);
  c_.txtPort = Named(new QLineEdit, "txtPort");
  c_.txtPort->setMaximumWidth(CharsWide(c_.txtPort, 7));
  p.Row(tr("Po&rt Number:"), c_.txtPort);
  c_.chkPassive = p.Row(tr("Passi&ve Mode:"), Named(new QCheckBox, "chkPassive"));
  c_.txtRemDir = p.Row(tr("Remote &Directory:"), Named(new QLineEdit, "txtRemDir"));
  p.End();
}

void ControlsBuilder::BuildActivityPage(QWidget* page) {
  c_.txtActivity = Named(new QPlainTextEdit(page), "txtActivity");
  c_.txtActivity->setReadOnly(true);
  c_.txtActivity->setLineWrapMode(QPlainTextEdit::NoWrap);
  c_.txtActivity->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c_.txtActivity->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c_.txtActivity->setAccessibleName(tr("Current Activity"));
  auto* fill = new QVBoxLayout(page);
  const int inset = scale_.Px(4);
  fill->setContentsMargins(inset, inset, inset, inset);
  fill->addWidget(c_.txtActivity);
}

QAction* Item(QMenu* menu, const char* name, const QString& caption) {
  return Named(menu->addAction(caption), name);
}

void ControlsBuilder::BuildMenus(QMainWindow& window) {
  QMenu* file = Named(window.menuBar()->addMenu(tr("&File")), "mnuFile");
  c_.mnuFile_Sync = Item(file, "mnuFile_Sync", tr("&Sync Now!"));
  c_.mnuFile_Undo = Item(file, "mnuFile_Undo", tr("&Undo Last Sync"));
  c_.mnuFile_Import = Item(file, "mnuFile_Import", tr("&Import Bookmarks…"));
  c_.mnuFile_Export = Item(file, "mnuFile_Export", tr("&Export Bookmarks…"));
  c_.mnuFile_Bridge = Item(file, "mnuFile_Bridge", tr("Connect &Browsers…"));
  c_.mnuFile_Hide = Item(file, "mnuFile_Hide", tr("&Hide"));
  c_.mnuFile_ViewLog = Item(file, "mnuFile_ViewLog", tr("&View Log"));
  file->addSeparator();
  c_.mnuFile_Exit = Item(file, "mnuFile_Exit", tr("E&xit"));

  QMenu* help = Named(window.menuBar()->addMenu(tr("&Help")), "mnuHelp");
  c_.mnuHelp_Help = Item(help, "mnuHelp_Help", tr("&Help"));
  c_.mnuHelp_Help->setShortcut(QKeySequence::HelpContents);
  c_.mnuHelp_About = Item(help, "mnuHelp_About", tr("&About"));

  c_.mnuTRAY = Named(new QMenu(&window), "mnuTRAY");
  // The entries as the tray menu's model lists them; the Favorites sub-menu, with the
  // separator below it, is FavoritesMenu's own.
  const std::pair<QAction**, const char*> items[] = {{nullptr, nullptr},
                                                     {&c_.mnuTRAY_Sync, "mnuTRAY_Sync"},
                                                     {&c_.mnuTRAY_Undo, "mnuTRAY_Undo"},
                                                     {&c_.mnuTRAY_Show, "mnuTRAY_Show"},
                                                     {&c_.mnuTRAY_ViewLog, "mnuTRAY_ViewLog"},
                                                     {&c_.mnuTRAY_Help, "mnuTRAY_Help"},
                                                     {&c_.mnuTRAY_About, "mnuTRAY_About"},
                                                     {&c_.mnuTRAY_Exit, "mnuTRAY_Exit"}};
  for (const desktop::TrayMenuEntry& entry :
       desktop::TrayMenuEntries(false, desktop::CommandsFor(false, false))) {
    if (entry.command == desktop::TrayCommand::Favorites) {
      continue;
    }
    const auto [action, name] = items[static_cast<int>(entry.command)];
    *action = Item(c_.mnuTRAY, name, QString::fromStdString(entry.caption));
    (*action)->setEnabled(entry.enabled);
    if (entry.separatorAfter) {
      c_.mnuTRAY->addSeparator();
    }
  }
}

QWidget* ControlsBuilder::BuildButtons() {
  auto* row = new QWidget;
  auto* line = new QHBoxLayout(row);
  line->setContentsMargins(0, 0, 0, 0);
  c_.cmdSaveSettings = Named(new QPushButton(tr("&Save")), "cmdSaveSettings");
  c_.cmdSync = Named(new QPushButton(tr("Sync No&w!")), "cmdSync");
  for (QPushButton* button : {c_.cmdSaveSettings, c_.cmdSync}) {
    button->setMinimumWidth(scale_.Px(kButtonWidth));
  }
  line->addWidget(c_.cmdSaveSettings);
  line->addStretch();
  line->addWidget(c_.cmdSync);
  return row;
}

void ControlsBuilder::Build(QMainWindow& window) {
  auto* client = new QWidget(&window);
  auto* column = new QVBoxLayout(client);
  const int margin = scale_.Px(kMargin);
  column->setContentsMargins(margin, margin, margin, margin);
  column->setSpacing(margin);
  window.setCentralWidget(client);

  c_.TabStrip1 = Named(new QTabWidget, "TabStrip1");
  // Every tab in sight: the window is made as wide as their captions need.
  c_.TabStrip1->tabBar()->setUsesScrollButtons(false);
  c_.TabStrip1->setAccessibleName(tr("Settings and activity"));
  c_.fraMain = {NewPage("fraMain0", tr("&General Settings")),
                NewPage("fraMain1", tr("Server Se&ttings")),
                NewPage("fraMain2", tr("Current Act&ivity"))};
  BuildGeneralPage(c_.fraMain[0]);
  BuildFtpPage(c_.fraMain[1]);
  BuildActivityPage(c_.fraMain[2]);
  column->addWidget(c_.TabStrip1, 1);
  column->addWidget(BuildButtons());

  QStatusBar* statusBar = Named(window.statusBar(), "StatusBar1");
  c_.statusPanel = Named(new QLabel(statusBar), "StatusBar1Panel1");
  // It shows text from the server and the settings file: never markup to be rendered.
  c_.statusPanel->setTextFormat(Qt::PlainText);
  c_.statusPanel->setAccessibleName(tr("Status"));
  statusBar->addWidget(c_.statusPanel, 1);

  BuildMenus(window);
}

}  // namespace

MainWindowControls BuildMainWindowControls(QMainWindow& window, const DpiScale& scale) {
  MainWindowControls c{};
  ControlsBuilder(c, scale).Build(window);
  // The designed size where the user's font fits in it, larger where it does not.
  window.resize(window.sizeHint().expandedTo(QSize(
      scale.Px(kClientWidth), scale.Px(kClientHeight) + window.menuBar()->sizeHint().height())));
  return c;
}

}  // namespace kestrin::ui

#pragma once

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QWidget;

namespace kestrin::ui {

class DpiScale;

// frmMain's controls, named as their objectNames. Every setting of the program lives in
// one of them while it runs.
struct MainWindowControls {
  QTabWidget* TabStrip1;
  std::array<QWidget*, 3> fraMain;

  QLineEdit* txtName;
  QCheckBox* chkStartWithWin;
  QLabel* lblSyncStartupFlag;
  QCheckBox* chkSyncOnStartup;
  QCheckBox* chkSyncOnChange;
  QCheckBox* chkConfirm;
  QLabel* lblScheduleSyncFlag;
  QCheckBox* chkSchedule;
  QLabel* lblSchedule;
  QComboBox* cmbSchedule;
  QCheckBox* chkEncrypt;
  QLineEdit* txtPassphrase;
  QLabel* lblEncryptMode;  // which protection "Use Encryption" gives now
  QCheckBox* chkLogAct;
  QLabel* lblLogAct;
  QSlider* sldLogAct;
  QLineEdit* txtLogAct;
  QLabel* lblLogActKb;

  QComboBox* cmbProtocol;
  QLabel* lblProtocolWarning;  // what the protocol chosen exposes
  QLineEdit* txtServer;
  QLineEdit* txtUsername;
  QLineEdit* txtPassword;
  QLineEdit* txtPort;
  QCheckBox* chkPassive;
  QLineEdit* txtRemDir;

  QPlainTextEdit* txtActivity;

  QPushButton* cmdSaveSettings;
  QPushButton* cmdSync;
  QLabel* statusPanel;  // panel 1 of StatusBar1

  QAction* mnuFile_Sync;
  QAction* mnuFile_Undo;
  QAction* mnuFile_Import;
  QAction* mnuFile_Export;
  QAction* mnuFile_Bridge;
  QAction* mnuFile_Hide;
  QAction* mnuFile_ViewLog;
  QAction* mnuFile_Exit;
  QAction* mnuHelp_Help;
  QAction* mnuHelp_About;

  QMenu* mnuTRAY;
  QAction* mnuTRAY_Sync;
  QAction* mnuTRAY_Undo;
  QAction* mnuTRAY_Show;
  QAction* mnuTRAY_ViewLog;
  QAction* mnuTRAY_Help;
  QAction* mnuTRAY_About;
  QAction* mnuTRAY_Exit;
};

// Creates the controls on the window in their start-up states, in layouts that keep the
// designed look at the default font and grow with the user's font and the window.
MainWindowControls BuildMainWindowControls(QMainWindow& window, const DpiScale& scale);

}  // namespace kestrin::ui

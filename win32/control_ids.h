#pragma once

namespace kestrin::win32 {

// The identifiers of frmMain's and frmProcess's controls and menu items, named as the
// controls are; WM_COMMAND and WM_NOTIFY carry them.
enum ControlId : int {
  TabStrip1 = 100,
  StatusBar1,
  fraMain0,
  fraMain1,
  fraMain2,

  txtName = 200,
  chkStartWithWin,
  lblSyncStartupFlag,
  chkSyncOnStartup,
  chkSyncOnChange,
  chkConfirm,
  lblScheduleSyncFlag,
  chkSchedule,
  lblSchedule,
  cmbSchedule,
  chkEncrypt,
  lblEncryptHint,
  txtPassphrase,
  lblEncryptMode,
  chkLogAct,
  lblLogAct,
  sldLogAct,
  txtLogAct,
  lblLogActKb,

  cmbProtocol = 300,
  lblProtocolWarning,
  txtServer,
  txtUsername,
  txtPassword,
  txtPort,
  chkPassive,
  txtRemDir,

  txtActivity = 400,
  cmdSaveSettings,
  cmdSync,

  mnuFile_Sync = 500,
  mnuFile_Undo,
  mnuFile_Import,
  mnuFile_Export,
  mnuFile_Hide,
  mnuFile_ViewLog,
  mnuFile_Exit,
  mnuHelp_Help,
  mnuHelp_About,

  mnuTRAY_Sync = 600,
  mnuTRAY_Undo,
  mnuTRAY_Show,
  mnuTRAY_ViewLog,
  mnuTRAY_Help,
  mnuTRAY_About,
  mnuTRAY_Exit,

  ListView1 = 700,
  chkAllNone,
  Label1,
  cmdDisableTimer,
  cmdCancel,
  cmdProcess,
  Timer1,

  // Captions of the settings rows that have no name of their own.
  kCaptionIds = 800,
};

}  // namespace kestrin::win32

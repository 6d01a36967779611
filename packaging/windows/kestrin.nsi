; Kestrin's Windows installer, built by scripts/package-windows, which passes VERSION, STAGE
; (the folder holding the files to install and the icon) and OUTFILE.
; /S installs silently; /STARTWITHWINDOWS chooses "Start with Windows" (off by default).
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrin"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; What the program writes when its "Startup with Windows:" box is on.
!define RUN_VALUE "kestrin"
!define RUN_DATA '"$INSTDIR\kestrin.exe"'

Name "Kestrin"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestrin"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Kestrin ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrin"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrin Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Kestrin developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "GNU General Public License, version 3"

!define MUI_ICON "${STAGE}/kestrin.ico"
!define MUI_UNICON "${STAGE}/kestrin.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The installed files, listed once for the installer and the uninstaller.
!macro ForEachProgramFile ACTION
  !insertmacro ${ACTION} "kestrin.exe"
  !insertmacro ${ACTION} "kestrin-cli.exe"
  !insertmacro ${ACTION} "kestrin-manual.html"
  !insertmacro ${ACTION} "LICENSE.txt"
!macroend
!macro InstallFile NAME
  File "${STAGE}/${NAME}"
!macroend
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Section "Kestrin" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro ForEachProgramFile InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Kestrin.lnk" "$INSTDIR\kestrin.exe"
  CreateShortcut "$SMPROGRAMS\Kestrin Help.lnk" "$INSTDIR\kestrin-manual.html"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kestrin developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrin.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The Run value and the program's own setting: without StartWithWin=1 the program would
; remove the value the first time it saves its settings.
Section /o "Start with Windows" SecStartWithWindows
  SetShellVarContext current
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '${RUN_DATA}'
  CreateDirectory "$APPDATA\kestrin"
  WriteINIStr "$APPDATA\kestrin\kestrin.ini" "Settings" "StartWithWin" "1"
  SetShellVarContext all
SectionEnd

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/STARTWITHWINDOWS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecStartWithWindows}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Leaves the user's settings, log and Favorites alone: a kestrin.ini kept beside the program
; keeps its folder too.
Section "Uninstall"
  !insertmacro ForEachProgramFile RemoveFile
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kestrin.lnk"
  Delete "$SMPROGRAMS\Kestrin Help.lnk"
  ; Only the value that starts this copy: another copy's entry is not ours to remove.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == '${RUN_DATA}'
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

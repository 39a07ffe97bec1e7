; SPDX-License-Identifier: MIT
; SPDX-FileCopyrightText: Ombrevale
;
; The Windows installer (make windows-installer): the runnable folder of make windows-gui
; into Program Files\Vantoscope for all users, a Start menu shortcut, and the uninstall entry
; in the 64-bit registry view that makes the installed copy count as installed.
; scripts/windows-package.sh passes VERSION, ICON, FILES and UNFILES (the
; File and Delete lines for exactly the folder's files) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Vantoscope"
!define COMPANY "Ombrevale"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantoscope"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${COMPANY} ${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${COMPANY}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running copy holds its executable open: ask the user to close it, and wait.
!macro AskToCloseRunningCopy un
Function ${un}AskToCloseRunningCopy
  retry:
  IfFileExists "$INSTDIR\vantoscope.exe" 0 done
  ClearErrors
  FileOpen $0 "$INSTDIR\vantoscope.exe" a
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Vantoscope is running. Please close it (Quit in its menu), then choose Retry." /SD IDCANCEL IDRETRY retry
    Abort
  ${EndIf}
  FileClose $0
  done:
FunctionEnd
!macroend
!insertmacro AskToCloseRunningCopy ""
!insertmacro AskToCloseRunningCopy "un."

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "This installer is for 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
  ; Installing over an earlier version goes where that one is.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Vantoscope" SecMain
  SectionIn RO
  Call AskToCloseRunningCopy
  ; An earlier version removes its own files first (its list, not ours), keeping the settings.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
  ${EndIf}

  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\vantoscope.exe" "" "$INSTDIR\vantoscope.exe" 0

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${COMPANY} ${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\vantoscope.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "URLInfoAbout" "https://www.ombrevale.com/?vantoscope"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.AskToCloseRunningCopy
  ; Exactly the files this version installed; a folder is removed only once empty.
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINST_KEY}"

  ; The user's settings and log stay unless the user asks otherwise (never in a silent run).
  MessageBox MB_YESNO|MB_ICONQUESTION "Also remove your Vantoscope settings and event log?" /SD IDNO IDNO keep
    DeleteRegKey HKCU "Software\${COMPANY}\${PRODUCT}"
    DeleteRegValue HKCU "Software\${COMPANY}" "${PRODUCT}"
    DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
    SetShellVarContext current
    Delete "$APPDATA\${COMPANY}\${PRODUCT}\${PRODUCT}.log"
    RMDir "$APPDATA\${COMPANY}\${PRODUCT}"
    RMDir "$APPDATA\${COMPANY}"
    SetShellVarContext all
  keep:
SectionEnd

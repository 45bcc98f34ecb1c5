; The Cadrel installer: 64-bit, for all users, into Program Files, with a Start-menu shortcut and
; an entry under "Apps and Features". tools/packaging/make-dist compiles it:
;   makensis -DVERSION=1.0.0 -DSTAGE=DIR -DOUTFILE=SETUP.exe -DICON=cadrel.ico cadrel.nsi
; STAGE is the portable folder (the program, its component, scenarios, texts). The settings,
; modules and box state live under ProgramData, AppData and LocalAppData\Tamber: they are the
; user's data, so neither an upgrade nor the uninstaller touches them.
Unicode true
; Without this NSIS 3 writes a 32-bit installer, which would land in Program Files (x86) and
; under the 32-bit view of the registry.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
${StrStr}
${UnStrRep}

!define APPNAME "Tamber Cadrel"
!define PUBLISHER "The Cadrel developers"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Cadrel"
!define SHORTCUT "$SMPROGRAMS\${APPNAME}.lnk"

Name "${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Cadrel"
; An upgrade goes where the earlier version was installed.
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
BrandingText "${APPNAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APPNAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APPNAME} ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\cadrel.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Cadrel holds its files open, and replacing them under it would fail half way.
; Silent runs give up at once (exit code 2) instead of waiting for an answer nobody gives.
!macro RefuseWhileRunning
  retry:
    FindWindow $0 "#32770" "${APPNAME}"
    StrCmp $0 0 done
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Cadrel is running. Close it (File > Exit), then press Retry." /SD IDCANCEL IDRETRY retry
    Abort
  done:
!macroend

; The program's own files, by name: whatever else the user keeps in the folder stays.
!macro RemoveProgramFiles
  Delete "$INSTDIR\cadrel.exe"
  Delete "$INSTDIR\cadrelctl.exe"
  Delete "$INSTDIR\tamber_co.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\scenarios\*.toml"
  RMDir "$INSTDIR\scenarios"
!macroend

Function .onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
FunctionEnd

Section "Cadrel" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; An earlier version's files go first, so none of them outlives the upgrade.
  !insertmacro RemoveProgramFiles
  File "${STAGE}\cadrel.exe"
  File "${STAGE}\cadrelctl.exe"
  File "${STAGE}\tamber_co.dll"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  SetOutPath "$INSTDIR\scenarios"
  File "${STAGE}\scenarios\*.toml"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts in the program's folder.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\cadrel.exe" "" "$INSTDIR\cadrel.exe" 0 \
    SW_SHOWNORMAL "" "Controls the Tamber CD emulator"

  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\cadrel.exe,0"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTKEY}" "EstimatedSize" $0
SectionEnd

; The user's own PATH (HKCU\Environment), so cadrelctl runs from any prompt and build script. NSIS
; strings hold 1024 characters: a PATH near that length is left alone rather than cut short.
Section "Add the program folder to the PATH" SecPath
  ClearErrors
  ReadRegStr $0 HKCU "Environment" "Path"
  ${If} ${Errors}
    ; Missing, or there but too long to be read whole.
    StrCpy $3 0
    ${Do}
      EnumRegValue $1 HKCU "Environment" $3
      ${If} $1 == "Path"
        DetailPrint "Your PATH is too long to be changed safely: add $INSTDIR to it yourself."
        Return
      ${EndIf}
      IntOp $3 $3 + 1
    ${LoopUntil} $1 == ""
    StrCpy $0 ""
  ${EndIf}
  StrLen $1 "$0;$INSTDIR"
  ${If} $1 > 1000
    DetailPrint "Your PATH is too long to be changed safely: add $INSTDIR to it yourself."
    Return
  ${EndIf}
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  ${If} $1 == ""
    ${If} $0 == ""
      StrCpy $0 "$INSTDIR"
    ${Else}
      StrCpy $0 "$0;$INSTDIR"
    ${EndIf}
    WriteRegExpandStr HKCU "Environment" "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Cadrel, cadrelctl and the component."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Lets cadrelctl be run by name from a command prompt or a build script."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  ; The program folder leaves the user's PATH; the rest of it stays as it is.
  ClearErrors
  ReadRegStr $0 HKCU "Environment" "Path"
  StrLen $1 $0
  ${IfNot} ${Errors}
  ${AndIf} $1 <= 1000
    ${UnStrRep} $1 ";$0;" ";$INSTDIR;" ";"
    ${If} $1 != ";$0;"
      StrCpy $1 $1 "" 1
      StrCpy $1 $1 -1
      ${If} $1 == ""
        DeleteRegValue HKCU "Environment" "Path"
      ${Else}
        WriteRegExpandStr HKCU "Environment" "Path" "$1"
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  !insertmacro RemoveProgramFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd

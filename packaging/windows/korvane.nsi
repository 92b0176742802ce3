; The Windows installer of the monitor: the program (and the command-line
; tools when the build has them), a Start-menu entry, the capture-file type,
; the tools' folder on the user's PATH (a choice, on by default) and an
; uninstaller. Welcome and finish pages as Windows users know them; the
; finish page offers to run the program. Built by scripts/make-installer.sh,
; which defines
;   VERSION      the program's version, such as 1.4
;   BUILD_DIR    the folder with korvane.exe (and the tools, if built)
;   OUTFILE      the installer to write
;   ICON         the program's own icon (.ico), on installer and uninstaller
;   HAVE_RECORD  HAVE_DUMP   when the tools are in BUILD_DIR
; A 64-bit installer for the 64-bit program (and for Wine without 32-bit support).
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define NAME "KORVANE"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define TYPE_ID "KORVANE.Document"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The settings live under HKEY_LOCAL_MACHINE, which needs administrator rights.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run KORVANE"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_WELCOME
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; The user's PATH as Windows keeps it; a longer value than this installer's
; strings hold is never rewritten (it would come back cut).
!define ENVIRONMENT_KEY "Environment"

; $R0 a PATH-style list, $R1 a folder: $R2 the list without every entry that
; names the folder (letter case and a trailing backslash aside), the other
; entries kept as they were, in their order.
!macro DEFINE_PATH_WITHOUT prefix
Function ${prefix}PathWithout
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $R2 ""
  StrCpy $R3 ""
  StrCpy $R5 0
  StrCpy $R6 1  ; no entry kept yet
  ${Do}
    StrCpy $R4 $R0 1 $R5
    ${If} $R4 == ""
    ${OrIf} $R4 == ";"
      ${If} $R3 != $R1
      ${AndIf} $R3 != "$R1\"
        ${If} $R6 == 1
          StrCpy $R2 $R3
          StrCpy $R6 0
        ${Else}
          StrCpy $R2 "$R2;$R3"
        ${EndIf}
      ${EndIf}
      StrCpy $R3 ""
      ${IfThen} $R4 == "" ${|} ${ExitDo} ${|}
    ${Else}
      StrCpy $R3 "$R3$R4"
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${Loop}
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
FunctionEnd

; $R0 the user's PATH, or "" when there is none. Error flag set when it
; exists but is too long to be read whole here.
Function ${prefix}ReadUserPath
  ClearErrors
  ReadRegStr $R0 HKCU "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    ; Absent, or longer than a string of this installer: only the second is an error.
    ; (Enumerating past the last value sets the error flag too.)
    StrCpy $R0 ""
    StrCpy $R5 0
    StrCpy $R6 0
    ${Do}
      EnumRegValue $R4 HKCU "${ENVIRONMENT_KEY}" $R5
      ${IfThen} $R4 == "" ${|} ${ExitDo} ${|}
      ${If} $R4 == "Path"
        StrCpy $R6 1
        ${ExitDo}
      ${EndIf}
      IntOp $R5 $R5 + 1
    ${Loop}
    ClearErrors
    ${IfThen} $R6 == 1 ${|} SetErrors ${|}
  ${Else}
    StrLen $R4 $R0
    IntOp $R5 ${NSIS_MAX_STRLEN} - 1
    ${IfThen} $R4 >= $R5 ${|} SetErrors ${|}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_PATH_WITHOUT ""
!insertmacro DEFINE_PATH_WITHOUT "un."

Section "KORVANE" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${BUILD_DIR}\korvane.exe"
!ifdef HAVE_RECORD
  File "${BUILD_DIR}\korvane-record.exe"
!endif
!ifdef HAVE_DUMP
  File "${BUILD_DIR}\korvane-dump.exe"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortCut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\korvane.exe"
  CreateShortCut "$SMPROGRAMS\${NAME}\Uninstall ${NAME}.lnk" "$INSTDIR\uninstall.exe"

  ; Capture files open with the program for every user at once; the program
  ; itself registers them again for the user at each start.
  WriteRegStr HKLM "Software\Classes\.kvn" "" "${TYPE_ID}"
  WriteRegStr HKLM "Software\Classes\${TYPE_ID}" "" "KORVAN Document"
  WriteRegStr HKLM "Software\Classes\${TYPE_ID}\DefaultIcon" "" "$INSTDIR\korvane.exe,1"
  WriteRegStr HKLM "Software\Classes\${TYPE_ID}\shell\open\command" "" '"$INSTDIR\korvane.exe" "%1"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The tools' folder at the end of the user's PATH, once; programs started
; afterwards find korvane-record and korvane-dump by name.
Section "Put the tools' folder on the PATH" SecPath
  Call ReadUserPath
  ${If} ${Errors}
    DetailPrint "The PATH is too long to be changed here; add $INSTDIR to it by hand."
    MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is longer than this installer can change \
        safely, so it was left as it is. Add $INSTDIR to it by hand to run the tools by name." /SD IDOK
    Return
  ${EndIf}
  StrCpy $R1 "$INSTDIR"
  Call PathWithout
  ${If} $R2 == ""
    StrCpy $R2 "$INSTDIR"
  ${Else}
    StrCpy $R2 "$R2;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $R2
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  ; The tools' folder leaves the user's PATH; every other entry stays.
  Call un.ReadUserPath
  ${IfNot} ${Errors}
  ${AndIf} $R0 != ""
    StrCpy $R1 "$INSTDIR"
    Call un.PathWithout
    ${If} $R2 != $R0
      ${If} $R2 == ""
        DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
      ${Else}
        WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $R2
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  Delete "$INSTDIR\korvane.exe"
  Delete "$INSTDIR\korvane-record.exe"
  Delete "$INSTDIR\korvane-dump.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  Delete "$SMPROGRAMS\${NAME}\Uninstall ${NAME}.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  ; The type goes only while it is still this program's.
  ReadRegStr $0 HKLM "Software\Classes\.kvn" ""
  StrCmp $0 "${TYPE_ID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.kvn"
  DeleteRegKey HKLM "Software\Classes\${TYPE_ID}"
  ; The program registers the type for its user at every start too.
  ReadRegStr $0 HKCU "Software\Classes\.kvn" ""
  StrCmp $0 "${TYPE_ID}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.kvn"
  DeleteRegKey HKCU "Software\Classes\${TYPE_ID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The settings (HKLM\SYSTEM\CurrentControlSet\Services\Korvane) stay, as
  ; captures saved by the user do.
SectionEnd

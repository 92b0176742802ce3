; The Windows installer of the monitor: the program (and the command-line
; tools when the build has them), a Start-menu entry, the capture-file type
; and an uninstaller. Built by scripts/make-installer.sh, which defines
;   VERSION      the program's version, such as 1.4
;   BUILD_DIR    the folder with korvane.exe (and the tools, if built)
;   OUTFILE      the installer to write
;   HAVE_RECORD  HAVE_DUMP   when the tools are in BUILD_DIR
; A 64-bit installer for the 64-bit program (and for Wine without 32-bit support).
Target amd64-unicode
!include "MUI2.nsh"

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

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

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

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
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

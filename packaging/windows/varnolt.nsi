; The Windows installer: makensis -DVERSION=<x.y> -DPROGRAM_FOLDER=<built
; folder> -DOUTPUT_FILE=<setup.exe> varnolt.nsi (the build's "installer"
; target). Per-machine into Program Files when the user may, else (or with
; /CurrentUser) per-user; /S installs silently, /D=<folder> chooses the folder.
; A 64-bit installer for the 64-bit program: it also runs where Windows (or
; wine) has no 32-bit subsystem.
Target amd64-unicode
!include LogicLib.nsh
!include "program_files.nsh"

!define PUBLISHER "Quorbit software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnolt"
!define APPLICATION_KEY "Software\Classes\Applications\varnolt.exe"
!define SHORTCUT "Varnolt.lnk"
!define SEND_TO "Compare with Varnolt.lnk"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Varnolt"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_NOUNINSTALL
!include MultiUser.nsh
!include MUI2.nsh

Name "Varnolt ${VERSION}"
OutFile "${OUTPUT_FILE}"
BrandingText "Varnolt ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Varnolt"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Varnolt setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var ChosenFolder

Function .onInit
  ; A folder given with /D= is kept; the install mode would replace it.
  StrCpy $ChosenFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $ChosenFolder != ""
    StrCpy $INSTDIR $ChosenFolder
  ${EndIf}
FunctionEnd

!macro INSTALL_FILE FOLDER NAME
  !if "${FOLDER}" == ""
    SetOutPath "$INSTDIR"
    File "${PROGRAM_FOLDER}/${NAME}"
  !else
    SetOutPath "$INSTDIR\${FOLDER}"
    File "${PROGRAM_FOLDER}/${FOLDER}/${NAME}"
  !endif
!macroend

!macro REGISTER_KIND EXTENSION
  WriteRegStr SHCTX "${APPLICATION_KEY}\SupportedTypes" "${EXTENSION}" ""
  WriteRegStr SHCTX "Software\Classes\${EXTENSION}\OpenWithList\varnolt.exe" "" ""
!macroend

Section "Varnolt"
  !insertmacro VARNOLT_PROGRAM_FILES INSTALL_FILE
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\varnolt.exe"
  ; Explorer's "Send to" hands every selected file to one program start:
  ; two files selected become "varnolt.exe OldFile NewFile".
  CreateShortcut "$SENDTO\${SEND_TO}" "$INSTDIR\varnolt.exe"

  WriteRegStr SHCTX "${APPLICATION_KEY}" "FriendlyAppName" "Varnolt"
  WriteRegStr SHCTX "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\varnolt.exe" "%1"'
  !insertmacro VARNOLT_OPEN_WITH_KINDS REGISTER_KIND

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Varnolt"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varnolt.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller removes what the installer made, in the context it was
; made in: /AllUsers (the default when the machine-wide entry names this
; folder) or /CurrentUser.
Function un.onInit
  SetShellVarContext current
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${IfNot} ${Errors}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

!macro REMOVE_FILE FOLDER NAME
  !if "${FOLDER}" == ""
    Delete "$INSTDIR\${NAME}"
  !else
    Delete "$INSTDIR\${FOLDER}\${NAME}"
  !endif
!macroend

!macro REMOVE_FOLDER FOLDER
  RMDir "$INSTDIR\${FOLDER}"
!macroend

!macro UNREGISTER_KIND EXTENSION
  DeleteRegKey SHCTX "Software\Classes\${EXTENSION}\OpenWithList\varnolt.exe"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXTENSION}\OpenWithList"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXTENSION}"
!macroend

Section "Uninstall"
  !insertmacro VARNOLT_PROGRAM_FILES REMOVE_FILE
  !insertmacro VARNOLT_PROGRAM_FOLDERS REMOVE_FOLDER
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: files the user put there stay.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$SENDTO\${SEND_TO}"
  !insertmacro VARNOLT_OPEN_WITH_KINDS UNREGISTER_KIND
  DeleteRegKey SHCTX "${APPLICATION_KEY}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

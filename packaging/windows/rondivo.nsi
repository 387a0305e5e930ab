; The Windows installer: the designer, its program folder, a Start-menu
; entry and an uninstaller, for the current user or for everyone.
; Built by scripts/package-windows:
;   makensis -DVERSION=x.y -DSTAGE=folder -DOUTFILE=setup.exe rondivo.nsi
; A 64-bit installer for a 64-bit program: it can be checked under 64-bit
; Wine, and Windows itself refuses it on a 32-bit system.
Target amd64-unicode
!define APPNAME "Rondivo!"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Rondivo"

; Per-user (no administrator rights, %LOCALAPPDATA%\Programs) or
; per-machine (Program Files), chosen on the first page or with /AllUsers
; or /CurrentUser on the command line. MultiUser.nsh asks for the execution
; level itself ("highest": an administrator is asked to elevate, so "For
; anyone" can be offered); a RequestExecutionLevel of our own would override it.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Rondivo"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include MUI2.nsh

Name "${APPNAME}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
!define MUI_ICON "${STAGE}\icons\disc.ico"
!define MUI_UNICON "${STAGE}\icons\disc.ico"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APPNAME}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APPNAME} installer"
VIAddVersionKey "LegalCopyright" ""

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\rondivo.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "design"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; ARM64 Windows runs the installer and the program through its x64 emulation.
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Rondivo!"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\rondivo.exe" "design" "$INSTDIR\rondivo.exe" 0
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\rondivo.exe"
  WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  ; Only what the installer put there: the folder may have been chosen by hand.
  Delete "$INSTDIR\rondivo.exe"
  Delete "$INSTDIR\rondivo-build.exe"
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTKEY}"
SectionEnd

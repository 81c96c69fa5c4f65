; Quillo for one user: no administrator rights, a Start menu entry and an
; uninstaller. The user's own folder (%APPDATA%\Quillo: snippets and
; options) stays when Quillo is uninstalled.
;   makensis -DVERSION=1.2.3 -DSTAGE=<installed tree> -DOUTFILE=<setup.exe> Quillo.nsi
; A 64-bit installer for a 64-bit program: it needs no 32-bit subsystem
; (a 64-bit-only wine has none).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define APPKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillo"

Name "Quillo ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillo"
InstallDirRegKey HKCU "${APPKEY}" "InstallLocation"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quillo"
  SetShellVarContext current
  ; A running Quillo holds its files: it is asked to end first.
  IfFileExists "$INSTDIR\Quillo.exe" 0 +2
    ExecWait '"$INSTDIR\Quillo.exe" exit'
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Quillo.lnk" "$INSTDIR\Quillo.exe" "" "$INSTDIR\Quillo.exe" 0
  WriteRegStr HKCU "${APPKEY}" "DisplayName" "Quillo"
  WriteRegStr HKCU "${APPKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${APPKEY}" "Publisher" "Quillo"
  WriteRegStr HKCU "${APPKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${APPKEY}" "DisplayIcon" "$INSTDIR\Quillo.exe"
  WriteRegStr HKCU "${APPKEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${APPKEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${APPKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${APPKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ExecWait '"$INSTDIR\Quillo.exe" exit'
  ; The program's own start-with-Windows shortcut goes with it.
  Delete "$SMSTARTUP\Quillo.lnk"
  Delete "$SMPROGRAMS\Quillo.lnk"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\share"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\Quillo.exe"
  Delete "$INSTDIR\COPYRIGHT.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${APPKEY}"
SectionEnd

; The Windows installer: Dralen for all users in Program Files\Dralen, a Start
; menu shortcut and an entry in the list of installed programs. Runs silently
; with /S and installs over an older version. The uninstaller takes away what
; the installer put there; the players' options, saves and scores live in
; their own folders and stay.
;   makensis -DVERSION=1.14 -DSOURCE=<folder with dralen.exe, levels, sfx,
;            music, COPYING> -DOUTFILE=<setup.exe> dralen.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !error "VERSION is not set"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dralen"

Name "Dralen ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Dralen"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${SOURCE}\dralen.ico"
UninstallIcon "${SOURCE}\dralen.ico"
BrandingText "Dralen ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Dralen"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  ; An older version's data goes first, so that nothing of it lingers.
  RMDir /r "$INSTDIR\levels"
  RMDir /r "$INSTDIR\sfx"
  RMDir /r "$INSTDIR\music"
  File "${SOURCE}\dralen.exe"
  File "${SOURCE}\COPYING"
  File /r "${SOURCE}\levels"
  File /r "${SOURCE}\sfx"
  File /r "${SOURCE}\music"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Dralen.lnk" "$INSTDIR\dralen.exe" "" "$INSTDIR\dralen.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Dralen"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Dralen team"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dralen.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Dralen.lnk"
  Delete "$INSTDIR\dralen.exe"
  Delete "$INSTDIR\COPYING"
  RMDir /r "$INSTDIR\levels"
  RMDir /r "$INSTDIR\sfx"
  RMDir /r "$INSTDIR\music"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: anything else in it is not ours to take.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

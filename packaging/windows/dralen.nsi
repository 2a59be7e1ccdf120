; The Windows installer, in the wizard look Windows players know (Modern UI
; 2): welcome, licence, for whom, folder, progress, and a finish page that
; offers to start the game. Either for all users (administrator rights,
; Program Files, the uninstall entry under HKLM) or just for the player
; running it (no administrator rights, %LOCALAPPDATA%\Programs\Dralen, the
; entry under HKCU). Installs over an older version of either kind, keeping
; its kind and folder.
;
; Switches: /S installs silently, for all users when the account may;
; /CurrentUser (with or without /S) just for the player running it;
; /AllUsers for all users; /D=<folder>, last on the line, another folder.
;
; The uninstaller has the same look and its own confirmation page. It takes
; away what the installer put there; the player's options, scores, replays
; and automatic save (in %APPDATA%\Dralen and %LOCALAPPDATA%\Dralen) stay
; unless the player ticks the box that removes them, which /S never does.
;
;   makensis -DVERSION=1.14 -DVERSION_QUAD=1.14.0.0 -DHOMEPAGE=<url>
;            -DSOURCE=<folder with dralen.exe, LICENSE.txt, README.txt,
;            levels, sfx, music, dralen.ico, installer-wizard.bmp, installer-header.bmp>
;            -DOUTFILE=<setup.exe> dralen.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true

!ifndef VERSION | VERSION_QUAD | HOMEPAGE | SOURCE | OUTFILE
  !error "VERSION, VERSION_QUAD, HOMEPAGE, SOURCE and OUTFILE must be set"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dralen"
!define PUBLISHER "The Dralen team"

Name "Dralen ${VERSION}"
Caption "Dralen ${VERSION} Setup"
UninstallCaption "Dralen ${VERSION} Uninstall"
OutFile "${OUTFILE}"
BrandingText "Dralen ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

; The installer's own version resource, which Windows shows in its
; properties and in the elevation prompt.
VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "Dralen"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Dralen ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 3 or later"

; All users or just me. The choice is offered to an account that may
; install for all users; any other installs just for its player. A version
; already installed decides the kind and folder offered first.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Dralen"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Dralen can be installed for everyone who uses this computer, which needs administrator rights, or just for you, which does not. Each player keeps their own scores and settings either way.$\r$\n$\r$\n$_CLICK"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "For anyone who uses this computer (in Program Files)"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Just for me (in my own Programs folder)"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define MUI_ICON "${SOURCE}\dralen.ico"
!define MUI_UNICON "${SOURCE}\dralen.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SOURCE}\installer-wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SOURCE}\installer-wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${SOURCE}\installer-header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${SOURCE}\installer-header.bmp"
; Esc or Cancel asks before it leaves.
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install Dralen ${VERSION}, a customisable falling-block puzzle game, on this computer.$\r$\n$\r$\nDralen runs on 64-bit Windows 7, 8, 8.1, 10 and 11.$\r$\n$\r$\nA version of Dralen already installed is replaced; your scores, settings and saved game are kept.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
; The GPL asks nothing of someone who only plays: the page shows it and
; moves on with Next rather than asking for an agreement.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Dralen is free software: you may play, share and change it under the terms of the GNU General Public License, version 3 or later. $_CLICK"
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Dralen"
!define MUI_FINISHPAGE_RUN_FUNCTION StartGame
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show how to play (README.txt)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_WELCOME
UninstPage custom un.ConfirmPage un.ConfirmLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; MultiUser sets the folder for the kind of install; a folder given with
  ; /D= wins over it.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Function un.onInit
  ; This uninstaller's own folder is the one to take away, and the entry that
  ; names it tells which kind of install it was, however it was started.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  StrCpy $INSTDIR $0
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == $INSTDIR
    Call un.MultiUser.InstallMode.AllUsers
  ${ElseIf} $2 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
  StrCpy $INSTDIR $0
FunctionEnd

; The installer may run with administrator rights, which the game must not
; inherit: Explorer starts it as the player who is signed in.
Function StartGame
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\dralen.exe"'
FunctionEnd

Section "Dralen"
  SetOutPath "$INSTDIR"
  ; An older version's data goes first, so that nothing of it lingers; it
  ; installed the licence as COPYING.
  RMDir /r "$INSTDIR\levels"
  RMDir /r "$INSTDIR\sfx"
  RMDir /r "$INSTDIR\music"
  Delete "$INSTDIR\COPYING"
  File "${SOURCE}\dralen.exe"
  File "${SOURCE}\LICENSE.txt"
  File "${SOURCE}\README.txt"
  File /r "${SOURCE}\levels"
  File /r "${SOURCE}\sfx"
  File /r "${SOURCE}\music"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Dralen.lnk" "$INSTDIR\dralen.exe" "" "$INSTDIR\dralen.exe" 0

  ; SHCTX is HKLM for all users and HKCU just for me; the uninstaller is
  ; told which, whoever starts it.
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $1 "/AllUsers"
  ${Else}
    StrCpy $1 "/CurrentUser"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Dralen"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dralen.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "HelpLink" "${HOMEPAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" $1'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" $1 /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; What the folder really holds, in KiB, uninstaller included.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Var RemovePlayerFiles
Var RemoveBox

Function un.ConfirmPage
  !insertmacro MUI_HEADER_TEXT "Uninstall Dralen" "Remove Dralen ${VERSION} from this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u "Dralen will be uninstalled from the following folder. Click Uninstall to start the uninstallation."
  Pop $0
  ${NSD_CreateLabel} 0 26u 100% 10u "Uninstalling from:"
  Pop $0
  ${NSD_CreateText} 0 38u 100% 12u "$INSTDIR"
  Pop $0
  SendMessage $0 ${EM_SETREADONLY} 1 0
  ; The player's own folders, whichever kind of install this was.
  SetShellVarContext current
  ${NSD_CreateCheckbox} 0 64u 100% 10u "Also remove my scores, settings and saved game"
  Pop $RemoveBox
  ${NSD_SetState} $RemoveBox $RemovePlayerFiles
  ${NSD_CreateLabel} 12u 78u -12u 40u "The Hall of Fame, its replays, your options and the automatic save, in $APPDATA\Dralen and $LOCALAPPDATA\Dralen. Left unticked, they stay for the next time Dralen is installed."
  Pop $0
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.ConfirmLeave
  ${NSD_GetState} $RemoveBox $RemovePlayerFiles
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Dralen.lnk"
  Delete "$INSTDIR\dralen.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\levels"
  RMDir /r "$INSTDIR\sfx"
  RMDir /r "$INSTDIR\music"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: anything else in it is not ours to take.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ${If} $RemovePlayerFiles == ${BST_CHECKED}
    SetShellVarContext current
    RMDir /r "$APPDATA\Dralen"
    RMDir /r "$LOCALAPPDATA\Dralen"
  ${EndIf}
SectionEnd

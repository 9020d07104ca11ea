; The Nimbrel installer: nimbrel-setup.exe, for 64-bit Windows.
;   makensis -DSCR=path\to\nimbrel.scr -DOUTFILE=path\to\nimbrel-setup.exe nimbrel.nsi
; Installs nimbrel.scr into the system folder, where the screen-saver settings list
; it; offers to make it the current user's screen saver (silently: /SETSAVER);
; registers an uninstaller that removes the file, its entry and the settings keys.
;
; Installer and uninstaller run as the user who started them, and start themselves
; again as an administrator, with /MACHINE, for what only an administrator may
; change. The user's choice of saver stays in the first process: an elevated
; process's HKCU may be another account's, that of whoever gave the password.
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Nimbrel"
!define VERSION "1.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbrel"
!define SETTINGS_KEY "SOFTWARE\Quillmora\Nimbrel_SS_1.0"
!define MACHINE "/MACHINE"

Name "${PRODUCT} ScreenSaver ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var machine  ; 1 in the elevated process

!macro Init
  SetRegView 64
  ${DisableX64FSRedirection}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${MACHINE}" $1
  ${IfNot} ${Errors}
    StrCpy $machine 1
    ; Its starter shows the progress and any failure.
    SetSilent silent
  ${EndIf}
!macroend

; RunMachinePart PARAMETERS WHAT: runs this program again as an administrator with
; PARAMETERS and waits for it; if it was refused or failed, says that WHAT could
; not be done and aborts.
!macro RunMachinePart PARAMETERS WHAT
  StrCpy $R0 "$EXEPATH"
  StrCpy $R1 "${PARAMETERS}"
  ; SHELLEXECUTEINFOW with SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC |
  ; SEE_MASK_FLAG_NO_UI, as a failure is told below, and a silent install must not
  ; wait on a message box. The System plug-in packs structures, so the padding of
  ; the 64-bit layout is spelled out.
  System::Call '*(i 112, i 0x540, p $HWNDPARENT, w "runas", w R0, w R1, p 0, i 1, i 0, p, p, p, p, i, i, p, p) p .R2'
  System::Call 'shell32::ShellExecuteExW(p R2) i .R3 ?e'
  Pop $R4
  ${If} $R3 = 0
    System::Free $R2
    ${If} $R4 = 1223  ; ERROR_CANCELLED
      MessageBox MB_OK|MB_ICONSTOP "${WHAT}: Windows was not allowed to run it as an administrator." /SD IDOK
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "${WHAT}: it could not be run as an administrator (error $R4)." /SD IDOK
    ${EndIf}
    Abort "${WHAT}."
  ${EndIf}
  System::Call '*$R2(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .R3)'
  System::Free $R2
  System::Call 'kernel32::WaitForSingleObject(p R3, i -1)'
  System::Call 'kernel32::GetExitCodeProcess(p R3, *i .R4)'
  System::Call 'kernel32::CloseHandle(p R3)'
  ${If} $R4 <> 0
    MessageBox MB_OK|MB_ICONSTOP "${WHAT}: its part as an administrator failed (exit code $R4)." /SD IDOK
    Abort "${WHAT}."
  ${EndIf}
!macroend

Function .onInit
  !insertmacro Init
FunctionEnd

Function un.onInit
  !insertmacro Init
FunctionEnd

Section "Install"
  ${If} $machine == 1
    ClearErrors
    SetOutPath "$SYSDIR"
    File "/oname=nimbrel.scr" "${SCR}"
    ; Without the saver in place, there is nothing to register.
    ${If} ${Errors}
      Abort
    ${EndIf}
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ScreenSaver"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillmora"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\nimbrel.scr"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${If} ${Errors}
      Abort
    ${EndIf}
  ${Else}
    DetailPrint "Installing into the system folder as an administrator..."
    !insertmacro RunMachinePart "${MACHINE} /D=$INSTDIR" "${PRODUCT} could not be installed"
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SETSAVER" $1
    ${IfNot} ${Errors}
      Call MakeCurrentSaver
    ${ElseIfNot} ${Silent}
      ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Make Nimbrel your screen saver?" IDYES`
        Call MakeCurrentSaver
      ${EndIf}
    ${EndIf}
  ${EndIf}
SectionEnd

Function MakeCurrentSaver
  WriteRegStr HKCU "Control Panel\Desktop" "SCRNSAVE.EXE" "$SYSDIR\nimbrel.scr"
  ; SPI_SETSCREENSAVEACTIVE with SPIF_UPDATEINIFILE | SPIF_SENDCHANGE writes
  ; ScreenSaveActive and has Windows take up the new saver now, not at sign-in.
  System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)'
FunctionEnd

Section "Uninstall"
  ${If} $machine == 1
    ClearErrors
    Delete "$SYSDIR\nimbrel.scr"
    ; A saver that is running cannot be deleted; its entry stays, to try again.
    ${If} ${Errors}
      Abort
    ${EndIf}
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quillmora"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${Else}
    DetailPrint "Removing from the system folder as an administrator..."
    ; This is the copy of the uninstaller in %TEMP%, which can delete the original.
    !insertmacro RunMachinePart "${MACHINE} _?=$INSTDIR" "${PRODUCT} could not be removed"
    ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
    ${If} $0 == "$SYSDIR\nimbrel.scr"
      DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
    ${EndIf}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "SOFTWARE\Quillmora"
  ${EndIf}
SectionEnd

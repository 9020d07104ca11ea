; The Nimbrel installer: nimbrel-setup.exe, for 64-bit Windows.
;   makensis -DSCR=path\to\nimbrel.scr -DOUTFILE=path\to\nimbrel-setup.exe -DMSI_UPGRADE_CODE={GUID} nimbrel.nsi
; Installs nimbrel.scr into the system folder, where the screen-saver settings list
; it; offers to make it the current user's screen saver (silently: /SETSAVER);
; registers an uninstaller that removes the file, its entry and the settings keys.
;
; What only an administrator may change is the machine's part. A process that holds
; an administrator's full token does it itself; any other starts an elevated copy of
; the program with /MACHINE for it: the installer that the user started, or the
; uninstaller in Program Files, which only administrators can change. The user's
; choice of saver stays in the first process: an elevated process's HKCU may be
; another account's, that of whoever gave the password.
;
; Exit codes: 0 done, 1 cancelled, 2 failed, 3 installed but /SETSAVER chose nothing,
; as it runs as SYSTEM, which is no user.
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
!define DESKTOP "Control Panel\Desktop"
!define MACHINE "/MACHINE"
!define IN_PLACE "/INPLACE"

Name "${PRODUCT} ScreenSaver ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var machine  ; 1 in the process that does the machine's part
Var elevated ; 1 where this process may do it itself
Var system   ; 1 as SYSTEM
Var nimbrel  ; the saver's path, as a user's choice names it

; Member SID_TYPE VAR: VAR is 1 when this process's token has that well-known group
; enabled; not so for a UAC administrator before elevation, whose group is deny-only.
!macro Member TYPE VAR
  System::Call '*(&i68) p .R0'
  System::Call 'advapi32::CreateWellKnownSid(i ${TYPE}, p 0, p R0, *i 68)'
  System::Call 'advapi32::CheckTokenMembership(p 0, p R0, *i .R1)'
  System::Free $R0
  StrCpy ${VAR} $R1
!macroend

!macro Init
  SetRegView 64
  ${DisableX64FSRedirection}
  StrCpy $nimbrel "$SYSDIR\nimbrel.scr"
  !insertmacro Member 26 $elevated  ; WinBuiltinAdministratorsSid
  !insertmacro Member 22 $system    ; WinLocalSystemSid
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${MACHINE}" $1
  ${IfNot} ${Errors}
    StrCpy $machine 1
    ; Its starter shows the progress and any failure.
    SetSilent silent
  ${EndIf}
!macroend

; RunMachinePart PROGRAM PARAMETERS WHAT: runs PROGRAM as an administrator with
; PARAMETERS and waits for it; unless it ran and succeeded, says that WHAT could not
; be done and aborts.
!macro RunMachinePart PROGRAM PARAMETERS WHAT
  StrCpy $R0 "${PROGRAM}"
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
  ; Without its process, or its end and exit code, nothing tells that it worked.
  StrCpy $R4 "no process"
  ${If} $R3 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p R3, i -1) i .R5'
    ${If} $R5 = 0
      System::Call 'kernel32::GetExitCodeProcess(p R3, *i .R4) i .R5'
      ${If} $R5 = 0
        StrCpy $R4 "no exit code"
      ${EndIf}
    ${Else}
      StrCpy $R4 "no end"
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R3)'
  ${EndIf}
  ${If} $R4 != 0
    MessageBox MB_OK|MB_ICONSTOP "${WHAT}: its part as an administrator failed ($R4)." /SD IDOK
    Abort "${WHAT}."
  ${EndIf}
!macroend

Function .onInit
  !insertmacro Init
  ; One installer at a time, so that one entry removes everything: the MSI's product
  ; is found by its UpgradeCode.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .R0) i .R1'
  ${If} $R1 == 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is already installed from nimbrel-1.0-x64.msi. Remove it in Programs and Features first." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro Init
  ; The uninstaller runs where it was installed (_?= in its entry's commands). Started
  ; there without _?=, NSIS runs a copy of it from %TEMP%, which hands over to it and
  ; returns its result; once only, however the two spell the folder.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${IN_PLACE}" $1
  ${If} ${Errors}
  ${AndIf} $EXEPATH != "$INSTDIR\uninstall.exe"
    ClearErrors
    ExecWait '"$INSTDIR\uninstall.exe" $0 ${IN_PLACE} _?=$INSTDIR' $1
    ${IfThen} ${Errors} ${|} StrCpy $1 2 ${|}
    SetErrorLevel $1
    Quit
  ${EndIf}
FunctionEnd

Section "Install"
  ${If} $machine == 1
  ${OrIf} $elevated == 1
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
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$nimbrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${If} ${Errors}
      Abort
    ${EndIf}
  ${Else}
    DetailPrint "Installing into the system folder as an administrator..."
    !insertmacro RunMachinePart "$EXEPATH" "${MACHINE} /D=$INSTDIR" "${PRODUCT} could not be installed"
  ${EndIf}
  ${If} $machine != 1
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SETSAVER" $1
    ${If} ${Errors}
      ${IfNot} ${Silent}
      ${AndIf} $system != 1
        MessageBox MB_YESNO|MB_ICONQUESTION "Make Nimbrel your screen saver?" IDNO done
        Call MakeCurrentSaver
      ${EndIf}
    ${ElseIf} $system == 1
      ; SYSTEM's own choice is that of the logon desktop, not of any user.
      StrCpy $0 "/SETSAVER chose no saver: it ran as SYSTEM. Choose the saver with the policy $\"Force specific screen saver$\"."
      DetailPrint $0
      FileOpen $1 "$INSTDIR\install.log" a
      FileWrite $1 "$0$\r$\n"
      FileClose $1
      SetErrorLevel 3
    ${Else}
      Call MakeCurrentSaver
    ${EndIf}
    done:
  ${EndIf}
SectionEnd

Function MakeCurrentSaver
  WriteRegStr HKCU "${DESKTOP}" "SCRNSAVE.EXE" "$nimbrel"
  ; SPI_SETSCREENSAVEACTIVE with SPIF_UPDATEINIFILE | SPIF_SENDCHANGE writes
  ; ScreenSaveActive and has Windows take up the new saver now, not at sign-in.
  System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)'
FunctionEnd

; Unchoose ROOT SUBKEY: where a user's saver is Nimbrel, chooses Windows' own blank
; one instead, so that the timeout and "On resume, display logon screen" still lock
; the computer; a choice of a missing file runs no saver, and so never locks it.
!macro Unchoose ROOT SUBKEY
  ReadRegStr $R1 ${ROOT} "${SUBKEY}${DESKTOP}" "SCRNSAVE.EXE"
  ${If} $R1 == $nimbrel
    WriteRegStr ${ROOT} "${SUBKEY}${DESKTOP}" "SCRNSAVE.EXE" "$SYSDIR\scrnsave.scr"
  ${EndIf}
!macroend

Section "Uninstall"
  ; This user's choice, before the machine's part unchooses it in every loaded profile.
  ReadRegStr $R9 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
  ${If} $machine == 1
  ${OrIf} $elevated == 1
    ClearErrors
    Delete "$SYSDIR\nimbrel.scr"
    ; A saver that is running cannot be deleted; its entry stays, to try again.
    ${If} ${Errors}
      Abort
    ${EndIf}
    ; Every user whose profile is loaded.
    StrCpy $R0 0
    ${Do}
      EnumRegKey $R2 HKU "" $R0
      ${IfThen} $R2 == "" ${|} ${ExitDo} ${|}
      !insertmacro Unchoose HKU "$R2\"
      IntOp $R0 $R0 + 1
    ${Loop}
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quillmora"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\install.log"
    ; The running uninstaller goes at the next restart.
    Delete /REBOOTOK "$INSTDIR\uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    DetailPrint "Removing from the system folder as an administrator..."
    !insertmacro RunMachinePart "$INSTDIR\uninstall.exe" "${MACHINE} _?=$INSTDIR" "${PRODUCT} could not be removed"
  ${EndIf}
  ${If} $machine != 1
    !insertmacro Unchoose HKCU ""
    ; SPI_SETSCREENSAVEACTIVE as it is, with SPIF_SENDCHANGE alone: Windows takes up
    ; the new choice, and ScreenSaveActive stays as the user left it.
    ${If} $R9 == $nimbrel
      System::Call 'user32::SystemParametersInfoW(i 16, i 0, *i .R1, i 0)'
      System::Call 'user32::SystemParametersInfoW(i 17, i R1, p 0, i 2)'
    ${EndIf}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "SOFTWARE\Quillmora"
  ${EndIf}
SectionEnd

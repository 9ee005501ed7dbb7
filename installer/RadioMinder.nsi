; The setup program of Zarn Radio Minder. installer/CMakeLists.txt builds it:
;   makensis -DVERSION=1.0 -DVERSION4=1.0.0.0
;            -DSTAGE=<folder of the stripped files> -DOUTFILE=<setup.exe>
;            -DICON=<tray/res/radio_on.ico>
; It installs the 32-bit build; on 64-bit Windows that is "Program Files
; (x86)" and the 32-bit registry view, where the 32-bit Control Panel
; (syswow64\control.exe) finds the applet.
;
; Install: the programs and the help file into one folder, the bridge
; service (vtqwmi -Service), the folder of the bridge's events marker file,
; the Control Panel item, rmtray at every user's logon, and the entry in
; the list of installed programs. Upgrade and uninstall first end the tray
; program of this session (command 1 to its hidden window) and unregister
; the bridge (vtqwmi -UnregServer stops and deletes the service). Users'
; settings (HKCU\Software\VTQ\Zarn Radio Minder) stay unless the uninstall
; is asked to remove them (its option, or /REMOVESETTINGS).
;
; The install folder holds the image the service manager starts as
; LocalSystem: before anything is copied into it or run from it, it gets
; its own protected access list (a folder chosen under C:\ would otherwise
; keep C:\'s, which lets every authenticated user change it), and a link
; or junction there is refused. Only the program the service manager has
; registered for the service is run to unregister an earlier bridge. The
; uninstaller follows no link or junction.
;
; DLL search: the stub (NSIS 3.08, x86-unicode) calls
; SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 |
; LOAD_LIBRARY_SEARCH_USER_DIRS) itself at start, before any script code,
; on every Windows but Vista (which the setup refuses), so the script
; adds no call of its own.

Unicode true
Target x86-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include FileFunc.nsh

!define PRODUCT "Zarn Radio Minder"
!define PUBLISHER "VTQ"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define CPL_KEY "Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls"
!define SETTINGS_KEY "Software\VTQ\${PRODUCT}"
; The bridge creates its events marker file here (in %ProgramFiles% as the
; 32-bit bridge sees it) but not the folder.
!define MARKER_FOLDER "$PROGRAMFILES\VTQ\Shared"
; The service's log folder (%ProgramData%\vtqwmi under SetShellVarContext all).
!define LOG_FOLDER "$APPDATA\vtqwmi"
!define SERVICE_KEY "SYSTEM\CurrentControlSet\Services\vtqwmi"
; Access lists. The install folder: the system and the administrators
; full, users read and run (0x1200a9: FILE_GENERIC_READ | FILE_EXECUTE).
; The log folder: the same list the service gives the folder it creates
; and resets. Both protected (nothing inherited); the owner becomes the
; administrators (O:BA), so that a user who made the folder beforehand
; keeps no owner's right to change its list.
!define INSTDIR_SDDL "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
!define LOG_SDDL "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)"
; GetFileAttributes
!define INVALID_FILE_ATTRIBUTES -1
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400

Name "${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

; The product's icon (the tray program's "radios on" icon) for the setup and the uninstaller.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro Prepare
  SetShellVarContext all
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs Windows 7 or later." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
!macroend

; Ends the tray program of this session that runs from $INSTDIR: its window
; is the hidden, untitled dialog of the process; command 1 ends it.
!macro EndTrayProgram un
Function ${un}EndTrayProgram
  StrCpy $5 0  ; windows ended, against a program that does not end
  StrCpy $0 0
  ${Do}
    FindWindow $0 "#32770" "" 0 $0
    ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r1) p .r2'
    ${IfThen} $2 P= 0 ${|} ${Continue} ${|}
    StrCpy $3 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN})'
    System::Call 'user32::IsWindowVisible(p r0) i .r4'
    ${If} $3 == "$INSTDIR\rmtray.exe"
    ${AndIf} $4 = 0
    ${AndIf} $5 < 8
      DetailPrint "Ending the tray program (process $1)"
      SendMessage $0 ${WM_COMMAND} 1 0 /TIMEOUT=5000
      System::Call 'kernel32::WaitForSingleObject(p r2, i 15000)'
      IntOp $5 $5 + 1
      StrCpy $0 0  ; its window is gone: search again from the start
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Loop}
FunctionEnd
!macroend
!insertmacro EndTrayProgram ""
!insertmacro EndTrayProgram "un."

; $0: a path; $1: 1 when it is a reparse point (a junction, a symbolic link),
; else 0 (also when nothing is there).
!macro IsLink un
Function ${un}IsLink
  System::Call 'kernel32::GetFileAttributesW(w r0) i .r1'
  ${If} $1 = ${INVALID_FILE_ATTRIBUTES}
    StrCpy $1 0
  ${Else}
    IntOp $1 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${IfThen} $1 <> 0 ${|} StrCpy $1 1 ${|}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IsLink ""
!insertmacro IsLink "un."

; $0: the ImagePath of the bridge's service; afterwards the program in it:
; environment strings expanded, a "\??\" prefix dropped, and when it is
; quoted, what stands between the quotes (the arguments after it dropped).
; An unquoted value is taken whole: the bridge registers its path quoted.
!macro BridgeImage un
Function ${un}BridgeImage
  ExpandEnvStrings $0 $0
  StrCpy $1 $0 4
  ${IfThen} $1 == "\??\" ${|} StrCpy $0 $0 "" 4 ${|}
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $0 $0 "" 1
    StrCpy $2 0
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $1 == '"' ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $0 $0 $2
  ${EndIf}
FunctionEnd
!macroend
!insertmacro BridgeImage ""
!insertmacro BridgeImage "un."

; Gives the existing folder $0 the security descriptor $1 (owner and
; protected access list). $2: empty when done, "link" when a junction,
; link or non-folder stands there (left alone), else "error N".
; The folder is opened as itself (a link in its place is not followed) and
; without sharing deletion: while the handle is held it cannot be renamed
; or replaced, so the list lands on the folder that was checked. Wine shows
; a link only in the directory listing's attributes: both are looked at.
Function ProtectFolder
  Push $3
  Push $4
  Push $5
  StrCpy $2 ""
  ; READ_CONTROL | FILE_READ_ATTRIBUTES; FILE_SHARE_READ | FILE_SHARE_WRITE;
  ; OPEN_EXISTING; FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT
  System::Call 'kernel32::CreateFileW(w r0, i 0x20080, i 3, p 0, i 3, i 0x02200000, p 0) p .r3 ?e'
  Pop $4
  ${If} $3 = -1
    StrCpy $2 "error $4"
  ${Else}
    System::Call '*(&i52) p .r5'  ; BY_HANDLE_FILE_INFORMATION
    System::Call 'kernel32::GetFileInformationByHandle(p r3, p r5) i .r4'
    ${If} $4 = 0
      StrCpy $4 ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${Else}
      System::Call '*$5(i .r4)'
    ${EndIf}
    System::Free $5
    System::Call 'kernel32::GetFileAttributesW(w r0) i .r5'
    ${IfThen} $5 <> ${INVALID_FILE_ATTRIBUTES} ${|} IntOp $4 $4 | $5 ${|}
    IntOp $4 $4 & 0x410  ; FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY
    ${If} $4 <> 0x10
      StrCpy $2 "link"
    ${Else}
      System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r1, i 1, *p .r5, p 0) i .r4 ?e'
      Pop $4
      ${If} $5 P= 0
        StrCpy $2 "error $4"
      ${Else}
        ; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION: the
        ; descriptor's protected flag goes with its list.
        System::Call 'advapi32::SetFileSecurityW(w r0, i 5, p r5) i .r4 ?e'
        Pop $2
        ${If} $4 <> 0
          StrCpy $2 ""
        ${Else}
          StrCpy $2 "error $2"
        ${EndIf}
        System::Call 'kernel32::LocalFree(p r5)'
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
FunctionEnd

; In the uninstaller, $0 a folder of the installation: $1 1 when it is a
; link or junction, which is then removed itself (RMDir, not recursive) and
; nothing inside it is touched; else 0.
Function un.RemoveLinkInstead
  Call un.IsLink
  ${If} $1 = 1
    DetailPrint "$0 is a link or junction: only the link is removed"
    RMDir "$0"
  ${EndIf}
FunctionEnd

; In the uninstaller, deletes the file $0 unless it is a link.
Function un.DeleteUnlessLink
  Call un.IsLink
  ${If} $1 = 1
    DetailPrint "$0 is a link: left as it is"
  ${Else}
    Delete "$0"
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro Prepare
FunctionEnd

Section
  Call EndTrayProgram

  ; The install folder: a link or junction there is refused; the folder
  ; gets its access list before anything is copied into it.
  StrCpy $0 "$INSTDIR"
  Call IsLink
  ${If} $1 = 1
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is a link or junction to another folder. Choose a plain folder: nothing was installed." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
  CreateDirectory "$INSTDIR"
  StrCpy $0 "$INSTDIR"
  StrCpy $1 "O:BA${INSTDIR_SDDL}"
  Call ProtectFolder
  ${If} $2 != ""
    MessageBox MB_OK|MB_ICONSTOP "The access list of $INSTDIR could not be set ($2): nothing was installed." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
  DetailPrint "Access list of $INSTDIR set"

  ; An earlier installation: its bridge stops, and its service and COM
  ; registration go, before its files are replaced. Only the program the
  ; service manager has registered is run, and only when the service
  ; exists: a vtqwmi.exe that merely lies in the chosen folder is never
  ; run.
  ClearErrors
  ReadRegStr $0 HKLM "${SERVICE_KEY}" "ImagePath"
  ${IfNot} ${Errors}
    Call BridgeImage
    ${If} ${FileExists} "$0"
      DetailPrint "Removing the bridge service of the earlier installation ($0)"
      ExecWait '"$0" -UnregServer'
    ${EndIf}
  ${EndIf}

  ; Files already there are deleted first: a file that is overwritten keeps
  ; its owner and access list, a new one takes the folder's.
  Delete "$INSTDIR\rmtray.exe"
  Delete "$INSTDIR\zarn_Radio_Minder_Help.chm"
  Delete "$INSTDIR\vtqwmi.exe"
  Delete "$INSTDIR\rmpanel.cpl"
  Delete "$INSTDIR\rmctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  SetOutPath "$INSTDIR"
  File "${STAGE}\rmtray.exe"
  File "${STAGE}\zarn_Radio_Minder_Help.chm"
  File "${STAGE}\vtqwmi.exe"
  File "${STAGE}\rmpanel.cpl"
  File "${STAGE}\rmctl.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The service's log folder, with the service's own access list, before
  ; the service exists; one already there gets it again, unless it is a
  ; link or junction (the service does not log into one).
  StrCpy $0 "${LOG_FOLDER}"
  Call IsLink
  ${If} $1 = 0
    CreateDirectory "${LOG_FOLDER}"
  ${EndIf}
  StrCpy $1 "O:BA${LOG_SDDL}"
  Call ProtectFolder
  ${If} $2 == "link"
    DetailPrint "${LOG_FOLDER} is a link or junction: left as it is, the bridge does not log there"
  ${ElseIf} $2 != ""
    DetailPrint "The access list of ${LOG_FOLDER} could not be set ($2)"
  ${EndIf}

  DetailPrint "Registering the bridge service"
  ExecWait '"$INSTDIR\vtqwmi.exe" -Service' $0
  ${If} $0 != 0
    DetailPrint "vtqwmi -Service failed: $0"
    SetErrors
  ${EndIf}
  CreateDirectory "${MARKER_FOLDER}"
  WriteRegStr HKLM "${CPL_KEY}" "rmpanel" "$INSTDIR\rmpanel.cpl"
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\rmtray.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rmtray.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "The bridge service could not be registered." /SD IDOK
    SetErrorLevel 4
  ${EndIf}
SectionEnd

Section /o "un.Remove my ${PRODUCT} settings" RemoveSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\VTQ"
SectionEnd

Section "-un.Programs"
  Call un.EndTrayProgram
  ; The program the service manager has registered for the service. With
  ; no service (its registration failed, or it was removed by hand) the COM
  ; registration may still be there: the bridge in this installation's
  ; folder removes it; that folder got its protected access list at
  ; install, and is not used when a link stands in its place.
  StrCpy $0 "$INSTDIR"
  Call un.IsLink
  StrCpy $3 $1
  ClearErrors
  ReadRegStr $0 HKLM "${SERVICE_KEY}" "ImagePath"
  ${If} ${Errors}
    StrCpy $0 ""
    ${IfThen} $3 = 0 ${|} StrCpy $0 "$INSTDIR\vtqwmi.exe" ${|}
  ${Else}
    Call un.BridgeImage
  ${EndIf}
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0"
    DetailPrint "Stopping and removing the bridge service ($0)"
    ExecWait '"$0" -UnregServer'
  ${EndIf}
  ; The relay key's parent, left by -UnregServer, when nothing else uses it.
  DeleteRegKey /ifempty HKLM "Software\VTQ"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegValue HKLM "${CPL_KEY}" "rmpanel"

  ; No link or junction is followed: one in place of a folder is removed
  ; itself, and nothing inside it.
  StrCpy $0 "$INSTDIR"
  Call un.RemoveLinkInstead
  ${If} $1 = 0
    Delete "$INSTDIR\rmtray.exe"
    Delete "$INSTDIR\zarn_Radio_Minder_Help.chm"
    Delete "$INSTDIR\vtqwmi.exe"
    Delete "$INSTDIR\rmpanel.cpl"
    Delete "$INSTDIR\rmctl.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
  ; The bridge's marker file and log; their folders when they are empty.
  StrCpy $0 "$PROGRAMFILES\VTQ"
  Call un.RemoveLinkInstead
  ${If} $1 = 0
    StrCpy $0 "${MARKER_FOLDER}"
    Call un.RemoveLinkInstead
    ${If} $1 = 0
      StrCpy $0 "${MARKER_FOLDER}\vtqwmi.events"
      Call un.DeleteUnlessLink
      RMDir "${MARKER_FOLDER}"
    ${EndIf}
    RMDir "$PROGRAMFILES\VTQ"
  ${EndIf}
  StrCpy $0 "${LOG_FOLDER}"
  Call un.RemoveLinkInstead
  ${If} $1 = 0
    StrCpy $0 "${LOG_FOLDER}\vtqwmi.log"
    Call un.DeleteUnlessLink
    RMDir "${LOG_FOLDER}"
  ${EndIf}
  ; Last: the entry goes when everything else has gone.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd


Function un.onInit
  !insertmacro Prepare
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${RemoveSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

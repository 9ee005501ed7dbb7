; The setup program of Zarn Radio Minder. installer/CMakeLists.txt builds it:
;   makensis -DVERSION=1.0 -DVERSION4=1.0.0.0
;            -DSTAGE=<folder of the stripped files> -DOUTFILE=<setup.exe>
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

Name "${PRODUCT}"
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

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
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

Function .onInit
  !insertmacro Prepare
FunctionEnd

Section
  Call EndTrayProgram
  ; An earlier installation: its bridge stops, and its service and COM
  ; registration go, before its files are replaced.
  ${If} ${FileExists} "$INSTDIR\vtqwmi.exe"
    DetailPrint "Removing the bridge service of the earlier installation"
    ExecWait '"$INSTDIR\vtqwmi.exe" -UnregServer'
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\rmtray.exe"
  File "${STAGE}\zarn_Radio_Minder_Help.chm"
  File "${STAGE}\vtqwmi.exe"
  File "${STAGE}\rmpanel.cpl"
  File "${STAGE}\rmctl.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

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
  DetailPrint "Stopping and removing the bridge service"
  ExecWait '"$INSTDIR\vtqwmi.exe" -UnregServer'
  ; The relay key's parent, left by -UnregServer, when nothing else uses it.
  DeleteRegKey /ifempty HKLM "Software\VTQ"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegValue HKLM "${CPL_KEY}" "rmpanel"

  Delete "$INSTDIR\rmtray.exe"
  Delete "$INSTDIR\zarn_Radio_Minder_Help.chm"
  Delete "$INSTDIR\vtqwmi.exe"
  Delete "$INSTDIR\rmpanel.cpl"
  Delete "$INSTDIR\rmctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The bridge's marker file and log; their folders when they are empty.
  Delete "${MARKER_FOLDER}\vtqwmi.events"
  RMDir "${MARKER_FOLDER}"
  RMDir "$PROGRAMFILES\VTQ"
  Delete "$APPDATA\vtqwmi\vtqwmi.log"
  RMDir "$APPDATA\vtqwmi"
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

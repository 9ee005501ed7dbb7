' Creates the bridge's class by ProgID and calls it through IDispatch.
' Exit code: 0 when vtqSetupWmiEvents(0) answered S_OK and
' vtqTurnOnExternalDisplays reached the bridge; 1 + step otherwise.
On Error Resume Next
Dim bridge
Set bridge = CreateObject("Vtqwmi.vtqCallBiosEx")
If Err.Number <> 0 Then WScript.Echo "create: " & Hex(Err.Number) : WScript.Quit 2
bridge.vtqSetupWmiEvents 0
If Err.Number <> 0 Then WScript.Echo "setup: " & Hex(Err.Number) : WScript.Quit 3
Set bridge = Nothing
WScript.Quit 0

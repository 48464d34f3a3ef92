' Creates an object of every class by its ProgID, as a script host of an installed copy does.
' The argument "absent" turns the check around: after removal no ProgID may create anything.
Option Explicit
On Error Resume Next
Dim names, i, o, passed, failed, absent
names = Array("clsNetw", "cyInifINIFilesObj", "classMRU", "clSShortCut", "clzBriCon", "clsCrypto", _
    "clsResolu", "clsOnTop1", "clsKeyBoard", "clsCapture", "clsMSAgent", "clsVFW", "clsWinReg", _
    "clsEnetAdd", "clsDrvInfo2", "clsDriveInfo", "clsSecretFiles", "clsResTarvik", "cLoadResPicture", _
    "clsControlPanelEntry", "clsDSN", "clsDorvelRegHand2A")
absent = WScript.Arguments.Count > 0
If absent Then absent = (WScript.Arguments(0) = "absent")
passed = 0
failed = 0
For i = 0 To UBound(names)
    Err.Clear
    Set o = Nothing
    Set o = CreateObject("WENDRAX1." & names(i))
    If absent Then
        If Err.Number <> 0 Then
            passed = passed + 1
        Else
            failed = failed + 1
            WScript.Echo "FAIL WENDRAX1." & names(i) & " still creates an object"
        End If
    ElseIf Err.Number = 0 Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL WENDRAX1." & names(i) & ": error " & Err.Number & " " & Err.Description
    End If
Next
Dim summary
summary = CStr(UBound(names) + 1) & " ProgIDs, " & passed & " passed, " & failed & " failed"
WScript.Echo summary
WScript.Quit failed

' Shared by every script test (the runner puts this file in front of the test; Wine's VBScript
' has no ExecuteGlobal). Each check prints a line; Finish prints the closing count line and ends
' the script with the number of failures as its exit code.
Option Explicit
Dim passed, failed
passed = 0
failed = 0

Sub Check(condition, name)
    If condition Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & name
    End If
End Sub

Sub CheckEqual(actual, expected, name)
    If actual = expected Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & name & ": got [" & actual & "] expected [" & expected & "]"
    End If
End Sub

' Checks the error left by the previous statement (run under On Error Resume Next) and clears it.
Sub CheckError(number, name)
    If Err.Number = number Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & name & ": error " & Err.Number & " (" & Err.Description & "), expected " & number
    End If
    Err.Clear
End Sub

Function TempFolder()
    Dim shell
    Set shell = CreateObject("WScript.Shell")
    TempFolder = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")
End Function

Sub Finish()
    WScript.Echo passed & " passed, " & failed & " failed"
    WScript.Quit failed
End Sub


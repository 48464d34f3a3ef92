' A tour of WENDRAX1: creates its classes by ProgID and shows what they do.
Option Explicit

Dim shell, temp
Set shell = CreateObject("WScript.Shell")
temp = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")

Sub Title(text)
    WScript.Echo ""
    WScript.Echo "== " & text & " =="
End Sub

' ---- INI files ----
Sub TourIni()
    Dim ini, names, count, i, path
    Title "INI files (WENDRAX1.cyInifINIFilesObj)"
    path = temp & "\wendrax1-tour.ini"
    Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
    ini.Path = path
    ini.Section = "Window"
    ini.Key = "Caption" : ini.Value = "Tour"
    ini.Key = "Left" : ini.Value = "1200"
    ini.Section = "Recent"
    ini.Key = "File1" : ini.Value = "C:\report.txt"
    WScript.Echo "wrote three entries to " & path & ", success: " & ini.Success
    ini.Section = "Window" : ini.Key = "Caption"
    WScript.Echo "Window/Caption reads: " & ini.Value
    ini.Key = "Missing" : ini.Default = "(none)"
    WScript.Echo "Window/Missing reads the default: " & ini.Value
    ini.EnumerateAllSections names, count
    WScript.Echo "sections: " & count
    For i = 1 To count
        WScript.Echo "  [" & names(i) & "]"
    Next
    ini.EnumerateCurrentSection names, count
    WScript.Echo "keys of [Window]: " & count
    For i = 1 To count
        WScript.Echo "  " & names(i)
    Next
    WScript.Echo "CLngDefault(""42"", 0) = " & ini.CLngDefault("42", 0) & ", CLngDefault(""x"", 7) = " & ini.CLngDefault("x", 7)
    ini.DeleteSectionINI
    ini.EnumerateAllSections names, count
    WScript.Echo "after deleting [Window]: " & count & " section(s) left"
    ini.Section = "Recent" : ini.DeleteSectionINI
    CreateObject("Scripting.FileSystemObject").DeleteFile path
End Sub

TourIni

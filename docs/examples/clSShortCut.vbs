' clSShortCut: the Windows folders, and a shortcut to Notepad put on the user's desktop and
' removed again.
Option Explicit
Dim fso, sc, win, title, made, link

Set fso = CreateObject("Scripting.FileSystemObject")
Set sc = CreateObject("WENDRAX1.clSShortCut")

win = sc.GetWinDir()
WScript.Echo "Windows folder exists: " & fso.FolderExists(win)
WScript.Echo "GetWinSysDir is GetWinDir & ""\System\"": " & (sc.GetWinSysDir() = win & "\System\")

' A title of its own, so that two runs at once do not meet; spaces around the texts are trimmed.
title = "WENDRAX1 example " & Left(fso.GetTempName(), 8)
made = sc.doAddShortCut("  " & fso.BuildPath(win, "notepad.exe") & " ", " " & title & " ", "readme.txt")
WScript.Echo "doAddShortCut: " & made
link = fso.BuildPath(CreateObject("WScript.Shell").SpecialFolders("Desktop"), title & ".lnk")
WScript.Echo "the link is on the desktop: " & fso.FileExists(link)
fso.DeleteFile link

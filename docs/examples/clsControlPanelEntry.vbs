' An entry on the desktop and in the Control Panel: registered, read back, removed.
' (Writes under HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE: run it with administrative rights.)
Option Explicit
Dim entry, shell, id, title, tip, icon, command, attributes

Function KeyExists(path)
    Dim value
    On Error Resume Next
    value = shell.RegRead(path)
    KeyExists = (Err.Number = 0)
    On Error GoTo 0
End Function

Set shell = CreateObject("WScript.Shell")
Set entry = CreateObject("WENDRAX1.clsControlPanelEntry")

id = "{6F1C3A52-8E0B-4D5A-9C37-2B4E57D1A0C9}"     ' the entry's own class identifier
title = "WENDRAX1 example"
tip = ""                                           ' an empty text is stored as one space
icon = "%SystemRoot%\system32\shell32.dll,21"
command = "notepad.exe"
entry.CreateEntryToSystemPanel id, title, tip, icon, command

WScript.Echo "Title: " & shell.RegRead("HKCR\CLSID\" & id & "\")
WScript.Echo "Tooltip variable now: [" & tip & "]"
WScript.Echo "Opens with: " & shell.RegRead("HKCR\CLSID\" & id & "\Shell\Open\Command\")
WScript.Echo "Server: " & shell.RegRead("HKCR\CLSID\" & id & "\InProcServer32\")
attributes = shell.RegRead("HKCR\CLSID\" & id & "\ShellFolder\Attributes")
WScript.Echo "Attributes: " & (UBound(attributes) + 1) & " bytes"
WScript.Echo "On the desktop: " & KeyExists("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\" & id & "\")
WScript.Echo "In the Control Panel: " & KeyExists("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ControlPanel\NameSpace\" & id & "\")

entry.DeleteEntryFromSystemPanel id
WScript.Echo "After removal, class key left: " & KeyExists("HKCR\CLSID\" & id & "\")
WScript.Echo "After removal, on the desktop: " & KeyExists("HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\" & id & "\")

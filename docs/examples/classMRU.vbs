' A list of recently opened files, kept in the user's application settings.
Option Explicit
Dim mru, other, list, i, shell

Set mru = CreateObject("WENDRAX1.classMRU")
mru.Parent = "WENDRAX1 examples"     ' the application
mru.Child = "Recent files"           ' the section
mru.MaxNum = 3
mru.Clear                            ' start from an empty list

mru.Save "C:\docs\plan.txt"
mru.Save "C:\docs\budget.xls"
mru.Save "C:\docs\letter.doc"
WScript.Echo "Entries: " & mru.Num & ", most recent: " & mru.Last

mru.Save "C:\docs\plan.txt"          ' already listed: moves to the top
mru.Save "C:\docs\notes.txt"         ' new: the oldest entry falls off
mru.GetArray list
For i = 1 To UBound(list)
    WScript.Echo i & ": " & list(i)
Next

' Another instance with the same place sees the same list.
Set other = CreateObject("WENDRAX1.classMRU")
other.Parent = "WENDRAX1 examples"
other.Child = "Recent files"
WScript.Echo "Seen by another instance: " & other.Num & " entries, first " & other.Last

' A Basic program reads the same values with GetSetting; a script can read them from the registry.
Set shell = CreateObject("WScript.Shell")
WScript.Echo "MRUNum in the store: " & shell.RegRead("HKCU\Software\VB and VBA Program Settings\WENDRAX1 examples\Recent files\MRUNum")

' MaxNum below 1 makes Save fail with error 9.
On Error Resume Next
mru.MaxNum = 0
mru.Save "C:\docs\x.txt"
WScript.Echo "Save with MaxNum 0: error " & Err.Number & " (" & Err.Description & ")"
On Error GoTo 0

mru.ClearParent                      ' removes everything stored under "WENDRAX1 examples"
WScript.Echo "After ClearParent: " & mru.Num & " entries"

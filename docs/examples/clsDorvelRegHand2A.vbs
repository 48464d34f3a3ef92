' One registry value at a time: texts, expandable texts, numbers and bytes, lists, and errors.
Option Explicit
Const HKEY_CURRENT_USER = &H80000001
Const REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4
Dim h, shell, base, names, count, i, bytes, copy, ok, found

Set shell = CreateObject("WScript.Shell")
Set h = CreateObject("WENDRAX1.clsDorvelRegHand2A")
base = "Software\WENDRAX1 examples\clsDorvelRegHand2A"
h.ClassKey = HKEY_CURRENT_USER
h.SectionKey = base & "\Settings"
WScript.Echo "Key exists before: " & h.KeyExists
h.CreateKey
WScript.Echo "Key exists after CreateKey: " & h.KeyExists

h.ValueType = REG_SZ
h.ValueKey = "Title" : h.Value = "Quarterly report"
h.ValueKey = "Share" : h.Value = "50%"
h.ValueKey = "Home" : h.Value = "%SystemRoot%\reports"     ' two % signs: stored expandable
h.ValueType = REG_DWORD
h.ValueKey = "Copies" : h.Value = 3

h.ValueKey = "Title"
WScript.Echo "Title: " & h.Value & " (type " & h.ValueType & ")"
h.ValueKey = "Share"
WScript.Echo "Share: " & h.Value & " (type " & h.ValueType & ")"
h.ValueKey = "Home"
WScript.Echo "Home is expanded: " & (InStr(h.Value, "%") = 0 And Right(h.Value, 8) = "\reports") & " (type " & h.ValueType & ")"
h.ValueKey = "Copies"
WScript.Echo "Copies: " & h.Value & " (" & TypeName(h.Value) & ", type " & h.ValueType & ")"

' A Double with the number type writes nothing; CLng makes it a Long.
h.ValueType = REG_DWORD
h.Value = 10 / 2
WScript.Echo "After writing 10 / 2: " & h.Value
h.Value = CLng(10 / 2)
WScript.Echo "After writing CLng(10 / 2): " & h.Value

' A missing value reads as Default.
h.ValueKey = "Paper"
h.Default = "A4"
WScript.Echo "Paper (missing): " & h.Value

' Bytes: read a binary value as an array of Bytes and write it back under another name.
shell.RegWrite "HKCU\" & base & "\Settings\Flags", 1027, "REG_BINARY"
h.ValueKey = "Flags"
bytes = h.Value
WScript.Echo "Flags read as an array of Bytes: " & (VarType(bytes) = vbArray + vbByte) & " (type " & h.ValueType & ")"
h.ValueKey = "Flags copy"
h.Value = bytes                                           ' ValueType is still 3 from the read
copy = shell.RegRead("HKCU\" & base & "\Settings\Flags copy")
WScript.Echo "The copy holds " & (UBound(copy) + 1) & " bytes: " & copy(0) & " " & copy(1) & " " & copy(2) & " " & copy(3)

' The names come in the registry's order, which the program should not rely on.
ok = h.EnumerateValues(names, count)
found = False
For i = 1 To count
    If names(i) = "Flags copy" Then found = True
Next
WScript.Echo count & " values, ""Flags copy"" among them: " & found

h.SectionKey = base & "\Settings\Printing"
h.CreateKey
h.SectionKey = base & "\Settings"
ok = h.EnumerateSections(names, count)
WScript.Echo "Subkeys: " & count & " (" & names(1) & ")"

' Errors carry a number, the source WENDRAX1.cRegistry and a description.
On Error Resume Next
h.DeleteKey                                               ' it still has a subkey
WScript.Echo "DeleteKey: " & Err.Number & ", " & Err.Source
WScript.Echo "  " & Err.Description
Err.Clear
h.ValueKey = "No such value"
h.DeleteValue
WScript.Echo "DeleteValue: " & Err.Number
WScript.Echo "  " & Err.Description
Err.Clear
h.CreateAdditionalEXEAssociations "WENDRAX1Example.Document", Array("edit", "&Edit")
WScript.Echo "Two items instead of a triple: " & Err.Number
WScript.Echo "  " & Err.Description
On Error GoTo 0

' Clean up: values, then keys, deepest first.
h.SectionKey = base & "\Settings\Printing" : h.DeleteKey
h.SectionKey = base & "\Settings"
For Each i In Array("Title", "Share", "Home", "Copies", "Flags", "Flags copy")
    h.ValueKey = i
    h.DeleteValue
Next
h.DeleteKey
h.SectionKey = base : h.DeleteKey
h.SectionKey = "Software\WENDRAX1 examples"
On Error Resume Next
h.DeleteKey                                               ' refused while other examples' keys are there
On Error GoTo 0
h.SectionKey = base
WScript.Echo "Key exists at the end: " & h.KeyExists

' The registry classes as a script host uses them: ByRef arguments, values read back, and every
' error the handler raises with its number, source and description.
On Error Resume Next
Dim reg, h, sh, base, v, names, count, ok, i
Const HKCU = &H80000001
base = "Software\WENDRAX1 host test"
Set sh = CreateObject("WScript.Shell")

' clsWinReg: keys and values through script variables.
Set reg = CreateObject("WENDRAX1.clsWinReg")
Dim root, key, vname, vval, vtype
root = HKCU
key = base & "\WinReg"
reg.CreateNewKey root, key
vname = "Text" : vval = "abc" : vtype = 1
reg.SetKeyValue root, key, vname, vval, vtype
v = reg.QueryValue(root, key, vname)
CheckEqual Len(v), 4, "a REG_SZ reads back with its terminating NUL"
CheckEqual Left(v, 3), "abc", "the text reads back"
vname = "Number" : vval = "1234" : vtype = 4
reg.SetKeyValue root, key, vname, vval, vtype
CheckEqual reg.QueryValue(root, key, vname), 1234, "a REG_DWORD reads back as a number"
CheckEqual VarType(reg.QueryValue(root, key, vname)), vbLong, "the number is a Long"
vval = "many"
reg.SetKeyValue root, key, vname, vval, vtype
CheckError 13, "text that is no number raises type mismatch"
vval = 3000000000
reg.SetKeyValue root, key, vname, vval, vtype
CheckError 6, "a number beyond 32 bits raises overflow"
CheckEqual sh.RegRead("HKCU\" & key & "\Number"), 1234, "the failed writes left the value"
vname = "Missing"
CheckEqual VarType(reg.QueryValue(root, key, vname)), vbEmpty, "a missing value reads empty"
Dim missingKey
missingKey = base & "\NoSuchKey"
vname = "x" : vval = "y" : vtype = 1
reg.SetKeyValue root, missingKey, vname, vval, vtype
CheckError 0, "SetKeyValue on a missing key raises nothing"
reg.DeleteValue root, key, "Text"
vname = "Text"
CheckEqual VarType(reg.QueryValue(root, key, vname)), vbEmpty, "DeleteValue removed the value"
Dim zero
zero = 0
reg.DeleteKey zero, key
reg.CreateNewKey zero, key
CheckError 0, "root 0 raises nothing"

' clsDorvelRegHand2A: properties, types and the percent rule.
Set h = CreateObject("WENDRAX1.clsDorvelRegHand2A")
CheckEqual h.KeyExists, False, "no root set: the key does not exist"
h.Default = "fallback"
CheckEqual h.Value, "fallback", "no root set: the value is the default"
h.ClassKey = HKCU
h.SectionKey = base & "\Handler"
CheckEqual h.CreateKey, True, "CreateKey"
Check h.KeyExists, "the key exists after CreateKey"
h.ValueKey = "Path"
h.ValueType = 1
h.Value = "C:\%WINDIR%\x"
CheckEqual h.ValueType, 1, "writing does not change the value type field"
v = h.Value
CheckEqual h.ValueType, 2, "a text with a variable between percent signs is stored expandable"
Check InStr(v, "%") = 0 And Right(v, 2) = "\x" And Left(v, 3) = "C:\", "the variable is expanded on reading: " & v
h.ValueKey = "Share"
h.ValueType = 2
h.Value = "50%"
v = h.Value
CheckEqual h.ValueType, 1, "a single percent sign is stored as plain text"
CheckEqual v, "50%", "the text reads back"
h.ValueKey = "Number"
h.ValueType = 4
h.Value = 258
CheckEqual h.Value, 258, "a Long reads back"
h.Value = 3.5
CheckError 0, "a Double with the DWORD type writes nothing and raises nothing"
CheckEqual h.Value, 258, "the Double wrote nothing"
h.ValueKey = "Empty"
h.ValueType = 1
h.Value = ""
CheckEqual h.Value, "", "an empty text reads back empty"
h.ValueKey = "Nowhere"
CheckEqual h.Value, "fallback", "a missing value reads as the default"

ok = h.EnumerateValues(names, count)
CheckEqual ok, True, "EnumerateValues reports success"
CheckEqual count, 4, "four values listed"
CheckEqual LBound(names), 1, "the value names start at 1"
CheckEqual UBound(names), 4, "the value names end at the count"

' Subkeys listed.
For i = 1 To 3
    sh.RegWrite "HKCU\" & base & "\Handler\Sub" & i & "\", ""
Next
ok = h.EnumerateSections(names, count)
CheckEqual count, 3, "three subkeys listed"
CheckEqual names(1) & names(2) & names(3), "Sub1Sub2Sub3", "the subkey names"
h.SectionKey = base & "\Nothing here"
ok = h.EnumerateSections(names, count)
CheckEqual ok, True, "listing a missing key succeeds"
CheckEqual count, 0, "with no names"

' A binary value copies through a script: it reads as an array of bytes and writes back as it is.
sh.Run "reg add ""HKCU\" & base & "\Binary"" /v Five /t REG_BINARY /d 0102FF0010 /f", 0, True
h.SectionKey = base & "\Binary"
h.ValueKey = "Five"
v = h.Value
CheckEqual VarType(v), 8209, "a REG_BINARY value reads as an array of bytes"
' (Wine's VBScript raises 445 for LBound and UBound of a byte array; the unit tests read its bounds.)
h.ValueKey = "Copy"
h.ValueType = 3
h.Value = v
CheckError 0, "the bytes write back"
Dim copied
copied = sh.RegRead("HKCU\" & base & "\Binary\Copy")
CheckEqual UBound(copied), 4, "the copy has five bytes"
CheckEqual copied(0) & " " & copied(1) & " " & copied(2) & " " & copied(3) & " " & copied(4), "1 2 255 0 16", "the copy holds the same bytes"

' Raised errors: number, source, description.
Dim src
src = "WENDRAX1.cRegistry"
h.SectionKey = base & "\Handler"
CheckEqual h.DeleteKey, 0, "DeleteKey on a key with subkeys raises"
CheckEqual Err.Number, 26001, "DeleteKey error number"
CheckEqual Err.Source, src, "DeleteKey error source"
CheckEqual Err.Description, "Failed to delete registry Key: '-2147483647',Section: '" & base & "\Handler", "DeleteKey error text"
Err.Clear
h.SectionKey = base & "\Not there"
h.ValueKey = "v"
h.DeleteValue
CheckEqual Err.Number, 26001, "DeleteValue on a missing key"
CheckEqual Err.Source, src, "DeleteValue error source"
CheckEqual Err.Description, "Failed to open key '-2147483647',Section: '" & base & "\Not there' for delete access", "DeleteValue open text"
Err.Clear
h.SectionKey = base & "\Handler"
h.ValueKey = "No such value"
h.DeleteValue
CheckEqual Err.Number, 26001, "DeleteValue on a missing value"
CheckEqual Err.Description, "Failed to delete registry Key: '-2147483647',Section: '" & base & "\Handler',Key: 'No such value", "DeleteValue text"
Err.Clear
h.ValueKey = "Bytes"
h.ValueType = 3
h.Value = "not bytes"
CheckEqual Err.Number, 26001, "a binary write of text"
CheckEqual Err.Source, src, "binary write error source"
CheckEqual Err.Description, "Application-defined or object-defined error", "binary write error text"
Err.Clear
h.ValueType = 1
h.ValueKey = "Last"
h.Value = "previous"
h.ValueType = 7
h.ValueKey = "Multi"
h.Value = "x"
CheckEqual Err.Number, -2147194455, "a type that cannot be written"
CheckEqual Err.Source, src, "set-value error source"
CheckEqual Err.Description, "Failed to set registry value Key: '-2147483647',Section: '" & base & "\Handler',Key: 'Multi' to value: 'previous'", "set-value text quotes the last value written"
Err.Clear
h.ClassKey = 0
h.ValueType = 1
h.Value = "x"
CheckEqual Err.Number, 26001, "writing without a root"
CheckEqual Err.Description, "Failed to set registry value Key: '0',Section: '" & base & "\Handler',Key: 'Multi' to value: 'previous'", "create-for-write text"
Err.Clear
h.CreateKey
CheckEqual Err.Number, 26001, "CreateKey without a root"
CheckEqual Err.Description, "Failed to create registry Key: '" & base & "\Handler", "CreateKey text"
Err.Clear
h.ClassKey = HKCU
Dim items
items = Array("a", "b", "c", "d")
h.CreateAdditionalEXEAssociations "WxHostTest.File", items
CheckEqual Err.Number, -2147194452, "four items"
CheckEqual Err.Source, src, "item list error source"
CheckEqual Err.Description, "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command", "item list text"
Err.Clear
items = Array("view", "&View", "viewer.exe ""%1""")
h.CreateAdditionalEXEAssociations "WxHostTest.NoSuchClass", items
CheckEqual Err.Number, -2147194451, "a class that is not defined"
CheckEqual Err.Source, src, "class error source"
CheckEqual Err.Description, "Error - attempt to create additional associations before class defined.", "class error text"
Err.Clear

' Clean up.
sh.Run "reg delete ""HKCU\" & base & """ /f", 0, True
h.SectionKey = base
CheckEqual h.KeyExists, False, "the scratch keys are gone"
Call Finish()

' Keys and values under HKEY_CURRENT_USER: create, write, read back, delete.
Option Explicit
Const HKEY_CURRENT_USER = &H80000001
Const REG_SZ = 1
Const REG_DWORD = 4
Dim reg, root, key, name, value, valueType, text, status, missing

Set reg = CreateObject("WENDRAX1.clsWinReg")
root = HKEY_CURRENT_USER
key = "Software\WENDRAX1 examples\clsWinReg"
reg.CreateNewKey root, key

name = "Greeting" : value = "Hello" : valueType = REG_SZ
reg.SetKeyValue root, key, name, value, valueType
text = reg.QueryValue(root, key, name)
WScript.Echo "Length read back: " & Len(text) & " (the text and its NUL)"
text = Left(text, InStr(text & Chr(0), Chr(0)) - 1)
WScript.Echo "Greeting: " & text

name = "Count" : value = 42 : valueType = REG_DWORD
reg.SetKeyValue root, key, name, value, valueType
value = reg.QueryValue(root, key, name)
WScript.Echo "Count: " & value & " (" & TypeName(value) & ")"

' A value that is not there reads as Empty; QueryValueEx tells why.
name = "Nothing here"
WScript.Echo "Missing value is Empty: " & IsEmpty(reg.QueryValue(root, key, name))
missing = "untouched"
status = reg.QueryValueEx(root, "WENDRAX1 example: no such value", missing)
WScript.Echo "QueryValueEx status: " & status & ", variable " & missing

' A number that is not a number raises Type mismatch.
On Error Resume Next
name = "Count" : value = "many" : valueType = REG_DWORD
reg.SetKeyValue root, key, name, value, valueType
WScript.Echo "Writing ""many"" as a number: error " & Err.Number & " (" & Err.Description & ")"
On Error GoTo 0

' Delete the values, then the keys, deepest first.
reg.DeleteValue root, key, "Greeting"
reg.DeleteValue root, key, "Count"
reg.DeleteKey root, key
reg.DeleteKey root, "Software\WENDRAX1 examples"
name = "Count"
WScript.Echo "After deleting: " & IsEmpty(reg.QueryValue(root, key, name))

' clsSecretFiles: four short texts written to a file in enciphered form and read back.
Option Explicit
Dim fso, sf, path, written, parts, lines, t, i

Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetAbsolutePathName("."), "clsSecretFiles-records.dat")

Set sf = CreateObject("WENDRAX1.clsSecretFiles")
written = sf.WriteSecretFile(path, "abc", "", "x", "2024")
parts = Split(written, vbCrLf)
WScript.Echo "records returned: " & (UBound(parts) + 1)
WScript.Echo "first record's codes: " & Asc(Mid(parts(0), 1, 1)) & " " & Asc(Mid(parts(0), 2, 1)) & " " & Asc(Mid(parts(0), 3, 1))
WScript.Echo "second record is empty: " & (parts(1) = "")

' The file: four quoted lines.
Set t = fso.OpenTextFile(path)
For i = 1 To 4
    lines = t.ReadLine
    WScript.Echo "line " & i & " length: " & Len(lines) & ", quoted: " & (Left(lines, 1) = """" And Right(lines, 1) = """")
Next
t.Close

' Read back on a new instance.
Set sf = CreateObject("WENDRAX1.clsSecretFiles")
WScript.Echo "read back: " & sf.ReadSecretFile(path, "")

' A missing file on a new instance gives four empty records.
Set sf = CreateObject("WENDRAX1.clsSecretFiles")
WScript.Echo "missing file: " & sf.ReadSecretFile(fso.BuildPath(fso.GetAbsolutePathName("."), "none.dat"), "")

fso.DeleteFile path

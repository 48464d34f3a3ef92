' A VBScript host meets names the code page cannot hold: Wine's VBScript has no ChrW, so the
' names are read from a UTF-16 file (written here byte by byte). Each name reaches the file it
' names, the INI file of that name and the registry value of that name, and its look-alike twin
' ("Omega" for Greek Omega) stays untouched.
On Error Resume Next
Dim sh, fso, temp, folder, f, bytes, i, text, sep, names, twins, crypto, ini, h, path, twin, base
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
temp = Replace(sh.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")
folder = temp & "\wx-unicode-settings-vbs"
If fso.FolderExists(folder) Then fso.DeleteFolder folder, True
fso.CreateFolder folder

' UTF-16 (little-endian, with its mark): "No" sign, then Omega, Dmitriy in Cyrillic, two Chinese
' characters and an emoji, each after the sign. No byte is 0 or undefined in code page 1252.
bytes = Array(&HFF, &HFE, &H16, &H21, &HA9, &H3, &H16, &H21, &H14, &H4, &H3C, &H4, &H38, &H4, &H42, &H4, _
              &H40, &H4, &H38, &H4, &H39, &H4, &H16, &H21, &H2D, &H4E, &H87, &H65, &H16, &H21, &H3D, &HD8, &H3, &HDE)
Set f = fso.CreateTextFile(folder & "\names.txt", True, False)
For i = 0 To UBound(bytes)
    f.Write Chr(bytes(i))
Next
f.Close
Set f = fso.OpenTextFile(folder & "\names.txt", 1, False, -1)
text = f.ReadAll
f.Close
CheckError 0, "the names are read from a UTF-16 file"
CheckEqual Len(text), 16, "sixteen UTF-16 code units"
sep = Left(text, 1)
names = Split(Mid(text, 2), sep)
CheckEqual UBound(names), 3, "four names"
CheckEqual Len(names(0)) & Len(names(1)) & Len(names(2)) & Len(names(3)), "1722", "of 1, 7, 2 and 2 code units"
names(0) = names(0) & "mega"
twins = Array("Omega", "Dmitrij", "zh", "smile")

Set crypto = CreateObject("WENDRAX1.clsCrypto")
Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
Set h = CreateObject("WENDRAX1.clsDorvelRegHand2A")
base = "Software\WENDRAX1 host unicode vbs"
h.ClassKey = &H80000001
For i = 0 To 3
    path = folder & "\" & names(i)
    twin = folder & "\" & twins(i)
    Set f = fso.CreateTextFile(path & ".txt", True) : f.Write "secret" : f.Close
    Set f = fso.CreateTextFile(twin & ".txt", True) : f.Write "twin" : f.Close
    Check crypto.FileCryptography(0, path & ".txt", "pw", "", 19), "encrypts " & twins(i)
    Check fso.OpenTextFile(path & ".txt").ReadAll <> "secret", "the named file is encrypted: " & twins(i)
    Check crypto.FileCryptography(1, path & ".txt", "pw", "", 19), "decrypts " & twins(i)
    CheckEqual fso.OpenTextFile(path & ".txt").ReadAll, "secret", "the named file decrypts: " & twins(i)
    CheckEqual fso.OpenTextFile(twin & ".txt").ReadAll, "twin", "the twin file is untouched: " & twins(i)

    Set f = fso.CreateTextFile(twin & ".ini", True) : f.Write "[S]" & vbCrLf & "k=twin" & vbCrLf : f.Close
    ini.Path = path & ".ini"
    ini.Section = "S" : ini.Key = "k" : ini.Value = "named"
    Check ini.Success, "writes the INI file " & twins(i)
    CheckEqual ini.Value, "named", "reads the INI file " & twins(i)
    CheckEqual fso.OpenTextFile(twin & ".ini").ReadAll, "[S]" & vbCrLf & "k=twin" & vbCrLf, "the twin INI file is untouched: " & twins(i)

    h.SectionKey = base : h.ValueKey = twins(i) & "??" : h.ValueType = 1 : h.Value = "twin"
    h.ValueKey = names(i) : h.Value = names(i) & "!"
    CheckEqual sh.RegRead("HKCU\" & base & "\" & names(i)), names(i) & "!", "the host reads the value " & twins(i)
    CheckEqual h.Value, names(i) & "!", "the handler reads it back: " & twins(i)
    CheckEqual sh.RegRead("HKCU\" & base & "\" & twins(i) & "??"), "twin", "the twin value is untouched: " & twins(i)
Next
' A Unicode text in an ANSI INI file would become a look-alike: refused.
ini.Path = folder & "\ansi.ini"
ini.Section = names(0) : ini.Key = "k" : ini.Value = "x"
CheckEqual ini.Success, False, "an ANSI INI file refuses a section it cannot hold"
CheckEqual fso.FileExists(folder & "\ansi.ini"), False, "and nothing was written"

sh.RegDelete "HKCU\" & base & "\"
fso.DeleteFolder folder, True
Finish

' The INI class as a script host uses it: ByRef arrays, a VBScript class as the form, errors.
Dim ini, path, names, count, v, dflt

Class ScriptForm
    Public WindowState
    Public Left
    Public Top
    Public Width
    Public Height
    Public Moves
    Public Sub Move(l, t, w, h)
        Left = l
        Top = t
        Width = w
        Height = h
        Moves = Moves + 1
    End Sub
End Class

path = TempFolder() & "\wx-host-ini.ini"
CreateObject("Scripting.FileSystemObject").CreateTextFile(path, True).Close

Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
CheckEqual ini.LastReturnCode, 0, "a new instance has no return code"
CheckEqual ini.Success, False, "a new instance reports no success"
ini.Path = path
ini.Section = "A"
ini.Key = "k"
CheckEqual ini.Value, "", "a missing key without a default reads empty"
ini.Default = "none"
CheckEqual ini.Value, "none", "a missing key reads the default"
v = "a" & Chr(0) & "b"
ini.Value = v
Check ini.Success, "a write succeeds"
CheckEqual Len(v), 2, "the variable holds the text without its NUL"
CheckEqual ini.Value, "ab", "the value reads back"
ini.Key = "long"
ini.Value = String(300, "x")
CheckEqual Len(ini.Value), 254, "long values read back cut"
ini.Section = "B"
ini.Key = "x"
ini.Value = "1"

ini.EnumerateAllSections names, count
CheckEqual count, 2, "two sections"
CheckEqual LBound(names), 1, "arrays start at 1"
CheckEqual UBound(names), 2, "upper bound is the count"
CheckEqual names(1), "A", "first section in file order"
CheckEqual names(2), "B", "second section"
ini.Section = "A"
ini.EnumerateCurrentSection names, count
CheckEqual count, 2, "two keys in A"
CheckEqual names(2), "long", "keys in file order"

' A VBScript class instance as the form.
Dim form
Set form = New ScriptForm
form.WindowState = 0 : form.Left = 150 : form.Top = 250 : form.Width = 3500 : form.Height = 3600
form.Moves = 0
ini.Section = "Form"
ini.SaveFormPosition form
Check ini.Success, "placement saved"
ini.Key = "Width"
CheckEqual ini.Value, "3500", "width saved as text"
form.Left = 0 : form.Width = 0
ini.LoadFormPosition form
CheckEqual form.Moves, 1, "the form was moved once"
CheckEqual form.Left, 150, "left restored"
CheckEqual form.Width, 3500, "width restored"
ini.Key = "Width"
ini.Value = "1000"
ini.LoadFormPosition form, 2000
CheckEqual form.Width, 2000, "a small width rises to the given minimum"

CheckEqual ini.CLngDefault("12", 5), 12, "CLngDefault converts"
CheckEqual ini.CLngDefault("FAIL", 5), 5, "CLngDefault falls back"
CheckEqual ini.CLngDefault(""), 0, "the fallback defaults to 0"

On Error Resume Next
v = ini.CLngDefault("1", "not a number")
CheckError 13, "a Long parameter given text raises type mismatch"
v = ini.NoSuchMember
CheckError 438, "an unknown member raises 438"
On Error GoTo 0

ini.Section = "A" : ini.DeleteSectionINI
ini.Section = "B" : ini.DeleteSectionINI
ini.Section = "Form" : ini.DeleteSectionINI
ini.EnumerateAllSections names, count
CheckEqual count, 0, "every section deleted"
CreateObject("Scripting.FileSystemObject").DeleteFile path
Call Finish()

' An INI file: write and read keys, list sections and keys, save and restore a form's placement.
Option Explicit

' Any object with these members serves as the form (a Basic form has them all).
Class SketchForm
    Public WindowState
    Public Left
    Public Top
    Public Width
    Public Height
    Public Sub Move(l, t, w, h)
        Left = l : Top = t : Width = w : Height = h
    End Sub
End Class

Dim fso, ini, names, count, i, text, form

Set fso = CreateObject("Scripting.FileSystemObject")
Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
ini.Path = fso.GetAbsolutePathName("cyInifINIFilesObj-example.ini")   ' always a full path

ini.Section = "Colours"
ini.Key = "Background" : ini.Value = "white"
ini.Key = "Text" : ini.Value = "black"
WScript.Echo "Written: " & ini.Success

ini.Key = "Text"
WScript.Echo "Text = " & ini.Value
ini.Key = "Border"
ini.Default = "(none)"
WScript.Echo "Border = " & ini.Value & "  (missing: the default)"
ini.Default = ""

ini.EnumerateCurrentSection names, count
For i = 1 To count
    WScript.Echo "Key " & i & ": " & names(i)
Next

' NUL characters are removed before writing, also from the variable passed.
text = "two" & Chr(0) & "words"
ini.Key = "Joined"
ini.Value = text
WScript.Echo "Written as: " & text & " (" & Len(text) & " characters)"

' A form's placement, in twips: saved, changed, restored.
Set form = New SketchForm
form.WindowState = 0 : form.Left = 1200 : form.Top = 900 : form.Width = 4800 : form.Height = 3600
ini.Section = "Main window"
ini.SaveFormPosition form
form.Left = 0 : form.Top = 0 : form.Width = 100 : form.Height = 100
ini.LoadFormPosition form
WScript.Echo "Restored: " & form.Left & ", " & form.Top & ", " & form.Width & " x " & form.Height

' A saved width below the minimum comes back as the minimum (3000 twips when left out).
ini.Key = "Width" : ini.Value = "1000"
ini.LoadFormPosition form
WScript.Echo "Width raised to the minimum: " & form.Width

ini.EnumerateAllSections names, count
WScript.Echo "Sections: " & count & " (" & names(1) & ", " & names(2) & ")"

WScript.Echo "CLngDefault(""250"", 0) = " & ini.CLngDefault("250", 0)
WScript.Echo "CLngDefault(""wide"", 640) = " & ini.CLngDefault("wide", 640)

ini.DeleteSectionINI
WScript.Echo "Section deleted: " & ini.Success
fso.DeleteFile ini.Path

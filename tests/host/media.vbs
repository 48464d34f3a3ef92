' The library's pictures and sounds, and form scaling on script-made forms and controls.
On Error Resume Next

Class Control
    Public Left
    Public Top
    Public Width
    Public Height
    Public Sub Move(l, t, w, h)
        Left = l
        Top = t
        Width = w
        Height = h
    End Sub
End Class

' Wine's JPEG decoder keeps the passes of a large progressive picture in a C runtime temporary
' file, named from TMP in the code page: under a TMP the code page cannot hold, it cannot make the
' file and ends the process. Windows' decoder makes no such file.
Function JpegPassesNeedAnsiTemp()
    Dim shell, files, folder, i
    Set shell = CreateObject("WScript.Shell")
    Set files = CreateObject("Scripting.FileSystemObject")
    JpegPassesNeedAnsiTemp = False
    If Not files.FileExists(shell.ExpandEnvironmentStrings("%SystemRoot%\system32\winecfg.exe")) Then Exit Function
    folder = shell.ExpandEnvironmentStrings("%TMP%")
    ' Wine's Asc refuses a character the code page lacks (and its AscW is missing).
    On Error Resume Next
    For i = 1 To Len(folder)
        If Chr(Asc(Mid(folder, i, 1))) <> Mid(folder, i, 1) Or Err.Number <> 0 Then JpegPassesNeedAnsiTemp = True
        Err.Clear
    Next
End Function

' A control the scaling cannot move.
Class Label
    Public Left
    Public Top
    Public Width
    Public Height
End Class

Class Form
    Public Left
    Public Top
    Public Width
    Public Height
    Public ScaleMode
    Public c0
    Public c1
    Public c2
    Public Property Get Count()
        Count = 3
    End Property
    Public Function Controls(i)
        Select Case i
            Case 0: Set Controls = c0
            Case 1: Set Controls = c1
            Case 2: Set Controls = c2
        End Select
    End Function
    Public Sub Move(l, t, w, h)
        Left = l
        Top = t
        Width = w
        Height = h
    End Sub
End Class

Sub Place(o, l, t, w, h)
    o.Left = l
    o.Top = t
    o.Width = w
    o.Height = h
End Sub

' Wine's VBScript cannot take "New X" as an argument: objects are made into variables first.
Function NewForm(withMove)
    Dim f, c0, c1, c2
    Set f = New Form
    Place f, 1000, 2000, 8000, 6000
    f.ScaleMode = 1
    Set c0 = New Control
    If withMove Then
        Set c1 = New Control
    Else
        Set c1 = New Label
    End If
    Set c2 = New Control
    Place c0, 100, 200, 300, 400
    Place c1, 10, 20, 30, 40
    Place c2, 1, 2, 3, 4
    Set f.c0 = c0
    Set f.c1 = c1
    Set f.c2 = c2
    Set NewForm = f
End Function

Function Near(a, b)
    Near = Abs(a - b) < 0.001
End Function

Function Placed(o)
    Placed = o.Left & "," & o.Top & "," & o.Width & "," & o.Height
End Function

Function LrpFiles()
    Dim fso, file, n
    Set fso = CreateObject("Scripting.FileSystemObject")
    n = 0
    For Each file In fso.GetFolder(TempFolder()).Files
        If UCase(Left(file.Name, 3)) = "LRP" Then n = n + 1
    Next
    LrpFiles = n
End Function

' Pictures
Dim media, pic, loader, before, id
Set media = CreateObject("WENDRAX1.clsResTarvik")
CheckError 0, "create clsResTarvik"
before = LrpFiles()
Set pic = media.GetTarvikRes_Picture(102)
CheckError 0, "picture 102"
Check Not pic Is Nothing, "picture 102 is a picture"
Check Abs(pic.Width / pic.Height - 128 / 148) < 0.01, "picture 102 is 128 x 148"
id = 115
Set pic = media.GetTarvikRes_Picture(id)
Check Abs(pic.Width / pic.Height - 296 / 417) < 0.01, "picture 115 is 296 x 417"
Set pic = media.GetTarvikRes_Picture(999)
CheckError 0, "a missing picture raises nothing"
Check pic Is Nothing, "a missing picture is Nothing"

Set loader = CreateObject("WENDRAX1.cLoadResPicture")
Set pic = loader.LoadResPicture(999, "JPG")
CheckEqual Err.Source, "WENDRAX1.cLoadResPicture", "the loader's error source"
CheckError 326, "a missing resource"
If JpegPassesNeedAnsiTemp() Then
    WScript.Echo "skipped: picture 117 (Wine's JPEG decoder cannot make its temporary file under this TMP)"
Else
    Set pic = loader.LoadResPicture(117, "JPG")
    CheckError 0, "the loader loads a progressive JPEG"
    Check Not pic Is Nothing, "the loader hands out a picture"
End If
Set pic = loader.LoadResPicture(102, "JPG")
CheckError 0, "the loader's picture is an object a script can hold"
Check IsObject(pic), "LoadResPicture gives an object"
Check Abs(pic.Width / pic.Height - 128 / 148) < 0.01, "the loader's picture 102 is 128 x 148"
CheckEqual LrpFiles(), before, "no temporary LRP file is left"

' Sounds: played for real here; they must not raise, with or without flags.
media.GetTarvikRes_WavSound 108
CheckError 0, "a short sound"
media.GetTarvikRes_WavSound 108, 5
CheckError 0, "a short sound, asynchronous"
media.GetTarvikRes_WavSound 999
CheckError 0, "a missing sound raises nothing"

' Scaling with given factors: controls only while RePosForm is False.
Dim resolu, f
Set resolu = CreateObject("WENDRAX1.clsResolu")
Set f = NewForm(True)
resolu.Resize_For_Resolution 2, 0.5, f
CheckError 0, "Resize_For_Resolution"
CheckEqual Placed(f.c0), "200,100,600,200", "first control"
CheckEqual Placed(f.c2), "2,1,6,2", "last control"
CheckEqual Placed(f), "1000,2000,8000,6000", "the form stays"
resolu.RePosForm = True
resolu.Resize_For_Resolution 0.5, 2, f
CheckEqual Placed(f), "500,4000,4000,12000", "the form moves with RePosForm"

' A control without Move stops the pass: the one before it is scaled, the one after it not.
Set f = NewForm(False)
resolu.Resize_For_Resolution 2, 2, f
CheckError 438, "a control without Move"
CheckEqual Placed(f.c0), "200,400,600,800", "before the label"
CheckEqual Placed(f.c1), "10,20,30,40", "the label"
CheckEqual Placed(f.c2), "1,2,3,4", "after the label"
CheckEqual Placed(f), "1000,2000,8000,6000", "the form after a stopped pass"

' AdjustForm: from 800 x 600 to this screen; the first FormResize only arms the next.
Dim fx, fy
Set f = NewForm(True)
resolu.AdjustForm f
CheckError 0, "AdjustForm"
Check resolu.Xtwips > 0 And resolu.Ytwips > 0, "twips per pixel are set"
Check resolu.Xpixels > 0 And resolu.Ypixels > 0, "the screen size is set"
CheckEqual f.ScaleMode, 3, "the form's scale mode is pixels"
CheckEqual resolu.RePosForm, True, "AdjustForm moves the form too"
CheckEqual resolu.DoResize, False, "AdjustForm leaves DoResize False"
fx = CSng(resolu.Xpixels / 800)
fy = CSng(resolu.Ypixels / 600)
Check Near(f.c0.Left, 100 * fx) And Near(f.c0.Height, 400 * fy), "controls scaled to the screen"
Check Near(f.Width, 8000 * fx), "the form scaled to the screen"
resolu.FormResize f
CheckEqual resolu.DoResize, True, "the first FormResize arms"
Check Near(f.c0.Left, 100 * fx), "the first FormResize scales nothing"
f.Width = resolu.Xpixels * resolu.Xtwips * 2
f.Height = resolu.Ypixels * resolu.Ytwips
resolu.FormResize f
CheckError 0, "FormResize"
Check Near(f.c0.Left, 200 * fx) And Near(f.c0.Top, 200 * fy), "scaled by the form over the screen"
CheckEqual resolu.RePosForm, False, "FormResize clears RePosForm"

' FormResize on a fresh object: arms, then scales everything to nothing.
Set resolu = CreateObject("WENDRAX1.clsResolu")
Set f = NewForm(True)
resolu.FormResize f
resolu.FormResize f
CheckError 0, "FormResize without AdjustForm"
CheckEqual Placed(f.c0), "0,0,0,0", "a last size of 0 leaves factors of 0"
Call Finish()

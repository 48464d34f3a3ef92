' ---- Pictures, sounds and form scaling ----
' A form and its controls as the scaling sees them: Left, Top, Width, Height and Move.
Class TourControl
    Public Name
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

Class TourForm
    Public Left
    Public Top
    Public Width
    Public Height
    Public ScaleMode
    Public First
    Public Second
    Public Property Get Count()
        Count = 2
    End Property
    Public Function Controls(i)
        If i = 0 Then Set Controls = First Else Set Controls = Second
    End Function
    Public Sub Move(l, t, w, h)
        Left = l
        Top = t
        Width = w
        Height = h
    End Sub
End Class

' One decimal (Wine's VBScript Round ignores its digits argument).
Function TourTenth(x)
    TourTenth = Int(CDbl(x) * 10 + 0.5) / 10
End Function

Function TourPlaced(o)
    TourPlaced = TourTenth(o.Left) & ", " & TourTenth(o.Top) & ", " & TourTenth(o.Width) & " x " & TourTenth(o.Height)
End Function

Sub TourMedia()
    Dim media, pic, id, resolu, form, ok, cancel
    Title "Pictures and sounds (WENDRAX1.clsResTarvik)"
    Set media = CreateObject("WENDRAX1.clsResTarvik")
    For Each id In Array(102, 115, 117)
        Set pic = media.GetTarvikRes_Picture(id)
        WScript.Echo "picture " & id & ": " & pic.Width & " x " & pic.Height & " HIMETRIC (" & _
            Round(pic.Width * 96 / 2540) & " x " & Round(pic.Height * 96 / 2540) & " pixels at 96 dpi)"
    Next
    Set pic = media.GetTarvikRes_Picture(999)
    WScript.Echo "picture 999 is Nothing: " & (pic Is Nothing)
    media.GetTarvikRes_WavSound 108
    WScript.Echo "played sound 108 (0.16 s) and returned"

    Title "Form scaling (WENDRAX1.clsResolu)"
    Set form = New TourForm
    form.Left = 600 : form.Top = 400 : form.Width = 6000 : form.Height = 4500
    Set ok = New TourControl
    ok.Name = "OK" : ok.Left = 120 : ok.Top = 3600 : ok.Width = 1200 : ok.Height = 375
    Set cancel = New TourControl
    cancel.Name = "Cancel" : cancel.Left = 1440 : cancel.Top = 3600 : cancel.Width = 1200 : cancel.Height = 375
    Set form.First = ok
    Set form.Second = cancel
    Set resolu = CreateObject("WENDRAX1.clsResolu")
    resolu.AdjustForm form
    WScript.Echo "screen: " & resolu.Xpixels & " x " & resolu.Ypixels & " pixels, " & _
        resolu.Xtwips & " twips per pixel; the form was laid out for 800 x 600"
    WScript.Echo "form now " & TourPlaced(form) & ", scale mode " & form.ScaleMode
    WScript.Echo "OK now " & TourPlaced(ok) & "; Cancel now " & TourPlaced(cancel)
    resolu.Resize_For_Resolution 0.5, 0.5, form
    WScript.Echo "halved the controls: OK " & TourPlaced(ok) & "; the form with them: " & TourPlaced(form)
End Sub

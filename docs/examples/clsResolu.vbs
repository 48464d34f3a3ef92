' Needs a Basic host's picture box only to draw the layout: WxExamples.PictureBox below is the tests' stand-in.
' Scaling a form and its controls. Here the form and the controls are the script's own objects:
' the library reaches them by member name, so anything with these members can be scaled.
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

Class Form
    Public Left
    Public Top
    Public Width
    Public Height
    Public ScaleMode
    Public List
    Public Edit
    Public Button
    Public Property Get Count()
        Count = 3
    End Property
    Public Function Controls(i)
        Select Case i
            Case 0: Set Controls = List
            Case 1: Set Controls = Edit
            Case 2: Set Controls = Button
        End Select
    End Function
    Public Sub Move(l, t, w, h)
        Left = l
        Top = t
        Width = w
        Height = h
    End Sub
End Class

Function NewControl(l, t, w, h)
    Dim c
    Set c = New Control
    c.Move l, t, w, h
    Set NewControl = c
End Function

' A form laid out in twips on a screen of 800 x 600 pixels (15 twips per pixel).
Function NewForm()
    Dim f
    Set f = New Form
    f.Move 600, 450, 6000, 4500
    f.ScaleMode = 1
    Set f.List = NewControl(240, 240, 2400, 3000)
    Set f.Edit = NewControl(2880, 240, 2640, 360)
    Set f.Button = NewControl(4320, 3600, 1200, 480)
    Set NewForm = f
End Function

Function Placed(o)
    Placed = o.Left & ", " & o.Top & ", " & o.Width & ", " & o.Height
End Function

Function Near(a, b)
    Near = Abs(a - b) < 0.01
End Function

Dim res, f, design, fx, fy, box

' One scaling by factors of your own: only the controls, while RePosForm is False.
Set res = CreateObject("WENDRAX1.clsResolu")
Set f = NewForm()
res.Resize_For_Resolution 2, 0.5, f
WScript.Echo "button after 2 x 0.5: " & Placed(f.Button) & "; form: " & Placed(f)
res.RePosForm = True
res.Resize_For_Resolution 0.5, 2, f
WScript.Echo "button after 0.5 x 2: " & Placed(f.Button) & "; form: " & Placed(f)

' AdjustForm: from 800 x 600 pixels to this screen, the form included.
Set res = CreateObject("WENDRAX1.clsResolu")
Set design = NewForm()
Set f = NewForm()
res.AdjustForm f
fx = CSng(res.Xpixels / 800)
fy = CSng(res.Ypixels / 600)
WScript.Echo "twips per pixel known: " & (res.Xtwips > 0 And res.Ytwips > 0)
WScript.Echo "form in pixels now (ScaleMode 3): " & (f.ScaleMode = 3)
WScript.Echo "controls scaled by the screen's size over 800 x 600: " & _
    (Near(f.List.Width, design.List.Width * fx) And Near(f.List.Height, design.List.Height * fy))
WScript.Echo "form scaled too: " & (Near(f.Width, design.Width * fx) And Near(f.Height, design.Height * fy))
WScript.Echo "RePosForm: " & res.RePosForm & ", DoResize: " & res.DoResize

' FormResize, as the form's resize event calls it: the first call only arms it.
res.FormResize f
WScript.Echo "first FormResize arms: DoResize " & res.DoResize
' The form fills the screen (maximized): the same size the controls were scaled for.
f.Width = res.Xpixels * res.Xtwips
f.Height = res.Ypixels * res.Ytwips
res.FormResize f
WScript.Echo "maximized: controls as AdjustForm left them: " & Near(f.List.Width, design.List.Width * fx)
' Half as wide: every control is half as wide and half as far from the left edge.
f.Width = f.Width / 2
res.FormResize f
WScript.Echo "half as wide: controls too: " & _
    (Near(f.List.Width, design.List.Width * fx / 2) And Near(f.Edit.Left, design.Edit.Left * fx / 2))
WScript.Echo "RePosForm after FormResize: " & res.RePosForm

' The layout before (grey) and after AdjustForm (blue), one pixel for 50 twips.
Sub Outline(o, dx, dy, color)
    Dim x, y, l, t, r, b
    l = dx + Round(o.Left / 50)
    t = dy + Round(o.Top / 50)
    r = l + Round(o.Width / 50)
    b = t + Round(o.Height / 50)
    For x = l To r
        box.PSet x, t, color
        box.PSet x, b, color
    Next
    For y = t To b
        box.PSet l, y, color
        box.PSet r, y, color
    Next
End Sub

Sub Layout(form, color)
    Outline form, 0, 0, color
    Outline form.List, Round(form.Left / 50), Round(form.Top / 50), color
    Outline form.Edit, Round(form.Left / 50), Round(form.Top / 50), color
    Outline form.Button, Round(form.Left / 50), Round(form.Top / 50), color
End Sub

Set f = NewForm()
res.AdjustForm f
Set box = CreateObject("WxExamples.PictureBox")
box.ScaleMode = 3
box.Width = 180 * 15
box.Height = 135 * 15
box.AutoRedraw = True
Layout design, RGB(160, 160, 160)
Layout f, RGB(0, 0, 255)
box.SavePicture "clsResolu-layout.bmp"
WScript.Echo "layout drawn and saved"

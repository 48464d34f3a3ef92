' Needs a Basic host's picture box (a window to capture): WxExamples.PictureBox below is the tests' stand-in.
' Capturing windows and the screen into pictures, and fitting a picture on a printer page.
Dim cap, res, box, shot, copy, screen, handle, page

Set cap = CreateObject("WENDRAX1.clsCapture")
Set res = CreateObject("WENDRAX1.clsResTarvik")

' A picture's Width and Height are in HIMETRIC units; at 96 pixels per inch a pixel is 2540 / 96.
Function Pixels(himetric)
    Pixels = Round(himetric * 96 / 2540)
End Function

' A picture box showing picture 102 of the library (128 x 148 pixels) in its top-left corner.
Set box = CreateObject("WxExamples.PictureBox")
box.ScaleMode = 3
Set box.Picture = res.GetTarvikRes_Picture(102)
box.Refresh

' The same 128 x 148 pixels, captured from the box's client area.
Set shot = cap.CaptureWindow(box.hWnd, True, 0, 0, 128, 148)
WScript.Echo "CaptureWindow: " & Pixels(shot.Width) & " x " & Pixels(shot.Height) & " pixels"

' Shown in a second box, the capture has the first box's pixels.
Set copy = CreateObject("WxExamples.PictureBox")
copy.ScaleMode = 3
Set copy.Picture = shot
copy.Refresh
WScript.Echo "the capture shows what the box shows: " & _
    (copy.Point(20, 30) = box.Point(20, 30) And copy.Point(100, 120) = box.Point(100, 120))
copy.SavePicture "clsCapture-window.bmp"

' The whole box window, frame included, and the whole screen.
handle = box.hWnd
WScript.Echo "CaptureAnyWindow gives a picture: " & (cap.CaptureAnyWindow(handle).Width > 0)
Set screen = cap.CaptureScreen()
WScript.Echo "CaptureScreen gives a picture: " & (screen.Width > 0 And screen.Height > 0)

' A printer as the library sees it: a page of 8 x 10.5 inches in twips, turned by Orientation.
Class Page
    Public ScaleMode
    Public ScaleWidth
    Public ScaleHeight
    Public Drawn
    Private turned
    Public Property Let Orientation(value)
        turned = value
        If value = 1 Then ScaleWidth = 11520 : ScaleHeight = 15120
        If value = 2 Then ScaleWidth = 15120 : ScaleHeight = 11520
    End Property
    Public Property Get Orientation()
        Orientation = turned
    End Property
    ' Twips (1), pixels (3) and HIMETRIC (8), as a Basic printer converts them.
    Private Function PerInch(unit)
        If unit = 1 Then PerInch = 1440
        If unit = 3 Then PerInch = 96
        If unit = 8 Then PerInch = 2540
    End Function
    Public Function ScaleX(value, fromUnit, toUnit)
        ScaleX = value / PerInch(fromUnit) * PerInch(toUnit)
    End Function
    Public Function ScaleY(value, fromUnit, toUnit)
        ScaleY = value / PerInch(fromUnit) * PerInch(toUnit)
    End Function
    Public Sub PaintPicture(picture, x, y, width, height)
        Drawn = "at " & x & ", " & y & ", " & Round(width) & " x " & Round(height) & " twips"
    End Sub
End Class

Set page = New Page
page.ScaleMode = 1
cap.PrintPictureToFitPage page, res.GetTarvikRes_Picture(102)
WScript.Echo "picture 102 (128 x 148): orientation " & page.Orientation & ", drawn " & page.Drawn
cap.PrintPictureToFitPage page, res.GetTarvikRes_Picture(117)
WScript.Echo "picture 117 (1024 x 768): orientation " & page.Orientation & ", drawn " & page.Drawn

' clzBriCon and clsCapture as a script host uses them: the members without records, the overflow
' error, Bright on a script picture object, a screen capture and fitting a picture on a printer.
On Error Resume Next
Dim bc, cap, pic, box, prn, w, h

Class PictureBox
    Public Refreshes
    Public Property Get ScaleWidth()
        ScaleWidth = 25
    End Property
    Public Property Get ScaleHeight()
        ScaleHeight = 4
    End Property
    Public Property Get hDC()
        hDC = 0
    End Property
    Public Sub Refresh()
        Refreshes = Refreshes + 1
    End Sub
End Class

Class Printer
    Public Orientation
    Public ScaleMode
    Public PaintedWidth
    Public PaintedHeight
    Public PaintedPicture
    Public Property Get ScaleWidth()
        If Orientation = 1 Then ScaleWidth = 10000 Else ScaleWidth = 14000
    End Property
    Public Property Get ScaleHeight()
        If Orientation = 1 Then ScaleHeight = 14000 Else ScaleHeight = 10000
    End Property
    Private Function PerInch(unit)
        If unit = 1 Then PerInch = 1440
        If unit = 3 Then PerInch = 96
        If unit = 8 Then PerInch = 2540
    End Function
    Public Function ScaleX(v, fromUnit, toUnit)
        ScaleX = v / PerInch(fromUnit) * PerInch(toUnit)
    End Function
    Public Function ScaleY(v, fromUnit, toUnit)
        ScaleY = v / PerInch(fromUnit) * PerInch(toUnit)
    End Function
    Public Sub PaintPicture(p, x, y, pw, ph)
        Set PaintedPicture = p
        PaintedWidth = pw
        PaintedHeight = ph
    End Sub
End Class

Set bc = CreateObject("WENDRAX1.clzBriCon")
CheckError 0, "create clzBriCon"
CheckEqual bc.LinearB(0, 1, 0.5), 0, "LinearB halves to even (down)"
CheckEqual bc.LinearB(1, 2, 0.5), 2, "LinearB halves to even (up)"
CheckEqual bc.LinearB(10, 20, 1.5), 25, "LinearB extrapolates"
CheckEqual bc.CheckHighByte(300), 255, "CheckHighByte clamps the top"
CheckEqual bc.CheckHighByte(-5), -5, "CheckHighByte lets negatives through"
CheckEqual bc.CheckLowByte(-5), 0, "CheckLowByte clamps the bottom"
CheckEqual bc.CheckLowByte(300), 300, "CheckLowByte lets large values through"
CheckEqual bc.CheckByte(300), 255, "CheckByte clamps both ends"
CheckEqual bc.MaxB(3, 9), 9, "MaxB"
CheckEqual bc.MinB(3, 9), 3, "MinB"
w = bc.LinearB(0, 32767, 2)
CheckError 6, "LinearB overflow raises 6"
w = bc.CheckByte(40000)
CheckError 6, "a value beyond 16 bits is an overflow"

Set box = New PictureBox
box.Refreshes = 0
bc.Bright 20, box
CheckError 0, "Bright on a picture without a surface raises nothing"
CheckEqual box.Refreshes, 4, "Refresh after columns 0, 10, 20 and at the end"
bc.Bright 20, Nothing
CheckError 0, "Bright on Nothing raises nothing"

Set cap = CreateObject("WENDRAX1.clsCapture")
CheckError 0, "create clsCapture"
Set pic = cap.CaptureScreen()
CheckError 0, "CaptureScreen"
Check pic.Width > 0 And pic.Height > 0, "the screen picture has a size"
CheckEqual pic.Type, 1, "the screen picture is a bitmap"
CheckEqual pic.hPal, 0, "no palette on a true-colour display"

Set prn = New Printer
prn.Orientation = 0
prn.ScaleMode = 1
w = pic.Width
h = pic.Height
cap.PrintPictureToFitPage prn, pic
CheckError 0, "PrintPictureToFitPage"
If h >= w Then
    CheckEqual prn.Orientation, 1, "a tall screen prints portrait"
Else
    CheckEqual prn.Orientation, 2, "a wide screen prints landscape"
End If
Check Abs(prn.PaintedWidth / prn.PaintedHeight - w / h) < 0.01, "the printed picture keeps its shape"
Check prn.PaintedWidth <= 14000.5 And prn.PaintedHeight <= 10000.5, "the printed picture fits the page"
Check prn.PaintedPicture Is pic, "the picture itself is painted"
Set prn = Nothing
cap.PrintPictureToFitPage prn, pic
CheckError 91, "PrintPictureToFitPage without a printer"
Call Finish()

' clzBriCon and clsCapture as a script host uses them: the members without records, the overflow
' error, a screen capture. (Host objects written as script classes are left to the C++ tests: the
' library cannot call back into them from Wine's script host yet.)
On Error Resume Next
Dim bc, cap, pic, prn, w

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

' Bright with Nothing: every step fails and is skipped, nothing is raised.
bc.Bright 20, Nothing
CheckError 0, "Bright on Nothing raises nothing"

Set cap = CreateObject("WENDRAX1.clsCapture")
CheckError 0, "create clsCapture"
Set pic = cap.CaptureScreen()
CheckError 0, "CaptureScreen"
Check pic.Width > 0 And pic.Height > 0, "the screen picture has a size"
CheckEqual pic.Type, 1, "the screen picture is a bitmap"
CheckEqual pic.hPal, 0, "no palette on a true-colour display"

' Fitting on a page needs a printer object; with Nothing the runtime's error 91 comes back.
Set prn = Nothing
cap.PrintPictureToFitPage prn, pic
CheckError 91, "PrintPictureToFitPage without a printer"
Call Finish()

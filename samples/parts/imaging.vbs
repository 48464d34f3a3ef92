' ---- Pixels and pictures ----
' Channel arithmetic of clzBriCon (members that take plain numbers; the Pixel record itself is for
' hosts that can build records) and a screen capture with clsCapture.
Sub TourImaging()
    Dim bc, cap, pic, widthPx, heightPx
    WScript.Echo ""
    WScript.Echo "== Pixels and pictures (WENDRAX1.clzBriCon, WENDRAX1.clsCapture) =="
    Set bc = CreateObject("WENDRAX1.clzBriCon")
    WScript.Echo "a quarter of the way from 40 to 200: " & bc.LinearB(40, 200, 0.25)
    WScript.Echo "halfway from 1 to 2 (halves go to even): " & bc.LinearB(1, 2, 0.5)
    WScript.Echo "200 + 100 clamped at the top: " & bc.CheckHighByte(200 + 100)
    WScript.Echo "100 - 200 clamped at the bottom: " & bc.CheckLowByte(100 - 200)
    WScript.Echo "lighter of 90 and 140: " & bc.MaxB(90, 140) & ", darker: " & bc.MinB(90, 140)
    Set bc = Nothing

    Set cap = CreateObject("WENDRAX1.clsCapture")
    Set pic = cap.CaptureScreen()
    ' The picture's size is in HIMETRIC (2540 per inch); at 96 pixels per inch:
    widthPx = Round(pic.Width * 96 / 2540)
    heightPx = Round(pic.Height * 96 / 2540)
    WScript.Echo "captured the screen: " & widthPx & " x " & heightPx & " pixels (" & pic.Width & " x " & _
                 pic.Height & " HIMETRIC)"
    Set pic = Nothing
    Set cap = Nothing
End Sub

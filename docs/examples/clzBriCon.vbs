' Needs a Basic host's picture box for Bright: WxExamples.PictureBox below is the tests' stand-in for one.
' clzBriCon: pixels built, blended and read back as colour numbers, the byte clamps, an overflow,
' and a picture box brightened with Bright.
Option Explicit
Dim b, a, c, p, q, box, res

Set b = CreateObject("WENDRAX1.clzBriCon")

' A script holds a Pixel record as it is and hands it back; its fields are read through PixToLong.
Function Rgb3(pixel)
    Dim colour
    colour = b.PixToLong(pixel)
    Rgb3 = (colour And 255) & "," & ((colour \ 256) And 255) & "," & (colour \ 65536)
End Function

p = b.NewPixel(1, 2, 3)
WScript.Echo "PixToLong(NewPixel(1, 2, 3)): " & b.PixToLong(p)
WScript.Echo "LongToPix(&H336699): " & Rgb3(b.LongToPix(&H336699))
WScript.Echo "SameCol: " & b.SameCol(p, b.LongToPix(197121))
WScript.Echo "GreyscalePix(128): " & Rgb3(b.GreyscalePix(128))
WScript.Echo "GetGreyPix(255, 255, 255): " & b.GetGreyPix(b.NewPixel(255, 255, 255))
WScript.Echo "GetGreyPix(100, 0, 0): " & b.GetGreyPix(b.NewPixel(100, 0, 0))
WScript.Echo "InvertPix twice is the pixel: " & b.SameCol(b.InvertPix(b.InvertPix(p)), p)
WScript.Echo "LightenPix(200, 100, 50; 80): " & Rgb3(b.LightenPix(b.NewPixel(200, 100, 50), 80))
WScript.Echo "DarkenPix(200, 100, 50; 80): " & Rgb3(b.DarkenPix(b.NewPixel(200, 100, 50), 80))

' The blend modes of A = (200, 100, 50) and B = (100, 200, 25). BlendExcl's green is -58, which
' PixToLong counts as 0.
a = b.NewPixel(200, 100, 50)
c = b.NewPixel(100, 200, 25)
WScript.Echo "BlendAdd: " & Rgb3(b.BlendAdd(a, c))
WScript.Echo "BlendSub: " & Rgb3(b.BlendSub(a, c))
WScript.Echo "BlendLight: " & Rgb3(b.BlendLight(a, c))
WScript.Echo "BlendDark: " & Rgb3(b.BlendDark(a, c))
WScript.Echo "BlendDiff: " & Rgb3(b.BlendDiff(a, c))
WScript.Echo "BlendScrn: " & Rgb3(b.BlendScrn(a, c))
WScript.Echo "BlendExcl: " & Rgb3(b.BlendExcl(a, c))
WScript.Echo "TransPix(A, B, 0.25): " & Rgb3(b.TransPix(a, c, 0.25))
WScript.Echo "TransAddPix(A, B, 0.5): " & Rgb3(b.TransAddPix(a, c, 0.5))
WScript.Echo "TransAddPix(A, B, 0) is BlendAdd: " & b.SameCol(b.TransAddPix(a, c, 0), b.BlendAdd(a, c))

' Contrast changes the pixel it is given (by reference) and returns it too.
q = b.NewPixel(128, 127, 200)
WScript.Echo "Contrast(128, 127, 200; 10): " & Rgb3(b.Contrast(q, 10)) & ", the pixel now: " & Rgb3(q)

' Numbers.
WScript.Echo "LinearB(0, 1, 0.5): " & b.LinearB(0, 1, 0.5)
WScript.Echo "LinearB(1, 2, 0.5): " & b.LinearB(1, 2, 0.5)
WScript.Echo "LinearB(10, 20, 1.5): " & b.LinearB(10, 20, 1.5)
WScript.Echo "CheckHighByte(300), (-5): " & b.CheckHighByte(300) & ", " & b.CheckHighByte(-5)
WScript.Echo "CheckLowByte(-5), (300): " & b.CheckLowByte(-5) & ", " & b.CheckLowByte(300)
WScript.Echo "CheckByte(300), (-5): " & b.CheckByte(300) & ", " & b.CheckByte(-5)
WScript.Echo "MaxB(3, 9), MinB(3, 9): " & b.MaxB(3, 9) & ", " & b.MinB(3, 9)

' 16-bit arithmetic: a result beyond 32767 is error 6.
On Error Resume Next
p = b.LightenPix(b.NewPixel(32767, 0, 0), 1)
WScript.Echo "error " & Err.Number & " from " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0

' Bright on a picture box: its scale in pixels, a picture, and two pixels of known colour.
Set box = CreateObject("WxExamples.PictureBox")
box.ScaleMode = 3
box.AutoRedraw = True
Set res = CreateObject("WENDRAX1.clsResTarvik")
Set box.Picture = res.GetTarvikRes_Picture(102)
box.PSet 5, 5, RGB(100, 150, 200)
box.PSet 6, 5, RGB(250, 10, 0)
box.SavePicture "clzBriCon-before.bmp"
b.Bright 60, box
box.SavePicture "clzBriCon-after.bmp"
c = box.Point(5, 5)
WScript.Echo "after Bright 60, (100, 150, 200) is: " & (c And 255) & "," & ((c \ 256) And 255) & "," & (c \ 65536)
c = box.Point(6, 5)
WScript.Echo "after Bright 60, (250, 10, 0) is: " & (c And 255) & "," & ((c \ 256) And 255) & "," & (c \ 65536)

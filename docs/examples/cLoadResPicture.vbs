' Needs a Basic host's picture box only to show the picture: WxExamples.PictureBox below is the tests' stand-in.
' Pictures from the library's own resources.
Dim loader, pic, box

Set loader = CreateObject("WENDRAX1.cLoadResPicture")

' A picture's Width and Height are in HIMETRIC units (hundredths of a millimetre);
' at 96 pixels per inch a pixel is 2540 / 96 of them.
Function Pixels(himetric)
    Pixels = Round(himetric * 96 / 2540)
End Function

Set pic = loader.LoadResPicture(102, "JPG")
WScript.Echo "picture 102: " & Pixels(pic.Width) & " x " & Pixels(pic.Height) & " pixels, type " & pic.Type
' Number 115 holds a Windows bitmap: the loader reads what the bytes are.
Set pic = loader.LoadResPicture(115, "JPG")
WScript.Echo "picture 115: " & Pixels(pic.Width) & " x " & Pixels(pic.Height) & " pixels, type " & pic.Type

' Failures are raised with the class as their source.
On Error Resume Next
Set pic = loader.LoadResPicture(999, "JPG")
WScript.Echo "LoadResPicture(999): error " & Err.Number & " from " & Err.Source & ": " & Err.Description
Err.Clear
Set pic = loader.LoadResPicture(108, "WAV")
WScript.Echo "LoadResPicture(108, ""WAV""): error " & Err.Number & ": " & Err.Description
Err.Clear
On Error GoTo 0

' Shown in a picture box, as a form would show it.
Set box = CreateObject("WxExamples.PictureBox")
Set box.Picture = loader.LoadResPicture(114, "JPG")
box.SavePicture "cLoadResPicture-114.bmp"
WScript.Echo "picture 114 shown and saved"

' Needs a Basic host's picture box only to show the picture: WxExamples.PictureBox below is the tests' stand-in.
' The library's pictures and sounds.
Const SoundASync = 1
Const SoundMemory = 4
Dim res, pic, box

Set res = CreateObject("WENDRAX1.clsResTarvik")

' Width and Height are in HIMETRIC units; at 96 pixels per inch a pixel is 2540 / 96 of them.
Function Pixels(himetric)
    Pixels = Round(himetric * 96 / 2540)
End Function

Set pic = res.GetTarvikRes_Picture(102)
WScript.Echo "picture 102: " & Pixels(pic.Width) & " x " & Pixels(pic.Height) & " pixels"
Set pic = res.GetTarvikRes_Picture(117)
WScript.Echo "picture 117: " & Pixels(pic.Width) & " x " & Pixels(pic.Height) & " pixels"
' No error for a picture that does not exist: the result is Nothing.
Set pic = res.GetTarvikRes_Picture(999)
WScript.Echo "picture 999 is Nothing: " & (pic Is Nothing)

' Sounds: the first call waits until the short sound has played, the second returns at once.
res.GetTarvikRes_WavSound 108
res.GetTarvikRes_WavSound 108, SoundMemory + SoundASync
' A sound that does not exist plays nothing and raises nothing.
res.GetTarvikRes_WavSound 999
WScript.Echo "sounds played, error number " & Err.Number

' Shown in a picture box, as a form would show it.
Set box = CreateObject("WxExamples.PictureBox")
Set box.Picture = res.GetTarvikRes_Picture(102)
box.SavePicture "clsResTarvik-102.bmp"
WScript.Echo "picture 102 shown and saved"

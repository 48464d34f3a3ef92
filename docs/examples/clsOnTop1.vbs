' Needs a Basic host's form and picture box for OnTop and the banner: WxExamples.Form and .PictureBox below are the tests' stand-ins.
' clsOnTop1: the text of a banner file, a scrolling banner in a picture box that a handler stops
' after 40 steps, a window put on top and back, and the first CD-ROM drive.
Option Explicit
Dim fso, t, f, folder, text, root, box, counter, form, placeBefore

Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetAbsolutePathName(".")
Set t = CreateObject("WENDRAX1.clsOnTop1")

' The banner's text from a file: lines joined with CR LF, leading spaces of the text dropped.
Set f = fso.CreateTextFile(fso.BuildPath(folder, "clsOnTop1-banner.txt"), True)
f.WriteLine "   Welcome to"
f.WriteLine "WENDRAX1"
f.Close
text = t.ScrollTextFromFile(fso.BuildPath(folder, "clsOnTop1-banner.txt"))
WScript.Echo "banner text: " & Replace(text, vbCrLf, "|")
fso.DeleteFile fso.BuildPath(folder, "clsOnTop1-banner.txt")
WScript.Echo "missing file: " & t.ScrollTextFromFile(fso.BuildPath(folder, "none.txt"))

' The first CD-ROM drive's root, or "" on a machine without one.
root = t.GetCDRomLetter()
WScript.Echo "a drive root or nothing: " & (root = "" Or (Len(root) = 3 And Right(root, 2) = ":\"))

' A "stop" for an instance whose banner is not running returns at once.
t.ScrollAdvertisement Nothing, "Stop"
WScript.Echo "stop returned"

' The banner runs until a "stop" reaches the same instance from the host. Here the picture box
' does it: the banner calls its Refresh after every step, and after 40 steps Refresh asks the
' banner to stop.
Class CountingBox
    Public Box
    Public Banner
    Public Steps
    Public Property Get hDC()
        hDC = Box.hDC
    End Property
    Public Property Get ScaleWidth()
        ScaleWidth = Box.ScaleWidth
    End Property
    Public Property Get ScaleHeight()
        ScaleHeight = Box.ScaleHeight
    End Property
    Public Sub Cls()
        Box.Cls
    End Sub
    Public Sub Refresh()
        Box.Refresh
        Steps = Steps + 1
        If Steps = 40 Then Banner.ScrollAdvertisement Me, "stop"
    End Sub
End Class

Set box = CreateObject("WxExamples.PictureBox")
box.ScaleMode = 3
box.AutoRedraw = True
Set counter = New CountingBox
Set counter.Box = box
Set counter.Banner = t
counter.Steps = 0
t.ScrollAdvertisement counter, text, 10
WScript.Echo "banner steps: " & counter.Steps
box.SavePicture "clsOnTop1-banner.bmp"

' Always on top, and back; the window keeps its place and size.
Set form = CreateObject("WxExamples.Form")
placeBefore = form.Left & "," & form.Top & "," & form.Width & "," & form.Height
t.OnTop form, True
t.OnTop form, False
WScript.Echo "place and size kept: " & (placeBefore = form.Left & "," & form.Top & "," & form.Width & "," & form.Height)

' A tour of WENDRAX1: creates its classes by ProgID and shows what they do.
Option Explicit

Dim shell, temp
Set shell = CreateObject("WScript.Shell")
temp = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")

Sub Title(text)
    WScript.Echo ""
    WScript.Echo "== " & text & " =="
End Sub

' ---- INI files ----
Sub TourIni()
    Dim ini, names, count, i, path
    Title "INI files (WENDRAX1.cyInifINIFilesObj)"
    path = temp & "\wendrax1-tour.ini"
    Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
    ini.Path = path
    ini.Section = "Window"
    ini.Key = "Caption" : ini.Value = "Tour"
    ini.Key = "Left" : ini.Value = "1200"
    ini.Section = "Recent"
    ini.Key = "File1" : ini.Value = "C:\report.txt"
    WScript.Echo "wrote three entries to " & path & ", success: " & ini.Success
    ini.Section = "Window" : ini.Key = "Caption"
    WScript.Echo "Window/Caption reads: " & ini.Value
    ini.Key = "Missing" : ini.Default = "(none)"
    WScript.Echo "Window/Missing reads the default: " & ini.Value
    ini.EnumerateAllSections names, count
    WScript.Echo "sections: " & count
    For i = 1 To count
        WScript.Echo "  [" & names(i) & "]"
    Next
    ini.EnumerateCurrentSection names, count
    WScript.Echo "keys of [Window]: " & count
    For i = 1 To count
        WScript.Echo "  " & names(i)
    Next
    WScript.Echo "CLngDefault(""42"", 0) = " & ini.CLngDefault("42", 0) & ", CLngDefault(""x"", 7) = " & ini.CLngDefault("x", 7)
    ini.DeleteSectionINI
    ini.EnumerateAllSections names, count
    WScript.Echo "after deleting [Window]: " & count & " section(s) left"
    ini.Section = "Recent" : ini.DeleteSectionINI
    CreateObject("Scripting.FileSystemObject").DeleteFile path
End Sub

' The desktop part of the tour: the Windows folders, the lock keys, and a shortcut made through the
' setup toolkit beside the library, found on disk and removed again.
Sub TourDesktop()
    Dim cut, kb, caps, num, scroll, fso, shell, linkFile, made, link
    Title "Windows folders, lock keys and shortcuts (WENDRAX1.clSShortCut, WENDRAX1.clsKeyBoard)"
    Set cut = CreateObject("WENDRAX1.clSShortCut")
    WScript.Echo "Windows folder:  " & cut.GetWinDir()
    WScript.Echo "System folder:   " & cut.GetWinSysDir()

    Set kb = CreateObject("WENDRAX1.clsKeyBoard")
    kb.GetLockStatus caps, num, scroll
    WScript.Echo "Caps Lock " & caps & ", Num Lock " & num & ", Scroll Lock " & scroll

    ' The link lands on the user's desktop (the profile's Desktop folder here).
    Set fso = CreateObject("Scripting.FileSystemObject")
    Set shell = CreateObject("WScript.Shell")
    linkFile = Replace(shell.ExpandEnvironmentStrings("%USERPROFILE%"), Chr(0), "") & _
               "\Desktop\WENDRAX1 tour.lnk"
    made = cut.doAddShortCut(cut.GetWinDir() & "\notepad.exe", "WENDRAX1 tour", "readme.txt")
    WScript.Echo "Shortcut made:   " & made
    If fso.FileExists(linkFile) Then
        Set link = fso.GetFile(linkFile)
        WScript.Echo "Shortcut on disk: " & link.Path & " (" & link.Size & " bytes)"
        fso.DeleteFile linkFile
    Else
        WScript.Echo "Shortcut not found at " & linkFile
    End If
End Sub

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
    Set pic = CreateObject("WENDRAX1.cLoadResPicture").LoadResPicture(102, "JPG")
    WScript.Echo "the loader's picture 102: " & Round(pic.Width * 96 / 2540) & " x " & Round(pic.Height * 96 / 2540) & " pixels"
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

' ---- Registry and most-recently-used lists ----
Sub TourSettings()
    Dim reg, h, mru, root, key, name, value, kind, names, count, i, list
    Const HKCU = &H80000001

    Title "Registry values (WENDRAX1.clsWinReg)"
    Set reg = CreateObject("WENDRAX1.clsWinReg")
    root = HKCU
    key = "Software\WENDRAX1 tour"
    reg.CreateNewKey root, key
    name = "Greeting" : value = "hello" : kind = 1
    reg.SetKeyValue root, key, name, value, kind
    name = "Runs" : value = 3 : kind = 4
    reg.SetKeyValue root, key, name, value, kind
    name = "Greeting"
    WScript.Echo "Greeting reads: " & Replace(reg.QueryValue(root, key, name), Chr(0), "") & " (REG_SZ)"
    name = "Runs"
    WScript.Echo "Runs reads: " & reg.QueryValue(root, key, name) & " (REG_DWORD)"

    Title "Registry handler (WENDRAX1.clsDorvelRegHand2A)"
    Set h = CreateObject("WENDRAX1.clsDorvelRegHand2A")
    h.ClassKey = HKCU
    h.SectionKey = key & "\Handler"
    h.CreateKey
    h.ValueType = 1
    h.ValueKey = "Home" : h.Value = "%SystemRoot%\tour"
    h.ValueKey = "Share" : h.Value = "50%"
    h.ValueType = 4
    h.ValueKey = "Count" : h.Value = 42
    h.ValueKey = "Home"
    WScript.Echo "Home reads expanded: " & h.Value & " (stored as type " & h.ValueType & ")"
    h.ValueKey = "Share"
    WScript.Echo "Share reads: " & h.Value & " (type " & h.ValueType & ")"
    h.EnumerateValues names, count
    WScript.Echo "values under " & h.SectionKey & ": " & count
    For i = 1 To count
        WScript.Echo "  " & names(i)
    Next
    h.SectionKey = key
    h.EnumerateSections names, count
    WScript.Echo "subkeys of " & key & ": " & count
    On Error Resume Next
    h.DeleteKey
    WScript.Echo "DeleteKey on a key with subkeys raises " & Err.Number & " from " & Err.Source & ": " & Err.Description
    Err.Clear
    On Error GoTo 0

    Title "Most-recently-used list (WENDRAX1.classMRU)"
    Set mru = CreateObject("WENDRAX1.classMRU")
    mru.Parent = "WENDRAX1 tour"
    mru.MaxNum = 3
    For Each name In Array("a.txt", "b.txt", "c.txt", "a.txt", "d.txt")
        mru.Save name
    Next
    list = Empty
    mru.GetArray list
    WScript.Echo "after saving a, b, c, a, d with room for 3: " & mru.Num & " entries"
    For i = 1 To mru.Num
        WScript.Echo "  " & i & ": " & list(i)
    Next

    ' Clean up what the tour wrote.
    mru.ClearParent
    h.SectionKey = key & "\Handler"
    h.DeleteKey
    h.SectionKey = key
    h.DeleteKey
    WScript.Echo "cleaned up; the tour key exists: " & h.KeyExists
End Sub

' ---- Cryptography and four-record files ----
' The ANSI codes of a text, for showing enciphered characters.
Function CryptoCodesOf(text)
    Dim i
    CryptoCodesOf = ""
    For i = 1 To Len(text)
        CryptoCodesOf = CryptoCodesOf & " " & Asc(Mid(text, i, 1))
    Next
End Function

Sub TourCrypto()
    Dim crypto, secret, fso, path, file, shifted, hex, plain, records
    Title "Cryptography (WENDRAX1.clsCrypto, WENDRAX1.clsSecretFiles)"
    Set crypto = CreateObject("WENDRAX1.clsCrypto")
    Set fso = CreateObject("Scripting.FileSystemObject")

    ' The library's own shift cipher is the default mode.
    shifted = crypto.StringCryptography(0, "Tour")
    WScript.Echo "shift cipher of ""Tour"": ANSI codes" & CryptoCodesOf(shifted)
    WScript.Echo "deciphered again: " & crypto.StringCryptography(1, shifted)

    ' Method 21: Enhanced provider, MD5, 3DES_112, in hexadecimal.
    hex = crypto.StringCryptography(0, "Meet me at noon", "tour password", 21, 1, True)
    WScript.Echo "method 21, hexadecimal: " & hex
    plain = crypto.StringCryptography(1, hex, "tour password", 21, 1, True)
    WScript.Echo "decrypted: " & plain

    ' A file encrypted in place and decrypted again.
    path = temp & "\wendrax1-tour-crypto.txt"
    Set file = fso.CreateTextFile(path, True)
    file.Write "The tour's secret file."
    file.Close
    WScript.Echo "file of " & fso.GetFile(path).Size & " bytes encrypted (method 20): " & _
        crypto.FileCryptography(0, path, "file password", "", 20) & ", now " & fso.GetFile(path).Size & " bytes"
    WScript.Echo "wrong password: " & crypto.FileCryptography(1, path, "guess", "", 20) & _
        " (the file is left as it was)"
    WScript.Echo "decrypted: " & crypto.FileCryptography(1, path, "file password", "", 20) & _
        ", reads: " & fso.OpenTextFile(path).ReadAll()
    fso.DeleteFile path

    ' Four short texts in an enciphered file.
    path = temp & "\wendrax1-tour-records.dat"
    Set secret = CreateObject("WENDRAX1.clsSecretFiles")
    secret.WriteSecretFile path, "user", "", "2024", "Tour"
    WScript.Echo "four-record file, first line as stored (ANSI codes):" & CryptoCodesOf(fso.OpenTextFile(path).ReadLine())
    Set secret = CreateObject("WENDRAX1.clsSecretFiles")
    records = secret.ReadSecretFile(path, "")
    WScript.Echo "read back: " & records
    fso.DeleteFile path
End Sub

' ---- Files and drives ----
' Uses Title() and temp from the tour.
Sub TourFiles()
    Dim d, info, root, list, entries, t, pattern, total, free, used, count, letters, fso, found, drives
    Title "Files and drives (WENDRAX1.clsDrvInfo2, WENDRAX1.clsDriveInfo)"
    Set d = CreateObject("WENDRAX1.clsDrvInfo2")
    Set fso = CreateObject("Scripting.FileSystemObject")

    WScript.Echo "Shrink_2_Fit to 20 characters: " & _
        d.Shrink_2_Fit("C:\Program Files\Common Files\System\foo.dll", 20)
    WScript.Echo "extension / name / folder of C:\docs\report.final.txt: " & _
        d.Get_Extension("C:\docs\report.final.txt") & " / " & d.Get_Filename("C:\docs\report.final.txt") & _
        " / " & d.Get_Path("C:\docs\report.final.txt")
    WScript.Echo "Add_Trailing_Slash(""C:\docs""): " & d.Add_Trailing_Slash("C:\docs")

    ' A small tree to walk.
    root = d.Create_Tmp_Folder()
    d.Create_Dir_Struct root & "letters\old"
    fso.CreateTextFile(root & "notes.txt").Write "Remember the milk."
    fso.CreateTextFile(root & "todo.TXT").Write "Buy MILK and bread."
    fso.CreateTextFile(root & "letters\mum.txt").Write "Dear mum,"
    fso.CreateTextFile(root & "letters\old\bill.doc").Write "Amount due: 12.50"
    WScript.Echo "made a tree under " & root

    t = root & "notes.txt"
    WScript.Echo "File_Exist(notes.txt): " & d.File_Exist(t) & ", Folder_Exist(letters): " & _
        d.Folder_Exist(root & "letters")
    WScript.Echo "sub-folders: " & d.Get_DirList(root)

    d.Count = 0
    pattern = "*.txt"
    list = d.Get_FileList(root, True, pattern)
    entries = Split(list, ";")
    WScript.Echo "the walk found " & d.Count & " .txt files:"
    For Each t In entries
        If t <> "" Then WScript.Echo "  " & Mid(t, Len(root) + 1)
    Next
    WScript.Echo "bytes in all files: " & d.Get_Totals(root)
    t = root
    pattern = "milk"
    found = d.TextSearch(t, pattern)
    WScript.Echo "TextSearch for ""milk"" (any case) found " & (UBound(found) + 1) & " file(s):"
    For Each t In found
        WScript.Echo "  " & Mid(t, Len(root) + 1)
    Next
    drives = d.Available_Drives()
    WScript.Echo "drives: " & UBound(drives) + 1 & ", the first " & drives(0)

    If d.Get_Disk_Space("C:", total, free, used) Then
        WScript.Echo "drive C: " & FormatNumber(total / 1073741824, 1) & " GB, " & _
            FormatNumber(free / 1073741824, 1) & " GB free"
    End If
    t = 0
    If d.Drive_Exist("C:", t) Then
        WScript.Echo "drive C: type " & t & ", file system " & d.DIObject.FileSystem & ", serial " & d.DIObject.SerialNumber
    End If

    Set info = CreateObject("WENDRAX1.clsDriveInfo")
    count = 0
    letters = ""
    info.GetDriveDesc count, letters
    WScript.Echo "CD-ROM drives: " & count & " " & letters
    t = "C:\"
    WScript.Echo "serial of C:\ from clsDriveInfo: " & info.GetSerialNumber(t)

    t = root
    WScript.Echo "removed the tree: " & d.DelTree32(t)
End Sub

' ---- The tour ----
TourIni
TourSettings
TourFiles
TourMedia
TourCrypto
TourImaging
TourDesktop

' Names the code page lacks, as a VBScript host meets them: read from a UTF-16 file (Wine's VBScript
' has no ChrW), then used as folders for temporary files, one beside its look-alike twin, and as a
' shortcut's title and target. Temporary files and the link reach their own objects.
On Error Resume Next
Dim shell, fso, root, stream, i, codes, bytes, text, names, greek, cyrillic, chinese, twin
Dim temp, media, pic, d, made, folder, cut, desktop, title, twinLink
Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
root = TempFolder() & "\wx-unicode-files-vbs"
If fso.FolderExists(root) Then fso.DeleteFolder root, True
fso.CreateFolder root

' The UTF-16 file: a byte-order mark, then "<Greek>|<Cyrillic>|<Chinese><emoji>", written byte by
' byte (every byte below is its own character in the code page) and read back as Unicode text.
' (In decimal: a hexadecimal literal of four digits is a negative Integer from &H8000 on.)
codes = Array(65279, 937, 109, 101, 103, 97, 124, 1044, 1084, 1080, 1090, 1088, 1080, 1081, 124, _
              20013, 25991, 55357, 56832)
bytes = ""
For i = 0 To UBound(codes)
    bytes = bytes & Chr(codes(i) And 255) & Chr(codes(i) \ 256)
Next
Set stream = fso.CreateTextFile(root & "\names.txt", True, False)
stream.Write bytes
stream.Close
Set stream = fso.OpenTextFile(root & "\names.txt", 1, False, -1)
text = stream.ReadAll
stream.Close
CheckError 0, "the UTF-16 file of names"
names = Split(text, "|")
greek = names(0)
cyrillic = names(1)
chinese = names(2)
twin = "Omega"
CheckEqual Len(greek), 5, "the Greek name has five characters"
Check greek <> twin, "the Greek name is not its look-alike"
CheckEqual Len(cyrillic), 7, "the Cyrillic name has seven characters"
CheckEqual Len(chinese), 4, "two Chinese characters and a surrogate pair"

' A temporary file and folder below a folder with the Cyrillic name. (Wine's script host cannot
' change its own process's TEMP, so the C++ tests cover a Unicode temporary folder itself.)
temp = root & "\wx-" & cyrillic
fso.CreateFolder temp
Set d = CreateObject("WENDRAX1.clsDrvInfo2")
folder = temp
made = d.Create_Tmp_Filename(folder)
CheckEqual Left(made, Len(temp) + 1), temp & "\", "a temporary file in the Cyrillic folder"
Check fso.FileExists(made), "the temporary file exists"
CheckEqual d.Folder_Exist(temp), True, "Folder_Exist sees the Cyrillic folder"
' Pictures come through their temporary files as before.
Set media = CreateObject("WENDRAX1.clsResTarvik")
Set pic = media.GetTarvikRes_Picture(102)
Check Not pic Is Nothing, "a picture through its temporary file"

' A folder named in Greek beside its look-alike: the temporary file goes to the Greek one.
fso.CreateFolder root & "\" & greek
fso.CreateFolder root & "\" & twin
made = d.Create_Tmp_Filename(root & "\" & greek & "\")
CheckEqual Left(made, Len(root) + 7), root & "\" & greek & "\", "the temporary file is in the Greek folder"
CheckEqual fso.GetFolder(root & "\" & twin).Files.Count, 0, "the twin folder received nothing"
CheckEqual d.File_Exist(made), True, "File_Exist sees it"

' A shortcut with a Greek title and a Chinese target; the look-alike's link keeps its bytes.
Set cut = CreateObject("WENDRAX1.clSShortCut")
desktop = Replace(shell.ExpandEnvironmentStrings("%USERPROFILE%"), Chr(0), "") & "\Desktop\"
title = greek & " wxuni-vbs"
twinLink = desktop & twin & " wxuni-vbs.lnk"
Set stream = fso.CreateTextFile(twinLink, True)
stream.Write "the twin's own link"
stream.Close
CheckEqual cut.doAddShortCut(root & "\" & chinese & "\app.exe", title), True, "doAddShortCut with a Unicode title"
Check fso.FileExists(desktop & title & ".lnk"), "the link has its own name"
Set stream = fso.OpenTextFile(twinLink, 1)
CheckEqual stream.ReadAll, "the twin's own link", "the look-alike's link is intact"
stream.Close
fso.DeleteFile desktop & title & ".lnk"
fso.DeleteFile twinLink
CheckError 0, "clean-up"

fso.DeleteFolder root, True
Finish

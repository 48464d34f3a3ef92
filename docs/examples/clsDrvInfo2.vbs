' Path texts, drives, file operations, folder walks and disk space.
Dim d, fso, root, t, n, kind, drives, i, found, list, result, name, x, folder, tmp, copy, moved
Dim total, free, used, version

Set d = CreateObject("WENDRAX1.clsDrvInfo2")
Set fso = CreateObject("Scripting.FileSystemObject")

Sub WriteFile(path, text)
    Dim stream
    Set stream = fso.CreateTextFile(path, True)
    stream.Write text
    stream.Close
End Sub

' Path texts: nothing needs to exist.
WScript.Echo "Get_Extension: " & d.Get_Extension("C:\docs\report.final.txt")
WScript.Echo "Get_Filename: " & d.Get_Filename("C:\docs\report.final.txt")
WScript.Echo "Get_Path: " & d.Get_Path("C:\docs\report.final.txt")
WScript.Echo "Add_Trailing_Slash: " & d.Add_Trailing_Slash("  C:\docs  ")
WScript.Echo "Remove_Trailing_Slash: " & d.Remove_Trailing_Slash("C:\docs\")
WScript.Echo "Shrink_2_Fit: " & d.Shrink_2_Fit("C:\Program Files\Common Files\System\foo.dll", 20)
WScript.Echo "Attribute_String(33): " & d.Attribute_String(33)
t = "name" & Chr(0) & "padding"
WScript.Echo "Remove_Nulls: " & d.Remove_Nulls(t)

' Drives: Drive_Exist writes the type to the caller's variable and keeps the drive object.
kind = 0
WScript.Echo "Drive_Exist(""C:""): " & d.Drive_Exist("C:", kind) & ", type " & kind
WScript.Echo "DIObject.Path: " & d.DIObject.Path
WScript.Echo "IsDriveReady(""c""): " & d.IsDriveReady("c")
drives = d.Available_Drives()
found = False
For i = LBound(drives) To UBound(drives)
    If drives(i) = "C:\" Then found = True
Next
WScript.Echo "Available_Drives names C:\: " & found
If d.Get_Disk_Space("C:", total, free, used) Then
    WScript.Echo "Get_Disk_Space: used is total less free: " & (used = total - free)
End If

' A scratch tree in the temporary folder.
root = d.Create_Tmp_Folder()
WScript.Echo "Create_Tmp_Folder ends with a backslash: " & (Right(root, 1) = "\")
WScript.Echo "Create_Dir_Struct: " & d.Create_Dir_Struct(root & "logs\2024")
WriteFile root & "a.txt", "0123456789"
WriteFile root & "b.TXT", "01234567890123456789"
WriteFile root & "notes.doc", "Find the needle here."
WriteFile root & "readme", "x"
WriteFile root & "logs\2024\c.txt", "12345"

t = root & "readme"
WScript.Echo "File_Exist(readme): " & d.File_Exist(t)
WScript.Echo "Folder_Exist(logs): " & d.Folder_Exist(root & "logs")
t = root
WScript.Echo "IsThisRestricted: " & d.IsThisRestricted(t)
t = root & "a.txt"
WScript.Echo "Get_FileInfo: " & d.Get_FileInfo(t)
WScript.Echo "Get_Version of a text file: [" & d.Get_Version(root & "a.txt") & "]"
version = d.Get_Version(fso.GetSpecialFolder(1) & "\kernel32.dll")
WScript.Echo "Get_Version of kernel32.dll has four parts: " & (UBound(Split(version, ".")) = 3)

' Walks. Get_FileList ends every path with ";", so Split gives one empty element more.
d.Count = 0
t = "*.txt"
list = d.Get_FileList(root, True, t)
WScript.Echo "Get_FileList *.txt with sub-folders: " & UBound(Split(list, ";")) & " files, Count " & d.Count
list = d.Get_FileList(root, False)
WScript.Echo "Get_FileList of the top folder: " & UBound(Split(list, ";")) & " files, Count " & d.Count
t = "*"
list = d.Get_FileList(root, False, t)
WScript.Echo "Get_FileList * (no extension): " & Replace(list, root, "")
WScript.Echo "Get_DirList: " & Replace(d.Get_DirList(root), root, "")
t = root
n = "NEEDLE"
result = d.TextSearch(t, n)
WScript.Echo "TextSearch: " & (UBound(result) + 1) & " file, " & Replace(result(0), root, "")
n = "no such text"
result = d.TextSearch(t, n)
WScript.Echo "TextSearch without a match: " & result(0)
WScript.Echo "Get_Totals (bytes, everything): " & d.Get_Totals(root)
t = 1
n = "*.txt"
WScript.Echo "Get_Totals (bytes, *.txt at the top): " & d.Get_Totals(root, t, n, False)
t = 3
n = CStr(Date - 1)
WScript.Echo "Get_Totals (modified since yesterday): " & d.Get_Totals(root, t, n)
d.CancelProcessing = True
WScript.Echo "Get_FileList while CancelProcessing is True is Empty: " & IsEmpty(d.Get_FileList(root))
d.CancelProcessing = False

' Copy and move: no target exists, so nothing is asked.
copy = root & "copy of a.txt"
moved = root & "logs\a.txt"
WScript.Echo "Copy_File: " & d.Copy_File(root & "a.txt", copy)
WScript.Echo "Move_File: " & d.Move_File(copy, moved)
WScript.Echo "moved: " & (fso.FileExists(moved) And Not fso.FileExists(copy))

' Temporary names and files.
name = d.Create_Tmp_Name(8)
WScript.Echo "Create_Tmp_Name(8): " & Len(name) & " characters, the first " & Left(name, 1)
WScript.Echo "Rnd2(5, 5): " & d.Rnd2(5, 5)
x = d.Rnd2(1, 2)
WScript.Echo "Rnd2(1, 2) lies in [1, 2): " & (x >= 1 And x < 2)
folder = ""
tmp = d.Create_Tmp_Filename(folder)
WScript.Echo "Create_Tmp_Filename made an empty file: " & (fso.GetFile(tmp).Size = 0)
WScript.Echo "in the folder written back: " & (d.Get_Path(tmp) & "\" = folder)
fso.DeleteFile tmp

' Remove the scratch tree.
t = root
WScript.Echo "DelTree32: " & d.DelTree32(t)
WScript.Echo "the tree is gone: " & (Not fso.FolderExists(root))

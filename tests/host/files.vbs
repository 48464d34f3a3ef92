' clsDrvInfo2 and clsDriveInfo as a script host sees them: path texts, existence tests, walks,
' search, totals, disk space, ByRef arguments and error numbers.
On Error Resume Next
Dim d, fso, root, t, n, list, result, total, free, used, drives, info, count, letters, i, found

Set d = CreateObject("WENDRAX1.clsDrvInfo2")
CheckError 0, "create clsDrvInfo2"
Set fso = CreateObject("Scripting.FileSystemObject")

' Path texts
CheckEqual d.Add_Trailing_Slash("  C:\dir  "), "C:\dir\", "Add_Trailing_Slash"
CheckEqual d.Add_Trailing_Slash(""), "\", "Add_Trailing_Slash of empty text"
CheckEqual d.Remove_Trailing_Slash("C:\dir\\"), "C:\dir\", "Remove_Trailing_Slash removes one"
CheckEqual d.Get_Extension("C:\a.b\file.TXT"), "TXT", "Get_Extension"
CheckEqual d.Get_Filename("C:\a.b\file.TXT"), "file.TXT", "Get_Filename"
CheckEqual d.Get_Path("C:\a.b\file.TXT"), "C:\a.b", "Get_Path"
t = "abc" & Chr(0) & "def"
CheckEqual d.Remove_Nulls(t), "abc", "Remove_Nulls"
n = 30
CheckEqual d.Shrink_2_Fit("C:\Program Files\Common Files\System\foo.dll", n), "C:\...\System\foo.dll", "Shrink_2_Fit 30"
CheckEqual n, 30, "Shrink_2_Fit leaves its ByRef length"
CheckEqual d.Shrink_2_Fit("\\server\share\folder\sub\file.txt", 25), "\\server\...\file.txt", "Shrink_2_Fit UNC"
CheckEqual d.Shrink_2_Fit("D:\a\b\c.txt", 8), "D:\...\b\c.txt", "Shrink_2_Fit keeps going past the room"
CheckEqual d.Attribute_String(36), "SA", "Attribute_String 36"
CheckEqual d.Attribute_String(39), "RHSA", "Attribute_String 39"
CheckEqual d.Attribute_String(0), "", "Attribute_String 0"
CheckEqual Len(d.Create_Tmp_Name(8)), 8, "Create_Tmp_Name length"
CheckEqual Left(d.Create_Tmp_Name(8), 1), "_", "Create_Tmp_Name starts with _"

' Existence and drives
t = 9
Check Not d.Drive_Exist("C", t), "Drive_Exist without a colon"
CheckEqual t, 0, "Drive_Exist sets the type to 0"
Check d.Drive_Exist("c:\anything", t), "Drive_Exist c:"
CheckEqual t, 2, "fixed drive type"
CheckEqual d.DIObject.Path, "C:", "DIObject.Path"
CheckEqual d.DIObject.DriveLetter, "C", "DIObject.DriveLetter"
CheckEqual d.DIObject.RootFolder.Path, "C:\", "DIObject.RootFolder.Path"
CheckEqual d.DIObject.RootFolder, "C:\", "DIObject.RootFolder reads as its path"
Check d.DIObject.IsReady, "DIObject.IsReady"
Check d.DIObject.TotalSize > 0, "DIObject.TotalSize"
Check d.IsDriveReady("c"), "IsDriveReady c"
Check Not d.IsDriveReady("1"), "IsDriveReady of a digit"
result = d.IsDriveReady("")
CheckError 5, "IsDriveReady of empty text"
result = d.IsDriveReady("Q:")
CheckError 68, "IsDriveReady of a missing drive"
drives = d.Available_Drives()
CheckEqual VarType(drives), 8204, "Available_Drives gives an array a script can index"
CheckEqual LBound(drives), 0, "Available_Drives starts at 0"
found = False
count = -1
count = UBound(drives)  ' stays -1 when the result cannot be indexed
For i = 0 To count
    If UCase(drives(i)) = "C:\" Then found = True
Next
Check found, "Available_Drives names C:\"

root = d.Create_Tmp_Folder()
CheckError 0, "Create_Tmp_Folder"
Check fso.FolderExists(root), "temporary folder made"
Check Right(root, 1) = "\", "temporary folder ends with a backslash"
Check d.Create_Dir_Struct(root & "sub\deeper"), "Create_Dir_Struct"
fso.CreateTextFile(root & "a.TXT").Write "0123456789"
fso.CreateTextFile(root & "b.txt").Write "01234567890123456789"
fso.CreateTextFile(root & "c.doc").Write "a Needle here"
fso.CreateTextFile(root & "readme").Write "x"
fso.CreateTextFile(root & "sub\d.txt").Write "x"
CheckError 0, "test files written"

t = root & "readme"
Check d.File_Exist(t), "File_Exist of a file without extension"
t = root & "a.TXT"
Check d.File_Exist(t), "File_Exist of a.TXT"
t = root & "nothing.txt"
Check Not d.File_Exist(t), "File_Exist of a missing file"
Check d.Folder_Exist(root), "Folder_Exist"
Check d.Folder_Exist(root & "name.ext"), "Folder_Exist of a file name tests its folder"
t = root
Check Not d.IsThisRestricted(t), "writable folder is not restricted"
Check Not fso.FileExists(root & "_Test.$$$"), "probe removed"
t = ""
Check d.IsThisRestricted(t), "empty path is restricted"

' Walks
d.Count = 0
t = "*.txt"
list = d.Get_FileList(root, False, t)
CheckEqual UBound(Split(list, ";")), 2, "two .txt files at the top"
Check InStr(list, root & "a.TXT;") > 0, "a.TXT listed with its full path"
CheckEqual d.Count, 2, "Count advanced for each match"
list = d.Get_FileList(root)
CheckEqual UBound(Split(list, ";")), 5, "every file, sub-folders included"
CheckEqual d.Count, 2, "no pattern: Count unchanged"
CheckEqual d.Get_DirList(root), root & "sub", "Get_DirList"
CheckEqual d.Get_DirList(root & "sub\deeper"), "", "Get_DirList without sub-folders"
d.CancelProcessing = True
Check IsEmpty(d.Get_FileList(root)), "cancelled walk gives Empty"
d.CancelProcessing = False
list = d.Get_FileList(root & "missing")
CheckError 76, "Get_FileList of a missing folder"
t = root
n = "NEEDLE"
result = d.TextSearch(t, n)
CheckError 0, "TextSearch"
CheckEqual VarType(result), 8204, "TextSearch gives an array a script can index"
CheckEqual LBound(result), 0, "TextSearch: lower bound"
CheckEqual UBound(result), 0, "TextSearch: one file holds the text"
CheckEqual result(0), root & "c.doc", "TextSearch names the file"
n = "no such text anywhere"
result = d.TextSearch(t, n)
CheckEqual UBound(result), 1, "TextSearch without a match: two entries"
CheckEqual result(0) & "|" & result(1), "N/A|", "TextSearch without a match"

t = 1
n = "*.txt"
CheckEqual d.Get_Totals(root, t, n, False), "30", "Get_Totals of sizes"
CheckEqual d.Get_Totals(root), "45", "Get_Totals defaults"
t = 5
CheckEqual d.Get_Totals(root, t), "0", "Get_Totals of an unknown type"
t = 3
n = CStr(Date - 1)
CheckEqual d.Get_Totals(root, t, n), "5", "files modified since yesterday"

' Disk space
Check d.Get_Disk_Space("c", total, free, used), "Get_Disk_Space"
Check total > 0, "total size"
CheckEqual used, total - free, "used = total - free"
Check Not d.Get_Disk_Space("", total, free, used), "Get_Disk_Space of empty text"
CheckEqual total, 0, "outputs cleared"

' A path holding a NUL names what lies before it
Check d.Create_Dir_Struct(root & "zero\a\a"), "Create_Dir_Struct for the NUL path"
t = root & "zero\a" & Chr(0) & "b"
Check d.DelTree32(t), "DelTree32 of a path holding a NUL"
Check Not fso.FolderExists(root & "zero\a"), "the folder before the NUL removed"
Check fso.FolderExists(root & "zero"), "its parent left"

t = root
Check d.DelTree32(t), "DelTree32"
Check Not fso.FolderExists(root), "tree removed"

' clsDriveInfo
Set info = CreateObject("WENDRAX1.clsDriveInfo")
CheckError 0, "create clsDriveInfo"
t = "C:\"
CheckEqual info.GetSerialNumber(t), fso.GetDrive("C:").SerialNumber, "GetSerialNumber of C:"
t = "Q:\"
CheckEqual info.GetSerialNumber(t), 0, "GetSerialNumber of a missing drive"
count = 0
letters = ""
result = info.GetDriveDesc(count, letters)
Check IsEmpty(result), "GetDriveDesc returns Empty"
CheckEqual Len(letters), 2 * count, "a letter and a space per CD-ROM drive"
CheckError 0, "clsDriveInfo calls"

Call Finish()

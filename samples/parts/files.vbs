' ---- Files and drives ----
' Uses Title() and temp from the tour.
Sub TourFiles()
    Dim d, info, root, list, entries, t, pattern, total, free, used, count, letters, fso, found
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
    ' A String array: Basic hosts index it (found(0), found(1)); this script engine only sees its type.
    WScript.Echo "TextSearch for ""milk"" (any case) returned a String array: VarType " & VarType(found)

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


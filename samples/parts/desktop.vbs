' The desktop part of the tour: the Windows folders, the lock keys, and a shortcut made through the
' setup toolkit beside the library, found on disk and removed again.
Sub TourDesktop()
    Dim cut, kb, caps, num, scroll, fso, shell, linkFile, made, link
    Set cut = CreateObject("WENDRAX1.clSShortCut")
    WScript.Echo "Windows folder:  " & cut.GetWinDir()
    WScript.Echo "System folder:   " & cut.GetWinSysDir()

    Set kb = CreateObject("WENDRAX1.clsKeyBoard")
    kb.GetLockStatus caps, num, scroll
    WScript.Echo "Caps Lock " & caps & ", Num Lock " & num & ", Scroll Lock " & scroll

    ' The toolkit puts the link in "..\..\Desktop" from the Start menu's programs folder.
    Set fso = CreateObject("Scripting.FileSystemObject")
    Set shell = CreateObject("WScript.Shell")
    linkFile = Replace(shell.ExpandEnvironmentStrings("%APPDATA%"), Chr(0), "") & _
               "\Microsoft\Windows\Desktop\WENDRAX1 tour.lnk"
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

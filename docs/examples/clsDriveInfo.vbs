' Volume serial numbers and the machine's CD-ROM drives.
Dim info, fso, root, serial, count, letters, first, expected, volume

Set info = CreateObject("WENDRAX1.clsDriveInfo")
Set fso = CreateObject("Scripting.FileSystemObject")

' A serial number needs the drive's root, with its backslash.
root = "C:\"
serial = info.GetSerialNumber(root)
WScript.Echo "serial of C:\ as the scripting runtime reads it: " & (serial = fso.GetDrive("C:").SerialNumber)
root = "C:\Windows\"
WScript.Echo "serial of a folder that is not a root: " & info.GetSerialNumber(root)
root = "Q:\"
WScript.Echo "serial of a drive that does not exist: " & info.GetSerialNumber(root)

' GetDriveDesc adds to the caller's two variables: start them at 0 and empty text.
count = 0
letters = ""
info.GetDriveDesc count, letters
WScript.Echo "a letter and a space per CD-ROM drive: " & (Len(letters) = 2 * count)
info.GetDriveDesc count, letters
WScript.Echo "a second call adds every drive again: " & (Len(letters) = 2 * count)

' The first CD-ROM drive: its root and serial, or empty text without one.
first = info.GetFirstCDDriveLetter()
expected = ""
If count > 0 Then expected = UCase(Left(letters, 1)) & ":\"
WScript.Echo "GetFirstCDDriveLetter names the first drive listed: " & (first = expected)
volume = info.GetFirstDriveCDVolume()
expected = ""
If first <> "" Then expected = CStr(info.GetSerialNumber(first))
WScript.Echo "GetFirstDriveCDVolume is its serial as text: " & (volume = expected)

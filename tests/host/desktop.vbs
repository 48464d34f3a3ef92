' The desktop and network helpers as a script host uses them: ByRef outputs, optional arguments,
' errors by number, shortcuts on disk, and the network classes over whatever Wine's network gives.
Dim kb, caps, num, scroll, top, folder, fso, stream, text, cut, sysDir, linkFile, made
Dim netw, domains, list, enet, first, dec
On Error Resume Next
Set fso = CreateObject("Scripting.FileSystemObject")
folder = TempFolder()

' Keyboard: lock states come back through the caller's variables; bad keys are refused.
Set kb = CreateObject("WENDRAX1.clsKeyBoard")
caps = 5 : num = 5 : scroll = 5
kb.GetLockStatus caps, num, scroll
CheckError 0, "GetLockStatus"
CheckEqual VarType(caps), 11, "Caps Lock state is a Boolean"
CheckEqual VarType(scroll), 11, "Scroll Lock state is a Boolean"
kb.PressKey ""
CheckError 5, "PressKey with no character"
kb.PressKeyVK 300
CheckError 6, "PressKeyVK beyond a byte"

' Window helpers: banner text from a file, a stop that touches nothing.
Set top = CreateObject("WENDRAX1.clsOnTop1")
Set stream = fso.CreateTextFile(folder & "\wx-banner.txt", True)
stream.WriteLine "  first"
stream.WriteLine "second"
stream.Close
text = top.ScrollTextFromFile(folder & "\wx-banner.txt")
CheckEqual text, "first" & vbCrLf & "second" & vbCrLf, "banner text from a file"
fso.DeleteFile folder & "\wx-banner.txt"
CheckEqual top.ScrollTextFromFile(folder & "\wx-no-banner.txt"), "Advertisement Scroll1.txt file not found!", "missing banner file"
top.ScrollAdvertisement Nothing, "Stop"
CheckError 0, "a stop request returns at once"
text = "sToP"
top.ScrollAdvertisement Nothing, text
CheckError 0, "a stop request in a variable"
text = top.GetCDRomLetter()
CheckError 0, "GetCDRomLetter"
Check text = "" Or (Len(text) = 3 And Right(text, 2) = ":\"), "GetCDRomLetter gives a drive root or nothing"

' Shortcuts: a real link file lands on the user's desktop (the profile's Desktop folder here).
Set cut = CreateObject("WENDRAX1.clSShortCut")
sysDir = cut.GetWinSysDir()
CheckEqual sysDir, cut.GetWinDir() & "\System\", "System folder below the Windows folder"
linkFile = Replace(CreateObject("WScript.Shell").ExpandEnvironmentStrings("%USERPROFILE%"), Chr(0), "") & _
           "\Desktop\wx script link.lnk"
made = cut.doAddShortCut("  " & cut.GetWinDir() & "\notepad.exe ", " wx script link ")
CheckError 0, "doAddShortCut"
CheckEqual made, True, "doAddShortCut reached the toolkit"
Check fso.FileExists(linkFile), "the link file exists: " & linkFile
fso.DeleteFile linkFile

' Network: the domain list is an array of texts; nothing is added that was not listed.
Class ListDouble
    Public Count
    Public Sub AddItem(name)
        Count = Count + 1
    End Sub
End Class
Set netw = CreateObject("WENDRAX1.clsNetw")
domains = netw.EnumDomains()
CheckError 0, "EnumDomains"
CheckEqual VarType(domains), 8204, "EnumDomains gives an array a script can index"
CheckEqual LBound(domains), 1, "EnumDomains starts at 1"
dec = 0
dec = UBound(domains)  ' stays 0 when the result cannot be indexed
For first = 1 To dec
    CheckEqual VarType(domains(first)), 8, "each domain is a text"
Next
Set list = New ListDouble
list.Count = 0
netw.GetDomains list
CheckError 0, "GetDomains"

' Adapter address: twelve hex digits; the decimal text runs on until the host resets it.
Set enet = CreateObject("WENDRAX1.clsEnetAdd")
first = enet.EthernetAddress(0)
CheckError 0, "EthernetAddress"
CheckEqual Len(first), 12, "twelve hexadecimal digits"
dec = enet.EnetAddressDec
enet.EthernetAddress 0
CheckEqual enet.EnetAddressDec, dec & dec, "a second call doubles the decimal text"
enet.EnetAddressDec = ""
enet.EthernetAddress 0
CheckEqual enet.EnetAddressDec, dec, "the host resets the decimal text"
enet.EthernetAddress 256
CheckError 6, "an adapter number beyond a byte"

Call Finish()

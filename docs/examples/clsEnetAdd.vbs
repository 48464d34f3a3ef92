' The hardware address of the first network adapter (LANA number 0), and the status values kept.
Option Explicit
Dim card, lana, address, i, hexOnly, dashed, first

Set card = CreateObject("WENDRAX1.clsEnetAdd")
lana = 0
address = card.EthernetAddress(lana)

WScript.Echo "Digits: " & Len(address)
hexOnly = True
For i = 1 To Len(address)
    If InStr("0123456789ABCDEF", Mid(address, i, 1)) = 0 Then hexOnly = False
Next
WScript.Echo "Only 0-9 and A-F: " & hexOnly

' The usual way to show it: two digits per byte, separated by dashes.
dashed = Mid(address, 1, 2)
For i = 3 To 11 Step 2
    dashed = dashed & "-" & Mid(address, i, 2)
Next
WScript.Echo "Shown with dashes: " & Len(dashed) & " characters"

WScript.Echo "Adapter type is a Byte: " & (VarType(card.AdapterType) = vbByte)
WScript.Echo "Name count is an Integer: " & (VarType(card.NameCount) = vbInteger)

' The decimal text grows with every read until the host resets it.
first = card.EnetAddressDec
card.EthernetAddress lana
WScript.Echo "Second read doubles the decimal text: " & (card.EnetAddressDec = first & first)
card.EnetAddressDec = ""
card.EthernetAddress lana
WScript.Echo "After a reset it holds one address: " & (card.EnetAddressDec = first)

' A LANA number is a byte: 256 is refused with error 6 (Overflow).
On Error Resume Next
card.EthernetAddress 256
WScript.Echo "LANA 256: error " & Err.Number & " (" & Err.Description & ")"

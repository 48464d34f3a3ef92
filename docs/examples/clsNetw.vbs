' The network's domains and workgroups: as an array, and added to a list control.
Option Explicit

' Any object with an AddItem method serves as the list control (a Basic ListBox or ComboBox).
Class NameList
    Public Count
    Public AllText
    Public Sub AddItem(name)
        Count = Count + 1
        If VarType(name) <> vbString Then AllText = False
    End Sub
End Class

Dim net, names, count, i, list
Set net = CreateObject("WENDRAX1.clsNetw")

names = net.EnumDomains()
count = UBound(names)              ' 0 when the network lists nothing
WScript.Echo "An array: " & IsArray(names)
WScript.Echo "First index: " & LBound(names)
For i = 1 To count
    ' names(i) is the name of one domain or workgroup
Next

Set list = New NameList
list.Count = 0
list.AllText = True
net.GetDomains list
WScript.Echo "One item per name: " & (list.Count = count)
WScript.Echo "Every item is text: " & list.AllText

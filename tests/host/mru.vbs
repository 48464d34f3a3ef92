' The most-recently-used list as a script host uses it: the list comes back through a ByRef
' array, two objects share one list, and the host reads the same list from the settings store.
On Error Resume Next
Dim a, b, sh, list, store, i
Set sh = CreateObject("WScript.Shell")
store = "HKCU\Software\VB and VBA Program Settings\WxHostMRU\Files\"
Set a = CreateObject("WENDRAX1.classMRU")
Set b = CreateObject("WENDRAX1.classMRU")
a.Parent = "WxHostMRU" : a.Child = "Files"
b.Parent = "WxHostMRU" : b.Child = "Files"
a.Clear
CheckEqual a.Num, 0, "an empty list"
list = Array("untouched")
a.GetArray list
CheckError 0, "GetArray on an empty list"
CheckEqual list(0), "untouched", "GetArray on an empty list leaves the array alone"
a.Save "one.txt"
b.Save "two.txt"
a.Save "three.txt"
b.Save "one.txt"
CheckEqual a.Num, 3, "three entries"
CheckEqual a.Last, "one.txt", "the last one saved is first"
list = Empty
a.GetArray list
CheckError 0, "GetArray fills a script variable"
CheckEqual LBound(list), 1, "the list starts at 1"
CheckEqual UBound(list), 3, "the list ends at the count"
CheckEqual list(1) & "," & list(2) & "," & list(3), "one.txt,three.txt,two.txt", "most recent first"
CheckEqual sh.RegRead(store & "MRUNum"), "3", "the host reads the count"
CheckEqual sh.RegRead(store & "MRU2"), "three.txt", "the host reads an entry"
a.Save "One.txt"
CheckEqual b.Num, 4, "letter case makes a new entry"
b.MaxNum = 2
b.Save "five.txt"
CheckError 0, "saving after lowering MaxNum works"
b.GetArray list
CheckEqual UBound(list), 2, "the list shrank to MaxNum"
CheckEqual list(1) & "," & list(2), "five.txt,One.txt", "and kept the newest entries"
b.MaxNum = 0
b.Save "six.txt"
CheckError 9, "MaxNum 0 raises subscript out of range"
a.ClearParent
a.ClearParent
CheckError 0, "clearing twice raises nothing"
CheckEqual a.Num, 0, "the list is gone"
Call Finish()

' ---- Registry and most-recently-used lists ----
Sub TourSettings()
    Dim reg, h, mru, root, key, name, value, kind, names, count, i, list
    Const HKCU = &H80000001

    Title "Registry values (WENDRAX1.clsWinReg)"
    Set reg = CreateObject("WENDRAX1.clsWinReg")
    root = HKCU
    key = "Software\WENDRAX1 tour"
    reg.CreateNewKey root, key
    name = "Greeting" : value = "hello" : kind = 1
    reg.SetKeyValue root, key, name, value, kind
    name = "Runs" : value = 3 : kind = 4
    reg.SetKeyValue root, key, name, value, kind
    name = "Greeting"
    WScript.Echo "Greeting reads: " & Replace(reg.QueryValue(root, key, name), Chr(0), "") & " (REG_SZ)"
    name = "Runs"
    WScript.Echo "Runs reads: " & reg.QueryValue(root, key, name) & " (REG_DWORD)"

    Title "Registry handler (WENDRAX1.clsDorvelRegHand2A)"
    Set h = CreateObject("WENDRAX1.clsDorvelRegHand2A")
    h.ClassKey = HKCU
    h.SectionKey = key & "\Handler"
    h.CreateKey
    h.ValueType = 1
    h.ValueKey = "Home" : h.Value = "%SystemRoot%\tour"
    h.ValueKey = "Share" : h.Value = "50%"
    h.ValueType = 4
    h.ValueKey = "Count" : h.Value = 42
    h.ValueKey = "Home"
    WScript.Echo "Home reads expanded: " & h.Value & " (stored as type " & h.ValueType & ")"
    h.ValueKey = "Share"
    WScript.Echo "Share reads: " & h.Value & " (type " & h.ValueType & ")"
    h.EnumerateValues names, count
    WScript.Echo "values under " & h.SectionKey & ": " & count
    For i = 1 To count
        WScript.Echo "  " & names(i)
    Next
    h.SectionKey = key
    h.EnumerateSections names, count
    WScript.Echo "subkeys of " & key & ": " & count
    On Error Resume Next
    h.DeleteKey
    WScript.Echo "DeleteKey on a key with subkeys raises " & Err.Number & " from " & Err.Source & ": " & Err.Description
    Err.Clear
    On Error GoTo 0

    Title "Most-recently-used list (WENDRAX1.classMRU)"
    Set mru = CreateObject("WENDRAX1.classMRU")
    mru.Parent = "WENDRAX1 tour"
    mru.MaxNum = 3
    For Each name In Array("a.txt", "b.txt", "c.txt", "a.txt", "d.txt")
        mru.Save name
    Next
    list = Empty
    mru.GetArray list
    WScript.Echo "after saving a, b, c, a, d with room for 3: " & mru.Num & " entries"
    For i = 1 To mru.Num
        WScript.Echo "  " & i & ": " & list(i)
    Next

    ' Clean up what the tour wrote.
    mru.ClearParent
    h.SectionKey = key & "\Handler"
    h.DeleteKey
    h.SectionKey = key
    h.DeleteKey
    WScript.Echo "cleaned up; the tour key exists: " & h.KeyExists
End Sub

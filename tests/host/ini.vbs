' The INI class as a script host uses it.
Dim ini, folder, path, v, names, count
folder = TempFolder()
path = folder & "\wx-host-ini.ini"
Set ini = CreateObject("WENDRAX1.cyInifINIFilesObj")
CheckEqual ini.LastReturnCode, 0, "a new instance has no return code"
CheckEqual ini.Success, False, "a new instance reports no success"
ini.Path = path
ini.Section = "A"
ini.Key = "k"
ini.Value = "x"
Check ini.Success, "a write succeeds"
CheckEqual ini.Value, "x", "value reads back"
Call Finish()

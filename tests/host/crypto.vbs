' clsCrypto and clsSecretFiles as a script host sees them: default shift cipher, CryptoAPI texts in
' hexadecimal, files in place with the key variable passed by reference, raised errors, and the
' four-record files.
On Error Resume Next
Dim c, s, hex, i, ok, fso, folder, path, f, k, sf, back
Set fso = CreateObject("Scripting.FileSystemObject")
folder = TempFolder() & "\wx-crypto-" & Int(Timer * 100)
fso.CreateFolder folder
CheckError 0, "scratch folder"

Set c = CreateObject("WENDRAX1.clsCrypto")
CheckError 0, "create clsCrypto"

' The default mode: the shift cipher, no field touched.
s = c.StringCryptography(0, "abc")
CheckEqual Len(s), 3, "shift cipher length"
CheckEqual Asc(Mid(s, 1, 1)) & "," & Asc(Mid(s, 2, 1)) & "," & Asc(Mid(s, 3, 1)), "161,162,163", "shift cipher codes"
CheckEqual c.StringCryptography(1, s), "abc", "shift cipher back"
CheckEqual c.m_Hash_Algorithm, 0, "no field changed"
CheckEqual c.StringCryptography(1, "123"), "", "codes below 64 vanish"

' Method 21 in hexadecimal and back.
hex = c.StringCryptography(0, "Hello, script host", "pw", 21, 1, True)
CheckError 0, "encrypt hexadecimal"
ok = (Len(hex) > 0) And (Len(hex) Mod 2 = 0)
For i = 1 To Len(hex)
    If InStr("0123456789ABCDEF", Mid(hex, i, 1)) = 0 Then ok = False
Next
Check ok, "hexadecimal digits only, even length"
CheckEqual c.StringCryptography(1, hex, "pw", 21, 1, True), "Hello, script host", "decrypt hexadecimal"
CheckEqual c.m_Hash_Algorithm, 32771, "MD5 selected"
CheckEqual c.m_EncDec_Algorithm, 26121, "3DES_112 selected"
CheckEqual c.s_DataValue, hex, "source kept"
Check c.m_CSP_Provider <> 0, "provider context kept"
s = c.StringCryptography(1, "41G1", "pw", 21, 1, True)
CheckError 13, "non-hexadecimal pair"

' Raw text through the key members.
k = c.lHSessionKey
s = c.DoEncryptString(k, "raw text")
CheckEqual c.InBuffer, "raw text", "input buffer"
CheckEqual c.DoDecryptString(k, s), "raw text", "raw round trip"
CheckEqual c.OutBuffer, "raw text", "output buffer"
Check c.EnumCSPs Is Nothing, "EnumCSPs is Nothing"
Check c.EnumCSPTypes Is Nothing, "EnumCSPTypes is Nothing"
CheckEqual c.SetCSP("x", "1"), 0, "SetCSP"

' Outside the table, on a new instance.
Set c = CreateObject("WENDRAX1.clsCrypto")
CheckEqual c.StringCryptography(0, "abc", "pw", 26, 0, True), "", "method 26"
CheckEqual c.StringCryptography(0, "abc", "pw", -1, 0, True), "", "method -1"

' A file in place, read-only kept read-only.
path = folder & "\note.txt"
Set f = fso.CreateTextFile(path, True)
f.Write "A file to protect."
f.Close
fso.GetFile(path).Attributes = 1
Check c.FileCryptography(0, path, "file pw", folder & "\unused.txt", 20), "encrypt file"
CheckEqual c.lHSessionKey, 0, "key cleared after the file"
Check c.m_CSP_Provider <> 0, "provider kept after the file"
CheckEqual fso.GetFile(path).Attributes And 1, 1, "still read-only"
CheckEqual fso.GetFile(path).Size, 24, "3DES ciphertext length"
Check Not fso.FileExists(folder & "\unused.txt"), "destination unused"
Check Not c.FileCryptography(1, path, "wrong", "", 20), "wrong password fails"
CheckEqual fso.GetFile(path).Size, 24, "ciphertext untouched"
Check c.FileCryptography(1, path, "file pw", "", 20), "decrypt file"
fso.GetFile(path).Attributes = 0
CheckEqual fso.OpenTextFile(path).ReadAll(), "A file to protect.", "plaintext back, cut to its length"
Check Not c.FileCryptography(0, folder & "\missing.txt", "pw"), "missing file"
Check Not c.FileCryptography(0, folder, "pw"), "folder"

' The key members with the caller's variable passed by reference.
s = c.StringCryptography(0, "x", "k", 19, 0, True)
k = c.lHSessionKey
Check c.DoFileEncrypt(path, k), "DoFileEncrypt"
CheckEqual k, 0, "caller's key cleared"
Check fso.OpenTextFile(path).ReadAll() <> "A file to protect.", "file encrypted"
Check Not c.DoFileDecrypt(path, k), "a cleared key fails"
CheckError 0, "no error from file members"

' Four-record files.
Set sf = CreateObject("WENDRAX1.clsSecretFiles")
s = sf.WriteSecretFile(folder & "\rec.dat", "abc", "", "x", "y")
CheckEqual Len(s), 11, "enciphered records joined"
Set sf = CreateObject("WENDRAX1.clsSecretFiles")
back = sf.ReadSecretFile(folder & "\rec.dat", "")
CheckEqual back, "abc||x|y", "records back"
CheckEqual VarType(back), 8, "read gives a String"
Set sf = CreateObject("WENDRAX1.clsSecretFiles")
CheckEqual sf.ReadSecretFile(folder & "\none.dat", ""), "|||", "missing file"
CheckError 0, "secret files raise nothing"

fso.DeleteFolder folder, True
Call Finish()

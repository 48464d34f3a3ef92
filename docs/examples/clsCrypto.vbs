' clsCrypto: texts with the built-in shift cipher and with CryptoAPI, a file encrypted in place,
' and the key members with a key variable passed by reference.
Option Explicit
Dim fso, c, s, hex, back, k, raw, path, f

Set fso = CreateObject("Scripting.FileSystemObject")
Set c = CreateObject("WENDRAX1.clsCrypto")

' The default mode: the library's shift cipher (no password, no CryptoAPI).
s = c.StringCryptography(0, "abc")
WScript.Echo "shift cipher codes: " & Asc(Mid(s, 1, 1)) & " " & Asc(Mid(s, 2, 1)) & " " & Asc(Mid(s, 3, 1))
WScript.Echo "shift cipher back: " & c.StringCryptography(1, s)

' CryptoAPI: method 21 (MD5 and two-key triple DES), hexadecimal text.
hex = c.StringCryptography(0, "Meet me at noon", "password", 21, 1, True)
WScript.Echo "hexadecimal: " & hex
WScript.Echo "length: " & Len(hex)
WScript.Echo "decrypted: " & c.StringCryptography(1, hex, "password", 21, 1, True)
WScript.Echo "wrong password: [" & c.StringCryptography(1, hex, "guess", 21, 1, True) & "]"
WScript.Echo "hash, cipher: " & c.m_Hash_Algorithm & ", " & c.m_EncDec_Algorithm
WScript.Echo "provider: " & Replace(c.sProvider, Chr(0), "")

' Not hexadecimal: error 13.
On Error Resume Next
back = c.StringCryptography(1, "41G1", "password", 21, 1, True)
WScript.Echo "error " & Err.Number & " from " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0

' The key members: the key of the last derivation, raw ciphertext (one character per byte).
k = c.lHSessionKey
raw = c.DoEncryptString(k, "raw text")
WScript.Echo "raw ciphertext length: " & Len(raw)
WScript.Echo "raw back: " & c.DoDecryptString(k, raw)
WScript.Echo "InBuffer is the ciphertext: " & (c.InBuffer = raw)
WScript.Echo "OutBuffer: " & c.OutBuffer

' A file, encrypted in place with method 20 (MD5 and triple DES), then decrypted.
path = fso.BuildPath(fso.GetAbsolutePathName("."), "clsCrypto-note.txt")
Set f = fso.CreateTextFile(path, True)
f.Write "A file to protect."
f.Close
WScript.Echo "plain size: " & fso.GetFile(path).Size
WScript.Echo "encrypted: " & c.FileCryptography(0, path, "file password", "", 20)
WScript.Echo "encrypted size: " & fso.GetFile(path).Size
WScript.Echo "key after the file: " & c.lHSessionKey
WScript.Echo "wrong password: " & c.FileCryptography(1, path, "guess", "", 20)
WScript.Echo "size after the failure: " & fso.GetFile(path).Size
WScript.Echo "decrypted: " & c.FileCryptography(1, path, "file password", "", 20)
WScript.Echo "text: " & fso.OpenTextFile(path).ReadAll()

' The same with a key of our own: the variable is cleared when the key has done its work.
s = c.StringCryptography(0, "x", "key password", 19, 0, True)
k = c.lHSessionKey
WScript.Echo "DoFileEncrypt: " & c.DoFileEncrypt(path, k)
WScript.Echo "key variable: " & k
WScript.Echo "size with RC4: " & fso.GetFile(path).Size
fso.DeleteFile path

WScript.Echo "EnumCSPs is Nothing: " & (c.EnumCSPs Is Nothing)
WScript.Echo "SetCSP: " & c.SetCSP("any", "1")

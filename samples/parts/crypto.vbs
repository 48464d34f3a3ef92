' ---- Cryptography and four-record files ----
' The ANSI codes of a text, for showing enciphered characters.
Function CryptoCodesOf(text)
    Dim i
    CryptoCodesOf = ""
    For i = 1 To Len(text)
        CryptoCodesOf = CryptoCodesOf & " " & Asc(Mid(text, i, 1))
    Next
End Function

Sub TourCrypto()
    Dim crypto, secret, fso, path, file, shifted, hex, plain, records
    Title "Cryptography (WENDRAX1.clsCrypto, WENDRAX1.clsSecretFiles)"
    Set crypto = CreateObject("WENDRAX1.clsCrypto")
    Set fso = CreateObject("Scripting.FileSystemObject")

    ' The library's own shift cipher is the default mode.
    shifted = crypto.StringCryptography(0, "Tour")
    WScript.Echo "shift cipher of ""Tour"": ANSI codes" & CryptoCodesOf(shifted)
    WScript.Echo "deciphered again: " & crypto.StringCryptography(1, shifted)

    ' Method 21: Enhanced provider, MD5, 3DES_112, in hexadecimal.
    hex = crypto.StringCryptography(0, "Meet me at noon", "tour password", 21, 1, True)
    WScript.Echo "method 21, hexadecimal: " & hex
    plain = crypto.StringCryptography(1, hex, "tour password", 21, 1, True)
    WScript.Echo "decrypted: " & plain

    ' A file encrypted in place and decrypted again.
    path = temp & "\wendrax1-tour-crypto.txt"
    Set file = fso.CreateTextFile(path, True)
    file.Write "The tour's secret file."
    file.Close
    WScript.Echo "file of " & fso.GetFile(path).Size & " bytes encrypted (method 20): " & _
        crypto.FileCryptography(0, path, "file password", "", 20) & ", now " & fso.GetFile(path).Size & " bytes"
    WScript.Echo "wrong password: " & crypto.FileCryptography(1, path, "guess", "", 20) & _
        " (the file is left as it was)"
    WScript.Echo "decrypted: " & crypto.FileCryptography(1, path, "file password", "", 20) & _
        ", reads: " & fso.OpenTextFile(path).ReadAll()
    fso.DeleteFile path

    ' Four short texts in an enciphered file.
    path = temp & "\wendrax1-tour-records.dat"
    Set secret = CreateObject("WENDRAX1.clsSecretFiles")
    secret.WriteSecretFile path, "user", "", "2024", "Tour"
    WScript.Echo "four-record file, first line as stored (ANSI codes):" & CryptoCodesOf(fso.OpenTextFile(path).ReadLine())
    Set secret = CreateObject("WENDRAX1.clsSecretFiles")
    records = secret.ReadSecretFile(path, "")
    WScript.Echo "read back: " & records
    fso.DeleteFile path
End Sub

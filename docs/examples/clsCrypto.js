// clsCrypto from JScript: a text in hexadecimal and back, and a file encrypted with the key
// members. JScript passes every argument by value, so the key variable handed to DoFileEncrypt
// keeps its number: read lHSessionKey to learn that the key is gone.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var c = new ActiveXObject("WENDRAX1.clsCrypto");

var hex = c.StringCryptography(0, "Meet me at noon", "password", 21, 1, true);
WScript.Echo("hexadecimal: " + hex);
WScript.Echo("decrypted: " + c.StringCryptography(1, hex, "password", 21, 1, true));

// Errors arrive as exceptions; the library's number is in the low 16 bits.
try {
    c.StringCryptography(1, "41G1", "password", 21, 1, true);
} catch (e) {
    WScript.Echo("error " + (e.number & 0xFFFF) + ": " + e.description);
}

var path = fso.BuildPath(fso.GetAbsolutePathName("."), "clsCrypto-js.txt");
var f = fso.CreateTextFile(path, true);
f.Write("A file to protect.");
f.Close();
c.StringCryptography(0, "x", "key password", 19, 0, true);
var k = c.lHSessionKey;
WScript.Echo("DoFileEncrypt: " + c.DoFileEncrypt(path, k));
WScript.Echo("variable still holds a number: " + (k != 0));
WScript.Echo("lHSessionKey: " + c.lHSessionKey);
WScript.Echo("decrypted with the password: " + c.FileCryptography(1, path, "key password", "", 19));
WScript.Echo("text: " + fso.OpenTextFile(path).ReadAll());
fso.DeleteFile(path);

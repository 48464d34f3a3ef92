// Names in Greek, Cyrillic, Chinese and an emoji beside the look-alike twins the code page's best
// fit would make of them ("Omega" beside "Ωmega"): files to encrypt, INI files with their
// sections and keys, registry keys, values and texts, four-record files and keystrokes. The
// object named is the one touched, and the twin stays as it was. Then names no platform call can
// take: lone surrogates, NULs inside and names beyond any length.
var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var temp = shell.ExpandEnvironmentStrings("%TEMP%").replace(/\0/g, "");
var u = function () { return String.fromCharCode.apply(null, arguments); };
var OMEGA = u(0x3A9), LSTROKE = u(0x142), DMITRIY = u(0x414, 0x43C, 0x438, 0x442, 0x440, 0x438, 0x439);
var CHINESE = u(0x4E2D, 0x6587), EMOJI = u(0xD83D, 0xDE00), LONE = u(0xD800);
// Each name with the twin the best fit makes of it (where that is a name a file may have).
var names = [[OMEGA + "mega", "Omega"], [LSTROKE + "odz", "lodz"], [DMITRIY, "Dmitrij"],
             [CHINESE + " zh", "_ zh"], [EMOJI + " smile", "_ smile"]];

var folder = temp + "\\wx-unicode-" + OMEGA + "-js";
if (fso.FolderExists(folder)) fso.DeleteFolder(folder, true);
fso.CreateFolder(folder);
function put(path, text) { var f = fso.CreateTextFile(path, true); f.Write(text); f.Close(); }
function get(path) {
    if (!fso.FileExists(path)) return "<missing>";
    var f = fso.OpenTextFile(path, 1, false, -2);
    var text = f.AtEndOfStream ? "" : f.ReadAll();
    f.Close();
    return text;
}
var HKCU = -2147483647;  // 0x80000001 as a Long

// Files to encrypt: the named file changes and comes back byte for byte; the twin never changes.
var crypto = new ActiveXObject("WENDRAX1.clsCrypto");
for (var i = 0; i < names.length; i++) {
    var path = folder + "\\" + names[i][0] + ".txt", twin = folder + "\\" + names[i][1] + ".txt";
    put(path, "secret data");
    put(twin, "twin data");
    check(crypto.FileCryptography(0, path, "pw", "", 19), "encrypts " + names[i][1]);
    check(get(path) !== "secret data", "the named file is encrypted: " + names[i][1]);
    checkEqual(get(twin), "twin data", "the twin is untouched by encryption: " + names[i][1]);
    check(crypto.FileCryptography(1, path, "pw", "", 19), "decrypts " + names[i][1]);
    checkEqual(get(path), "secret data", "the named file decrypts: " + names[i][1]);
    checkEqual(get(twin), "twin data", "the twin is untouched by decryption: " + names[i][1]);
}
put(folder + "\\x.txt", "x data");
checkEqual(crypto.FileCryptography(0, folder + "\\x.txt" + LONE, "pw", "", 19), false, "a lone surrogate names no file");
checkEqual(crypto.FileCryptography(0, folder + "\\" + new Array(400).join("x") + ".txt", "pw", "", 19), false,
           "a name beyond any length names no file");
checkEqual(get(folder + "\\x.txt"), "x data", "no other file was touched");
check(crypto.FileCryptography(0, folder + "\\x.txt\0" + OMEGA, "pw", "", 19), "a path is read up to its first NUL");
check(get(folder + "\\x.txt") !== "x data", "the file before the NUL was encrypted");

// INI files: the path, and in a Unicode file the section and key names and the text.
var ini = new ActiveXObject("WENDRAX1.cyInifINIFilesObj");
put(folder + "\\Omega.ini", "[S]\r\nk=twin\r\n");
ini.Path = folder + "\\" + OMEGA + "mega.ini";
ini.Section = "S"; ini.Key = "k"; ini.Value = "named";
check(ini.Success, "an INI file with a Unicode name is written");
checkEqual(ini.Value, "named", "and read");
checkEqual(get(folder + "\\Omega.ini"), "[S]\r\nk=twin\r\n", "the twin INI file is untouched");
// An ANSI file cannot hold a Greek section name: refused, not stored as "Omega".
ini.Section = OMEGA + "mega"; ini.Value = "x";
checkEqual(ini.Success, false, "an ANSI INI file refuses a name it cannot hold");
ini.Section = "Omega"; ini.Default = "none";
checkEqual(ini.Value, "none", "and no look-alike section was made");
var unicodeIni = folder + "\\" + CHINESE + ".ini";
var f = fso.CreateTextFile(unicodeIni, true, true); f.WriteLine("[Omega]"); f.WriteLine("Dmitrij=twin"); f.Close();
ini.Path = unicodeIni; ini.Default = "";
for (i = 0; i < names.length; i++) {
    ini.Section = names[i][0]; ini.Key = names[i][0]; ini.Value = names[i][0] + " " + EMOJI;
    check(ini.Success, "a Unicode INI file takes the section and key " + names[i][1]);
}
for (i = 0; i < names.length; i++) {
    ini.Section = names[i][0]; ini.Key = names[i][0];
    checkEqual(ini.Value, names[i][0] + " " + EMOJI, "the Unicode text reads back: " + names[i][1]);
}
ini.Section = "Omega"; ini.Key = "Dmitrij";
checkEqual(ini.Value, "twin", "the twin section and key keep their text");
ini.Section = LONE; ini.Key = "k"; ini.Value = "lone";
ini.Section = "Omega"; ini.Key = "k";
checkEqual(ini.Value, "", "a lone-surrogate section is no other section");

// Registry: key and value names and texts, beside their twins; binary data as it was.
var h = new ActiveXObject("WENDRAX1.clsDorvelRegHand2A");
var base = "Software\\WENDRAX1 host unicode";
h.ClassKey = HKCU;
h.SectionKey = base + "\\Omega"; h.ValueKey = "Omega??"; h.ValueType = 1; h.Value = "twin";
for (i = 0; i < names.length; i++) {
    h.SectionKey = base + "\\" + names[i][0]; h.ValueKey = names[i][0] + CHINESE; h.ValueType = 1;
    h.Value = names[i][0] + EMOJI;
    checkEqual(shell.RegRead("HKCU\\" + base + "\\" + names[i][0] + "\\" + names[i][0] + CHINESE),
               names[i][0] + EMOJI, "the host reads the Unicode value " + names[i][1]);
    checkEqual(h.Value, names[i][0] + EMOJI, "the handler reads it back: " + names[i][1]);
}
checkEqual(shell.RegRead("HKCU\\" + base + "\\Omega\\Omega??"), "twin", "the twin value is untouched");
h.SectionKey = base + "\\" + LONE; h.ValueKey = "v"; h.Value = "lone";
checkEqual(shell.RegRead("HKCU\\" + base + "\\Omega\\Omega??"), "twin", "a lone-surrogate key is no other key");
var reg = new ActiveXObject("WENDRAX1.clsWinReg");
var key = base + "\\WinReg " + OMEGA;
reg.CreateNewKey(HKCU, key);
reg.SetKeyValue(HKCU, key, DMITRIY, CHINESE + EMOJI, 1);
checkEqual(reg.QueryValue(HKCU, key, DMITRIY), CHINESE + EMOJI + "\0", "clsWinReg writes and reads Unicode names and texts");
checkEqual(shell.RegRead("HKCU\\" + key + "\\" + DMITRIY), CHINESE + EMOJI, "the host reads the same");
reg.DeleteValue(HKCU, key, DMITRIY);
checkError(function () { shell.RegRead("HKCU\\" + key + "\\" + DMITRIY); }, 0x0002, "the Unicode value is deleted");
reg.DeleteKey(HKCU, key);
checkError(function () { shell.RegRead("HKCU\\" + key + "\\"); }, 0x0002, "the Unicode key is deleted");

// Shell namespace entries: the title and the command keep every character.
var panel = new ActiveXObject("WENDRAX1.clsControlPanelEntry");
var guid = "{0F9E1D2C-3B4A-5968-7768-594A3B2C1D0E}";
panel.CreateEntryToSystemPanel(guid, OMEGA + "mega " + CHINESE, DMITRIY, "icon.ico", folder + "\\" + EMOJI + ".exe");
checkEqual(shell.RegRead("HKCR\\CLSID\\" + guid + "\\"), OMEGA + "mega " + CHINESE, "the entry's Unicode title");
checkEqual(shell.RegRead("HKCR\\CLSID\\" + guid + "\\Shell\\Open\\Command\\"), folder + "\\" + EMOJI + ".exe",
           "the entry's Unicode command");
panel.DeleteEntryFromSystemPanel(guid);
checkError(function () { shell.RegRead("HKCR\\CLSID\\" + guid + "\\"); }, 0x0002, "the entry is removed");

// Most-recently-used lists live in the settings store, in Unicode.
var mru = new ActiveXObject("WENDRAX1.classMRU");
mru.Parent = "WxHostUnicode"; mru.Child = OMEGA;
mru.Clear();
mru.Save(folder + "\\" + CHINESE + EMOJI + ".txt");
checkEqual(mru.Last, folder + "\\" + CHINESE + EMOJI + ".txt", "an MRU entry keeps its Unicode name");
mru.Clear();

// Four-record files under a Unicode name, beside the twin.
var secret = new ActiveXObject("WENDRAX1.clsSecretFiles");
put(folder + "\\Omega.dat", "twin");
secret.WriteSecretFile(folder + "\\" + OMEGA + "mega.dat", "a", "b", "c", "d");
checkEqual(secret.ReadSecretFile(folder + "\\" + OMEGA + "mega.dat", ""), "a|b|c|d", "a four-record file under a Unicode name");
checkEqual(get(folder + "\\Omega.dat"), "twin", "the twin four-record file is untouched");

// Keystrokes: a character with no ANSI code of its own is refused, not typed as its look-alike.
var keyboard = new ActiveXObject("WENDRAX1.clsKeyBoard");
checkError(function () { keyboard.PressKey(OMEGA); }, 6, "Omega has no key code");
checkError(function () { keyboard.PressString("ab" + CHINESE); }, 6, "a text with Chinese is refused whole");

try { shell.RegDelete("HKCU\\" + base + "\\"); } catch (e) {}
fso.DeleteFolder(folder, true);
finish();

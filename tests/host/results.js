// Results a JScript host must be able to use: arrays it reads through VBArray, a picture object
// whose members it calls, and bytes it hands back.
var d = new ActiveXObject("WENDRAX1.clsDrvInfo2");
var fso = new ActiveXObject("Scripting.FileSystemObject");

var drives = new VBArray(d.Available_Drives());
checkEqual(drives.lbound(), 0, "Available_Drives starts at 0");
var roots = drives.toArray(), hasC = false;
for (var i = 0; i < roots.length; i++) if (roots[i].toUpperCase() === "C:\\") hasC = true;
check(hasC, "Available_Drives names C:\\");
checkEqual(roots.length, drives.ubound() + 1, "Available_Drives: bounds and elements agree");

var root = d.Create_Tmp_Folder();
fso.CreateTextFile(root + "hay.txt").Write("a Needle in it");
fso.CreateTextFile(root + "straw.txt").Write("nothing");
var found = new VBArray(d.TextSearch(root, "needle"));
checkEqual(found.lbound(), 0, "TextSearch: lower bound");
checkEqual(found.ubound(), 0, "TextSearch: one file holds the text");
checkEqual(found.getItem(0), root + "hay.txt", "TextSearch names the file");
var none = new VBArray(d.TextSearch(root, "absent")).toArray();
checkEqual(none.length, 2, "TextSearch without a match: two entries");
checkEqual(none[0] + "|" + none[1], "N/A|", "TextSearch without a match");
fso.DeleteFolder(root.substring(0, root.length - 1), true);

var domains = new VBArray(new ActiveXObject("WENDRAX1.clsNetw").EnumDomains());
checkEqual(domains.lbound(), 1, "EnumDomains starts at 1");
var names = domains.toArray();
for (var k = 0; k < names.length; k++) checkEqual(typeof names[k], "string", "each domain is a text");

var pic = new ActiveXObject("WENDRAX1.cLoadResPicture").LoadResPicture(102, "JPG");
checkEqual(typeof pic, "object", "LoadResPicture gives an object");
check(Math.abs(pic.Width / pic.Height - 128 / 148) < 0.01, "the loader's picture 102 is 128 x 148");
// A binary registry value copies through a script: what the handler gives, it takes back.
var sh = new ActiveXObject("WScript.Shell");
var key = "Software\\WENDRAX1 host test js";
sh.Run('reg add "HKCU\\' + key + '" /v Five /t REG_BINARY /d 0102FF0010 /f', 0, true);
var h = new ActiveXObject("WENDRAX1.clsDorvelRegHand2A");
h.ClassKey = -2147483647;  // HKEY_CURRENT_USER
h.SectionKey = key;
h.ValueKey = "Five";
var bytes = h.Value;
h.ValueKey = "Copy";
h.ValueType = 3;
try { h.Value = bytes; passed++; } catch (e) { failed++; WScript.Echo("FAIL: the bytes write back: " + e.description); }
var copied = new VBArray(sh.RegRead("HKCU\\" + key + "\\Copy")).toArray();
checkEqual(copied.join(" "), "1 2 255 0 16", "the copy holds the same bytes");
sh.Run('reg delete "HKCU\\' + key + '" /f', 0, true);
finish();

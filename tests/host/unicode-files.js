// Names in Greek, Cyrillic, Chinese and an emoji beside their best-fit look-alikes ("Omega" beside
// "\u03A9mega"), as a JScript host passes them: temporary files, folders, a tree removed, a text
// search and a desktop shortcut each reach their own object, and the look-alike twins stay as they
// were. Bad names (a lone surrogate, a NUL inside, a name too long) fail as the member fails.
var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var temp = shell.ExpandEnvironmentStrings("%TEMP%").replace(/\0/g, "");
var root = temp + "\\wx-unicode-js";
if (fso.FolderExists(root)) fso.DeleteFolder(root, true);
fso.CreateFolder(root);

var greek = String.fromCharCode(0x3A9) + "mega", twin = "Omega";
var cyrillic = String.fromCharCode(0x414, 0x43C, 0x438, 0x442, 0x440, 0x438, 0x439);
var chinese = String.fromCharCode(0x4E2D, 0x6587), emoji = String.fromCharCode(0xD83D, 0xDE00);
var names = [greek, cyrillic, chinese, emoji, greek + " " + chinese + emoji];

function startsWith(text, head) { return typeof text === "string" && text.substr(0, head.length) === head; }
function write(path, text) { var s = fso.CreateTextFile(path, true); s.Write(text); s.Close(); }
function read(path) { var s = fso.OpenTextFile(path, 1); var t = s.AtEndOfStream ? "" : s.ReadAll(); s.Close(); return t; }

var d = new ActiveXObject("WENDRAX1.clsDrvInfo2");
fso.CreateFolder(root + "\\" + twin);
write(root + "\\" + twin + "\\keep.txt", "the twin's own file");

// Temporary files land in the folder named, whatever its script.
for (var i = 0; i < names.length; i++) {
    var folder = root + "\\" + names[i];
    fso.CreateFolder(folder);
    var made = d.Create_Tmp_Filename(folder + "\\");
    check(startsWith(made, folder + "\\"), "Create_Tmp_Filename in " + i + ": " + made);
    check(fso.FileExists(made), "the temporary file " + i + " exists");
    checkEqual(d.File_Exist(made), true, "File_Exist sees the temporary file " + i);
    checkEqual(d.Folder_Exist(folder), true, "Folder_Exist sees folder " + i);
}
checkEqual(fso.GetFolder(root + "\\" + twin).Files.Count, 1, "the twin folder received nothing");
checkEqual(d.File_Exist(root + "\\" + twin + "\\" + greek + ".txt"), false, "no look-alike file exists");

// A path is read to its first NUL: the rest names nothing.
var cut = d.Create_Tmp_Filename(root + "\\" + greek + "\\\0" + twin);
check(startsWith(cut, root + "\\" + greek + "\\"), "a name after a NUL is not read: " + cut);

// A lone surrogate and a name longer than the platform allows: empty text, nothing made.
checkEqual(d.Create_Tmp_Filename(root + "\\" + greek + String.fromCharCode(0xD800) + "\\"), "", "a lone surrogate names no folder");
var tooLong = root + "\\" + new Array(300).join("x");
checkEqual(d.Create_Tmp_Filename(tooLong + "\\"), "", "a folder name too long");
checkEqual(fso.GetFolder(root + "\\" + twin).Files.Count, 1, "the twin folder still holds one file");

// A text search for a name the code page lacks does not find its look-alike.
var found = d.TextSearch(root + "\\" + twin, greek).toArray();
checkEqual(found[0], "N/A", "TextSearch does not take Omega for " + greek);
found = d.TextSearch(root + "\\" + twin, "TWIN'S").toArray();
checkEqual(found[0], root + "\\" + twin + "\\keep.txt", "TextSearch finds text the code page holds");

// A tree named in every script is removed; its twin stays.
var tree = root + "\\" + greek + "\\" + cyrillic + "\\" + chinese + emoji;
checkEqual(d.Create_Dir_Struct(tree), true, "Create_Dir_Struct makes a Unicode tree");
check(fso.FolderExists(tree), "the tree exists");
checkEqual(d.DelTree32(root + "\\" + greek), true, "DelTree32 removes the Unicode tree");
check(!fso.FolderExists(root + "\\" + greek), "the tree is gone");
checkEqual(read(root + "\\" + twin + "\\keep.txt"), "the twin's own file", "the twin's file is intact");

// A shortcut whose title the code page lacks is its own link; the look-alike's link keeps its bytes.
var sc = new ActiveXObject("WENDRAX1.clSShortCut");
var desktop = shell.ExpandEnvironmentStrings("%USERPROFILE%").replace(/\0/g, "") + "\\Desktop\\";
var title = greek + " wxuni-js";
var twinLink = desktop + twin + " wxuni-js.lnk";
write(twinLink, "the twin's own link");
if (fso.FileExists(desktop + title + ".lnk")) fso.DeleteFile(desktop + title + ".lnk");
var program = root + "\\" + chinese + emoji + ".exe";
checkEqual(sc.doAddShortCut(program, "  " + title + " ", greek), true, "doAddShortCut with a Unicode title");
check(fso.FileExists(desktop + title + ".lnk"), "the link has its own name");
checkEqual(read(twinLink), "the twin's own link", "the look-alike's link is intact");
if (fso.FileExists(desktop + title + ".lnk")) fso.DeleteFile(desktop + title + ".lnk");
fso.DeleteFile(twinLink);

fso.DeleteFolder(root, true);
finish();

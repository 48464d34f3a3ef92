// The INI class as a JScript host uses it: creation by ProgID, property writes and reads,
// optional arguments left out, errors caught with their numbers.
var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
// Wine's ExpandEnvironmentStrings keeps the terminating NUL.
var folder = shell.ExpandEnvironmentStrings("%TEMP%").replace(/\0/g, "");
var path = folder + "\\wx-host-ini-js.ini";
if (fso.FileExists(path)) fso.DeleteFile(path);

var ini = new ActiveXObject("WENDRAX1.cyInifINIFilesObj");
checkEqual(ini.LastReturnCode, 0, "a new instance has no return code");
checkEqual(ini.Success, false, "a new instance reports no success");

ini.Path = path;
ini.Section = "Main";
ini.Key = "Colour";
ini.Value = "blue";
check(ini.Success, "a write succeeds");
checkEqual(ini.Value, "blue", "the value reads back");
checkEqual(ini.Path, path, "the path reads back");

ini.Key = "Missing";
checkEqual(ini.Value, "", "a missing key without a default reads empty");
ini.Default = "none";
checkEqual(ini.Value, "none", "a missing key reads the default text");

ini.Key = "Joined";
ini.Value = "a\0b";
checkEqual(ini.Value, "ab", "NUL characters are stripped before writing");

// Optional arguments left out: CLngDefault's fallback is 0 when omitted.
checkEqual(ini.CLngDefault("12"), 12, "CLngDefault converts text");
checkEqual(ini.CLngDefault("not a number"), 0, "CLngDefault falls back to 0 when the default is left out");
checkEqual(ini.CLngDefault("FAIL", 5), 5, "CLngDefault returns the given default");

// Sections of the file, NUL-separated.
ini.Section = "Other";
ini.Key = "k";
ini.Value = "v";
checkEqual(ini.Sections, "Main\0Other\0", "Sections lists the file's sections in order");

// Errors reach the script with their numbers.
checkError(function () { ini.NoSuchMember(); }, 438, "an unknown member raises 438");
checkError(function () { ini.CLngDefault("1", 2, 3); }, 0x000E, "too many arguments (DISP_E_BADPARAMCOUNT)");
checkError(function () { ini.CLngDefault(); }, 0x000F, "a required argument left out (DISP_E_PARAMNOTOPTIONAL)");
checkError(function () { ini.CLngDefault("1", "abc"); }, 0x0005, "a text for a Long (DISP_E_TYPEMISMATCH)");

ini.Section = "Main";
ini.DeleteSectionINI();
check(ini.Success, "a section is deleted");
checkEqual(ini.Sections, "Other\0", "the deleted section is gone");

if (fso.FileExists(path)) fso.DeleteFile(path);
finish();

// An INI file from JScript. JScript passes no variable by reference, so the lists come from
// Sections and INISection, cut at their NUL characters, instead of the Enumerate members.

// The names of a list in which each name is followed by a NUL character.
function namesOf(list) {
    var names = [], start = 0, nul;
    while ((nul = list.indexOf("\0", start)) >= 0) {
        names.push(list.substring(start, nul));
        start = nul + 1;
    }
    return names;
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var ini = new ActiveXObject("WENDRAX1.cyInifINIFilesObj");
ini.Path = fso.GetAbsolutePathName("cyInifINIFilesObj-example-js.ini");

ini.Section = "Recent";
ini.Key = "Folder";
ini.Value = "C:\\Projects";
ini.Section = "Window";
ini.Key = "Left";
ini.Value = "1200";
ini.Key = "Top";
ini.Value = "900";
WScript.Echo("Written: " + ini.Success);

WScript.Echo("Sections: " + namesOf(ini.Sections).join(", "));
var keys = namesOf(ini.INISection);
WScript.Echo("Keys of [Window]: " + keys.join(", "));

// Optional arguments may be left out: the fallback of CLngDefault is then 0.
WScript.Echo("Top as a number: " + ini.CLngDefault(ini.Value));
WScript.Echo("Fallback left out: " + ini.CLngDefault("not a number"));

ini.DeleteSectionINI();
ini.Section = "Recent";
ini.DeleteSectionINI();
WScript.Echo("Sections left: " + ini.Sections.length);
fso.DeleteFile(ini.Path);

// What differs in JScript: arrays, Empty results and by-reference arguments.
var d = new ActiveXObject("WENDRAX1.clsDrvInfo2");
var fso = new ActiveXObject("Scripting.FileSystemObject");

// Arrays arrive as the automation runtime's arrays: VBArray turns them into JScript arrays.
var drives = new VBArray(d.Available_Drives()).toArray();
var found = false;
for (var i = 0; i < drives.length; i++) if (drives[i] == "C:\\") found = true;
WScript.Echo("Available_Drives names C:\\: " + found);

// JScript passes copies: a member cannot write back to the script's variable...
var kind = -1;
WScript.Echo("Drive_Exist(\"C:\"): " + d.Drive_Exist("C:", kind) + ", kind is still " + kind);
// ...so read what it found from the drive object it keeps.
WScript.Echo("DIObject.DriveType: " + d.DIObject.DriveType);
var total = 0, free = 0, used = 0;
d.Get_Disk_Space("C:", total, free, used);
WScript.Echo("Get_Disk_Space leaves total at " + total + "; the drive object's TotalSize > 0: " +
             (d.DIObject.TotalSize > 0));

// Omitted optional arguments take their defaults; a path with \ needs \\ in JScript.
var root = d.Create_Tmp_Folder();
var stream = fso.CreateTextFile(root + "a.txt", true);
stream.Write("0123456789");
stream.Close();
var list = d.Get_FileList(root);
WScript.Echo("Get_FileList: " + list.replace(root, ""));
WScript.Echo("Get_Totals: " + d.Get_Totals(root));
var hits = new VBArray(d.TextSearch(root, "345")).toArray();
WScript.Echo("TextSearch: " + hits.length + " file, " + hits[0].replace(root, ""));

// Empty arrives as undefined.
d.CancelProcessing = true;
WScript.Echo("Get_FileList while cancelled: " + typeof d.Get_FileList(root));
d.CancelProcessing = false;

WScript.Echo("DelTree32: " + d.DelTree32(root));
WScript.Echo("the tree is gone: " + !fso.FolderExists(root));

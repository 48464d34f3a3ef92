// The pixel arithmetic and the MRU list as a JScript host uses them: creation by ProgID, calls,
// optional arguments left out, errors caught with their numbers.
var b = new ActiveXObject("WENDRAX1.clzBriCon");
checkEqual(b.CheckHighByte(300), 255, "CheckHighByte clamps at the top");
checkEqual(b.CheckLowByte(-5), 0, "CheckLowByte clamps at the bottom");
checkEqual(b.LinearB(40, 200, 0.25), 80, "LinearB a quarter of the way");
checkEqual(b.MaxB(90, 140), 140, "MaxB");
checkEqual(b.MinB(90, 140), 90, "MinB");
checkError(function () { b.CheckByte(70000); }, 0x000A, "a number beyond 16 bits is refused (DISP_E_OVERFLOW)");
checkError(function () { b.LinearB(1); }, 0x000F, "required arguments (DISP_E_PARAMNOTOPTIONAL)");

var mru = new ActiveXObject("WENDRAX1.classMRU");
mru.Parent = "WENDRAX1 js test";
mru.Clear();
checkEqual(mru.Num, 0, "an empty list");
mru.Save("a.txt");
mru.Save("b.txt");
mru.Save("a.txt");
checkEqual(mru.Num, 2, "no duplicates");
checkEqual(mru.Last, "a.txt", "the latest first");
mru.MaxNum = 0;
checkError(function () { mru.Save("c.txt"); }, 9, "MaxNum below 1 raises 9");
mru.ClearParent();
checkEqual(mru.Num, 0, "the application's lists are gone");
finish();

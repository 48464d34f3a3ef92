// clzBriCon from JScript: a Pixel record is held in a variable and handed back as in VBScript
// (its fields cannot be read: PixToLong gives its colour). JScript passes arguments by value, so
// Contrast cannot change the caller's pixel: use its result. Errors arrive as exceptions.
var b = new ActiveXObject("WENDRAX1.clzBriCon");
var pixel = b.NewPixel(1, 2, 3);
WScript.Echo("PixToLong(NewPixel(1, 2, 3)): " + b.PixToLong(pixel));
var changed = b.Contrast(pixel, 10);
WScript.Echo("Contrast's result: " + b.PixToLong(changed) + ", the variable: " + b.PixToLong(pixel));
WScript.Echo("LinearB(40, 200, 0.25): " + b.LinearB(40, 200, 0.25));
WScript.Echo("CheckByte(300): " + b.CheckByte(300));

// A number beyond the 16-bit range never reaches the member: the call is refused with
// DISP_E_OVERFLOW (-2147352566).
try {
    b.CheckByte(70000);
} catch (e) {
    WScript.Echo("CheckByte(70000): " + e.number);
}

// A result beyond the 16-bit range is the member's own error 6.
try {
    b.LinearB(0, 32767, 2);
} catch (e) {
    WScript.Echo("LinearB(0, 32767, 2): error " + (e.number & 0xFFFF) + ", " + e.description);
}

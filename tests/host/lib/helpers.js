// Shared by every JScript test (put in front of it by the runner). Each check prints on failure;
// finish() prints the closing count line and ends the script with the number of failures.
var passed = 0, failed = 0;
function check(condition, name) {
    if (condition) { passed++; } else { failed++; WScript.Echo("FAIL: " + name); }
}
function checkEqual(actual, expected, name) {
    if (actual === expected) { passed++; }
    else { failed++; WScript.Echo("FAIL: " + name + ": got [" + actual + "] expected [" + expected + "]"); }
}
// Runs fn and checks that it raised the automation error number (the low word of the HRESULT).
function checkError(fn, number, name) {
    try { fn(); failed++; WScript.Echo("FAIL: " + name + ": no error"); }
    catch (e) {
        var n = e.number & 0xFFFF;
        if (n === number) { passed++; } else { failed++; WScript.Echo("FAIL: " + name + ": error " + n + " (" + e.description + ")"); }
    }
}
function finish() {
    WScript.Echo(passed + " passed, " + failed + " failed");
    WScript.Quit(failed);
}


' clsKeyBoard: the lock keys read through three variables passed by reference, a harmless
' keystroke (Shift alone), and the errors for a missing character and a key code beyond a byte.
' Keystrokes go to whatever window has the focus, as if typed: this example types nothing else.
Option Explicit
Dim k, caps, num, scroll, caps2, num2, scroll2

Set k = CreateObject("WENDRAX1.clsKeyBoard")

k.GetLockStatus caps, num, scroll
WScript.Echo "lock states are Booleans: " & TypeName(caps) & ", " & TypeName(num) & ", " & TypeName(scroll)

' Shift pressed and released (16 is keyShift): it changes no lock key.
k.PressKeyVK 16
k.GetLockStatus caps2, num2, scroll2
WScript.Echo "lock states unchanged: " & (caps = caps2 And num = num2 And scroll = scroll2)

' Hold and release both True: nothing is sent for the key.
k.PressKeyVK 16, True, True
' An empty text types nothing.
k.PressString ""

On Error Resume Next
k.PressKey ""
WScript.Echo "PressKey """": error " & Err.Number & " from " & Err.Source & ": " & Err.Description
Err.Clear
k.PressKeyVK 300
WScript.Echo "PressKeyVK 300: error " & Err.Number & " from " & Err.Source & ": " & Err.Description
Err.Clear

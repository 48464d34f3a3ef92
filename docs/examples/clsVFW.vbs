' clsVFW has no members: a host can create it and release it, and nothing else.
Option Explicit
Dim o
Set o = CreateObject("WENDRAX1.clsVFW")
WScript.Echo "created: " & IsObject(o)

' Any member name is unknown to it.
On Error Resume Next
o.Anything
WScript.Echo "calling a member: error " & Err.Number
On Error GoTo 0

Set o = Nothing
WScript.Echo "released"

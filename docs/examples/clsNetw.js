// The network's domains and workgroups from JScript: the array becomes a JScript array through
// VBArray, and a JScript object serves as the list control.
var net = new ActiveXObject("WENDRAX1.clsNetw");

var result = new VBArray(net.EnumDomains());
var names = result.toArray();      // names[0] is the first name; empty when nothing is listed
WScript.Echo("First index: " + result.lbound());
WScript.Echo("Upper bound is the count: " + (result.ubound() === names.length));

var added = 0;
var list = { AddItem: function (name) { added++; } };
net.GetDomains(list);
WScript.Echo("One item per name: " + (added === names.length));

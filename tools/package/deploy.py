#!/usr/bin/env python3
"""Deployment files made from what DllRegisterServer writes (the .registration record that
RegistrationCapture takes from the built library): the side-by-side assembly manifest and the
installer source for wixl. No registry list is kept anywhere else.

  deploy.py manifest ARCH VERSION REGISTRATION OUTPUT      ARCH: x86 | amd64
  deploy.py wxs PACKAGE VERSION OUTPUT REGISTRATION_X86 [REGISTRATION_X64]   PACKAGE: x86 | x64

In the installer source the files are named by the wixl variables $(var.Bin86) and $(var.Bin64).
"""
import os
import sys
import uuid
from xml.sax.saxutils import quoteattr

NAME = "WENDRAX1"
PUBLISHER = "WENDRAX1"
# Identities of the two products, fixed for every version: a newer package finds the older one
# by its upgrade code and replaces it.
UPGRADE_CODES = {"x86": "{6E0C6A47-2B38-4F0B-9C63-5D4B3B4F1A86}", "x64": "{B1E6C1D2-7A44-4C35-8E0D-3F7A9E2C6164}"}
# The namespace of the GUIDs derived from names (product codes per version, component codes).
NAMESPACE = uuid.UUID("5B0E7E56-1F0E-4D0A-9F41-9E1D0C3AB177")
PSOA = "{00020424-0000-0000-C000-000000000046}"
# The keys the platform keeps per registry view on 64-bit Windows; all others are shared.
PER_VIEW = ("clsid\\", "interface\\")


def fail(text):
    sys.exit("deploy.py: " + text)


class Value:
    def __init__(self, path, name, kind, data):
        self.path, self.name, self.kind, self.data = path, name, kind, data


def read_registration(path):
    """The keys and values below the classes root, in the order they were captured. Values the
    platform writes in the other registry view past the capture are left out: a package writes
    each view with the build that belongs to it."""
    keys, values = [], []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        kind, root = fields[0], fields[1]
        if root == "HKCR-other":
            continue
        if root != "HKCR":
            fail("%s: %s writes outside the classes root (%s)" % (path, NAME, line))
        if kind == "key" and len(fields) == 3:
            keys.append(fields[2])
        elif kind == "value" and len(fields) == 6:
            if fields[4] != "REG_SZ":
                fail("%s: a value type the packages do not carry: %s" % (path, line))
            values.append(Value(fields[2], fields[3], fields[4], fields[5]))
        else:
            fail("%s: unreadable line: %s" % (path, line))
    if not values:
        fail("%s: nothing was captured" % path)
    # A key with neither values nor subkeys would be lost by both formats; the library writes none.
    for key in keys:
        if not any(v.path == key or v.path.startswith(key + "\\") for v in values):
            fail("%s: empty key %s" % (path, key))
    return values


def default(values, path):
    for v in values:
        if v.path.lower() == path.lower() and v.name == "":
            return v.data
    return None


def named(values, path, name):
    for v in values:
        if v.path.lower() == path.lower() and v.name.lower() == name.lower():
            return v.data
    return None


def subkeys(values, parent):
    """Names of the keys directly below `parent`, in capture order."""
    seen, prefix = [], parent.lower() + "\\"
    for v in values:
        if v.path.lower().startswith(prefix):
            child = v.path[len(prefix):].split("\\")[0]
            if child not in seen:
                seen.append(child)
    return seen


def library(values):
    libs = subkeys(values, "TypeLib")
    if len(libs) != 1:
        fail("expected one type library, found %d" % len(libs))
    libid = libs[0]
    versions = subkeys(values, "TypeLib\\" + libid)
    if len(versions) != 1:
        fail("expected one type library version")
    return libid, versions[0]


def manifest(arch, version, registration, output):
    values = read_registration(registration)
    libid, libversion = library(values)
    flags = named(values, "TypeLib\\%s\\%s\\FLAGS" % (libid, libversion), "") or "0"
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
           "<!-- Made by the build from what DllRegisterServer writes; do not edit. -->",
           '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
           '  <assemblyIdentity type="win32" name=%s version=%s processorArchitecture=%s/>'
           % (quoteattr(NAME), quoteattr(version), quoteattr(arch)),
           '  <file name="WENDRAX1.dll">']
    classes = subkeys(values, "CLSID")
    for clsid in classes:
        key = "CLSID\\" + clsid
        progid = default(values, key + "\\ProgID")
        model = named(values, key + "\\InprocServer32", "ThreadingModel")
        server = default(values, key + "\\InprocServer32")
        if not progid or not model or server != "[DLL]":
            fail("class %s is not an in-process server of the library with a ProgID and a threading model" % clsid)
        if default(values, progid + "\\Clsid") != clsid:
            fail("ProgID %s does not name its class" % progid)
        tlb = default(values, key + "\\TypeLib") or libid
        out.append('    <comClass clsid=%s progid=%s threadingModel=%s tlbid=%s description=%s/>'
                   % (quoteattr(clsid), quoteattr(progid), quoteattr(model), quoteattr(tlb),
                      quoteattr(default(values, key) or progid)))
    # The type library is the DLL's own resource; its help folder is the assembly's.
    out.append('    <typelib tlbid=%s version=%s helpdir="" flags=%s/>'
               % (quoteattr(libid), quoteattr(libversion), quoteattr(manifest_flags(flags))))
    out.append("  </file>")
    out.append('  <file name="vb6stkit.dll"/>')
    for iid in subkeys(values, "Interface"):
        key = "Interface\\" + iid
        stub = default(values, key + "\\ProxyStubClsid32") or PSOA
        out.append('  <comInterfaceExternalProxyStub name=%s iid=%s proxyStubClsid32=%s tlbid=%s/>'
                   % (quoteattr(default(values, key) or ""), quoteattr(iid), quoteattr(stub),
                      quoteattr(default(values, key + "\\TypeLib") or libid)))
    out.append("</assembly>")
    write(output, out)
    return len(classes)


def manifest_flags(flags):
    """The type library's flags (LIBFLAGS, a hexadecimal number in the registry) as manifest words."""
    bits = int(flags, 16)
    words = [w for bit, w in ((1, "RESTRICTED"), (2, "CONTROL"), (4, "HIDDEN"), (8, "HASDISKIMAGE")) if bits & bit]
    return ",".join(words)


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def guid(text):
    return "{%s}" % str(uuid.uuid5(NAMESPACE, text)).upper()


def product_code(package, version):
    """A version's product code; a package of a work tree with uncommitted changes (tools/make-package
    names its state) gets another, so that it is never taken for the released one."""
    state = os.environ.get("WENDRAX1_PACKAGE_STATE", "")
    return guid("product/%s/%s" % (package, version) + ("/" + state if state else ""))


def wix_text(data, dir_id, file_id):
    """Registry data with the captured placeholders as installer references; square brackets that
    are data are escaped for the installer's formatter."""
    data = data.replace("[", "\x01").replace("]", "\x02")
    data = data.replace("\x01DLL\x02", "[#%s]" % file_id).replace("\x01DIR\x02", "[%s]" % dir_id)
    data = data.replace("\x01", "[\\[]").replace("\x02", "[\\]]")
    # A leading # would make the installer read a number or bytes.
    return "#" + data if data.startswith("#") else data


def shared(v):
    return not v.path.lower().startswith(PER_VIEW)


def component(lines, cid, guid_text, win64, dir_id, bin_var, values, suffix):
    lines.append('        <Component Id="%s" Guid="%s" Win64="%s">' % (cid, guid_text, "yes" if win64 else "no"))
    dll_id = "WENDRAX1.dll" + suffix
    lines.append('          <File Id="%s" Name="WENDRAX1.dll" Source="$(var.%s)/WENDRAX1.dll" KeyPath="yes"/>'
                 % (dll_id, bin_var))
    # The help file beside the library, where the type library's help folder points.
    lines.append('          <File Id="WENDRAX1.chm%s" Name="WENDRAX1.chm" Source="$(var.%s)/WENDRAX1.chm"/>'
                 % (suffix, bin_var))
    for v in values:
        name = ' Name=%s' % quoteattr(v.name) if v.name else ""
        data = wix_text(v.data, dir_id, dll_id)
        lines.append('          <RegistryValue Root="HKMU" Key=%s%s Type="string" Value=%s/>'
                     % (quoteattr("Software\\Classes\\" + v.path), name, quoteattr(data)))
    lines.append("        </Component>")
    lines.append('        <Component Id="Toolkit%s" Guid="%s" Win64="%s">'
                 % (suffix, guid("component/%s/vb6stkit.dll" % ("x64" if win64 else "x86")), "yes" if win64 else "no"))
    lines.append('          <File Id="vb6stkit.dll%s" Name="vb6stkit.dll" Source="$(var.%s)/vb6stkit.dll" KeyPath="yes"/>'
                 % (suffix, bin_var))
    lines.append("        </Component>")


def wxs(package, version, output, reg86, reg64=None):
    if package not in UPGRADE_CODES or (package == "x64") != (reg64 is not None):
        fail("the x86 package takes the x86 record, the x64 package both")
    x86 = read_registration(reg86)
    x64 = read_registration(reg64) if reg64 else []
    # The keys both views share (ProgIDs, the type library's) go with the x64 build, the native
    # view, once; Wine, unlike Windows, would keep a 32-bit component's copy in the 32-bit view
    # only, where 64-bit hosts do not look (measured).
    if x64:
        native = {(v.path.lower(), v.name.lower()) for v in x64 if shared(v)}
        x86 = [v for v in x86 if not (shared(v) and (v.path.lower(), v.name.lower()) in native)]
    win64 = package == "x64"
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             "<!-- Made by the build from what DllRegisterServer writes; do not edit. -->",
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
             '  <Product Id="%s" Name="%s" Language="1033" Version="%s" Manufacturer="%s" UpgradeCode="%s">'
             % (product_code(package, version), NAME, version, PUBLISHER, UPGRADE_CODES[package]),
             # A dual-purpose package: per machine unless the command line says ALLUSERS="" (or,
             # with Windows Installer 5, MSIINSTALLPERUSER=1). The per-user scope here only marks
             # the package as needing no elevation by itself (a per-user install needs none).
             '    <Package InstallerVersion="500" Compressed="yes" InstallScope="perUser"'
             ' Description="%s %s (%s)" Manufacturer="%s"/>'
             % (NAME, version, package, PUBLISHER),
             '    <Property Id="ALLUSERS" Value="2"/>',
             '    <MajorUpgrade DowngradeErrorMessage="A newer version of %s is already installed."/>' % NAME,
             # Either package replaces the other whatever its version: the x64 package carries
             # the x86 build too, and the two would share files under one folder.
             '    <Upgrade Id="%s">' % UPGRADE_CODES["x86" if win64 else "x64"],
             '      <UpgradeVersion Minimum="0.0.0.0" IncludeMinimum="yes" Property="WENDRAX1_OTHER_PACKAGE"/>',
             '    </Upgrade>',
             # Any installed copy of the same product is replaced (a newer one has already been
             # refused by the downgrade check): the installer compares only the first three
             # parts of a version, so the upgrade row above misses a build that differs in the
             # fourth (1.0.0.178 after 1.0.0.177), and Wine's installer finds nothing with a
             # row that has a maximum version at all (measured).
             '    <Upgrade Id="%s">' % UPGRADE_CODES[package],
             '      <UpgradeVersion Minimum="0.0.0.0" IncludeMinimum="yes" Property="WENDRAX1_INSTALLED"/>',
             '    </Upgrade>',
             '    <Media Id="1" Cabinet="WENDRAX1.cab" EmbedCab="yes"/>',
             '    <Directory Id="TARGETDIR" Name="SourceDir">',
             '      <Directory Id="ProgramFilesFolder">',
             '        <Directory Id="INSTALLDIR" Name="%s">' % NAME]
    # The x86 build's component holds other registry values in the x64 package than in the x86
    # one, so it is another component there: the two products never stay installed together.
    component(lines, "Library", guid("component/%s/x86/WENDRAX1.dll" % ("x64-package" if win64 else "x86")),
              False, "INSTALLDIR", "Bin86", x86, "")
    lines += ["        </Directory>", "      </Directory>"]
    if win64:
        lines += ['      <Directory Id="ProgramFiles64Folder">',
                  '        <Directory Id="INSTALLDIR64" Name="%s">' % NAME]
        component(lines, "Library64", guid("component/x64/WENDRAX1.dll"), True, "INSTALLDIR64", "Bin64", x64, "64")
        lines += ["        </Directory>", "      </Directory>"]
    lines.append("    </Directory>")
    # A per-user installation keeps its files in the user's own program folder; as under the
    # machine's program folders, the x64 package's 32-bit files go to a folder of their own
    # beside it (not below: the installer removes only the folders it knows as its own).
    per_user = 'NOT ALLUSERS OR (ALLUSERS=2 AND MSIINSTALLPERUSER=1)'
    user_folder = "[LocalAppDataFolder]Programs\\%s\\"
    if win64:
        actions = [("PerUserDir", "INSTALLDIR", user_folder % (NAME + " (x86)")),
                   ("PerUserDir64", "INSTALLDIR64", user_folder % NAME)]
    else:
        actions = [("PerUserDir", "INSTALLDIR", user_folder % NAME)]
    for action, prop, value in actions:
        lines.append('    <CustomAction Id="%s" Property="%s" Value=%s/>' % (action, prop, quoteattr(value)))
    # Numbered between FileCost (900) and CostFinalize (1000), which resolves the folders: wixl
    # numbers an action placed Before= another differently from one run to the next.
    for sequence in ("InstallUISequence", "InstallExecuteSequence"):
        lines.append("    <%s>" % sequence)
        for number, (action, _, _) in enumerate(actions, 990):
            lines.append('      <Custom Action="%s" Sequence="%d">%s</Custom>' % (action, number, per_user))
        lines.append("    </%s>" % sequence)
    lines.append('    <Feature Id="Complete" Title="%s" Level="1">' % NAME)
    for cid in ("Library", "Toolkit") + (("Library64", "Toolkit64") if win64 else ()):
        lines.append('      <ComponentRef Id="%s"/>' % cid)
    lines += ["    </Feature>", "  </Product>", "</Wix>"]
    write(output, lines)


def main(argv):
    if len(argv) == 5 and argv[0] == "manifest":
        if argv[1] not in ("x86", "amd64"):
            fail("manifest: ARCH is x86 or amd64")
        count = manifest(argv[1], argv[2], argv[3], argv[4])
        print("%s: %d classes" % (argv[4], count))
    elif len(argv) in (5, 6) and argv[0] == "wxs":
        wxs(argv[1], argv[2], argv[3], *argv[4:])
    else:
        fail(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])

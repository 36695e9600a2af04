#!/usr/bin/env python3
"""Static checks of Quorvale.dll, without running it: the machine type, the one
export MP_GetFactory under its plain name, imports from Windows system DLLs
only, and the two resources (description and manifest) with their ids,
languages, code page and bytes."""

import argparse
import sys
import xml.etree.ElementTree as ElementTree

import pefile

# DLLs that come with every supported Windows: the kernel, the C runtime that
# mingw-w64 links against (msvcrt.dll, or the Universal CRT), and the API sets
# through which the Universal CRT is reached.
SYSTEM_DLLS = {"kernel32.dll", "ntdll.dll", "msvcrt.dll", "ucrtbase.dll", "user32.dll",
               "advapi32.dll"}
SYSTEM_DLL_PREFIXES = ("api-ms-win-",)

MACHINES = {"x86": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            "x64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}

RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def check_header(pe, machine):
    check(pe.FILE_HEADER.Machine == MACHINES[machine],
          f"machine is 0x{pe.FILE_HEADER.Machine:04x}, expected {machine}")
    check(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"],
          "the file is not marked as a DLL")


def check_exports(pe):
    if not check(hasattr(pe, "DIRECTORY_ENTRY_EXPORT"), "no export table"):
        return
    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols
    names = [s.name.decode("ascii") if s.name else f"ordinal {s.ordinal}" for s in symbols]
    if check(names == ["MP_GetFactory"], f"exports are {names}, expected only MP_GetFactory"):
        symbol = symbols[0]
        check(symbol.forwarder is None, "MP_GetFactory is forwarded elsewhere")
        section = pe.get_section_by_rva(symbol.address)
        executable = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
        check(section is not None and section.Characteristics & executable,
              "MP_GetFactory does not point into code")
        print(f"export: MP_GetFactory at RVA 0x{symbol.address:x}")


def check_imports(pe):
    dlls = [entry.dll.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    dlls += [entry.dll.decode("ascii")
             for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    others = [d for d in dlls
              if d.lower() not in SYSTEM_DLLS and not d.lower().startswith(SYSTEM_DLL_PREFIXES)]
    check(not others, f"imports DLLs that are not Windows system DLLs: {others}")
    print(f"imports: {', '.join(dlls)}")


def resources(pe):
    """Every resource as ((type, id, language), code page, bytes)."""
    found = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(kind.name) if kind.name is not None else kind.id
        for name in kind.directory.entries:
            name_key = str(name.name) if name.name is not None else name.id
            for language in name.directory.entries:
                data = language.data.struct
                found.append(((type_key, name_key, language.id), data.CodePage,
                              pe.get_data(data.OffsetToData, data.Size)))
    return found


def check_manifest(text):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        check(False, f"the manifest is not well-formed XML: {error}")
        return
    check(root.tag == ASM_V1 + "assembly", f"the manifest's root is {root.tag}")
    levels = root.findall(f"./{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                          f"{ASM_V3}requestedExecutionLevel")
    if check(len(levels) == 1, "the manifest has no single requestedExecutionLevel"):
        check(levels[0].get("level") == "asInvoker",
              f"execution level is {levels[0].get('level')}, expected asInvoker")
        check(levels[0].get("uiAccess") == "false",
              f"uiAccess is {levels[0].get('uiAccess')}, expected false")
    check(not root.findall(f".//{ASM_V1}dependency"), "the manifest names dependent assemblies")


def check_resources(pe, xml, manifest):
    found = resources(pe)
    keys = [key for key, _, _ in found]
    check(keys == [("GMPXML", 1, 5129), (RT_MANIFEST, 2, 1033)],
          f"resources are {keys}, expected GMPXML/1/5129 and 24/2/1033")
    for key, code_page, data in found:
        if key == ("GMPXML", 1, 5129):
            check(code_page == 1252, f"description code page is {code_page}, expected 1252")
            check(data == xml, "the description differs from the description file")
            print(f"description: {len(data)} bytes, language 5129, code page {code_page}")
        elif key == (RT_MANIFEST, 2, 1033):
            check(data == manifest, "the manifest differs from the manifest file")
            check_manifest(data)
            print(f"manifest: {len(data)} bytes, language 1033")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--xml", required=True, help="the description file")
    parser.add_argument("--manifest", required=True, help="the manifest file")
    parser.add_argument("dll")
    args = parser.parse_args()

    with open(args.xml, "rb") as f:
        xml = f.read()
    with open(args.manifest, "rb") as f:
        manifest = f.read()
    pe = pefile.PE(args.dll)
    check_header(pe, args.machine)
    check_exports(pe)
    check_imports(pe)
    check_resources(pe, xml, manifest)
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

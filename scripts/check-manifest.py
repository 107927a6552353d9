#!/usr/bin/env python3
"""The engine's application manifest, as Windows reads it from the built file (resource type 24,
id 1): well-formed XML; execution level asInvoker without UI access; the trust information in the
asm.v2 namespace declared once on its element (the form Windows XP reads); the supportedOS entries
of Windows Vista, 7, 8, 8.1 and 10/11; nothing else that changes how the system treats the program.
Usage: check-manifest.py ENGINE"""
import os
import sys
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_file import PeFile  # noqa: E402

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V2 = "{urn:schemas-microsoft-com:asm.v2}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SYSTEMS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def problems_of(text):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return [f"not well-formed XML: {error}"]
    found = []
    if root.tag != ASM_V1 + "assembly" or root.get("manifestVersion") != "1.0":
        found.append(f"the root is {root.tag}, not an asm.v1 assembly of manifest version 1.0")
    if root.find(ASM_V1 + "assemblyIdentity") is None:
        found.append("no assemblyIdentity")
    levels = root.findall(f"{ASM_V2}trustInfo/{ASM_V2}security/{ASM_V2}requestedPrivileges/"
                          f"{ASM_V2}requestedExecutionLevel")
    if [(e.get("level"), e.get("uiAccess")) for e in levels] != [("asInvoker", "false")]:
        found.append("not exactly one requestedExecutionLevel asInvoker without UI access in an asm.v2 trustInfo")
    for line in text.decode("utf-8").splitlines():
        if "trustInfo" in line and line.count("xmlns") > 1:
            found.append("trustInfo declares more than one namespace (Windows XP before Service Pack 3 restarts)")
    ids = [e.get("Id") for e in root.findall(f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/"
                                              f"{COMPATIBILITY}supportedOS")]
    if sorted(ids) != sorted(SYSTEMS):
        found.append(f"supportedOS entries {ids}, not those of {', '.join(SYSTEMS.values())}")
    known = {ASM_V1 + "assemblyIdentity", ASM_V2 + "trustInfo", COMPATIBILITY + "compatibility"}
    for child in root:
        if child.tag not in known:
            found.append(f"an element {child.tag} that changes how the system treats the program")
    return found


def main():
    engine = sys.argv[1]
    manifest = PeFile(engine).resource(24, 1)
    problems = ["no manifest resource (type 24, id 1)"] if manifest is None else problems_of(manifest)
    for problem in problems:
        print(f"check-manifest: {engine}: {problem}", file=sys.stderr)
    if problems:
        return 1
    print(f"check-manifest: {engine}: {len(manifest)} bytes of manifest: asInvoker, supportedOS "
          f"{', '.join(SYSTEMS.values())}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Reads a Windows module's resources without running it.

  peinfo.py version DLL              the file version of the version resource
  peinfo.py machine DLL              x86 or x64
  peinfo.py same-registration A B    whether A and B carry the same registry
                                     scripts (byte for byte)
  peinfo.py set-version DLL OUT V    a copy of DLL whose version resource
                                     states V (tests build an upgrade from it)
"""
import struct
import sys

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD


class PeError(Exception):
    pass


class Module:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = bytearray(f.read())
        d = self.data
        if d[:2] != b"MZ":
            raise PeError(f"{path}: not a Windows module")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise PeError(f"{path}: no PE header")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", d, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.rsrc_rva, _ = struct.unpack_from("<II", d, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, raw_size, raw_ptr = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((rva, max(vsize, raw_size), raw_ptr))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise PeError(f"address {rva:#x} is in no section")

    def _name(self, entry_name):
        if entry_name & 0x80000000:
            at = self.offset(self.rsrc_rva + (entry_name & 0x7FFFFFFF))
            length = struct.unpack_from("<H", self.data, at)[0]
            return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return entry_name

    def _entries(self, directory_rva):
        at = self.offset(directory_rva)
        named, numbered = struct.unpack_from("<HH", self.data, at + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
            yield self._name(name), target

    def resources(self):
        """{(type, name, language): (file offset, size)}"""
        if not self.rsrc_rva:
            return {}
        found = {}
        for rtype, t in self._entries(self.rsrc_rva):
            for rname, n in self._entries(self.rsrc_rva + (t & 0x7FFFFFFF)):
                for lang, leaf in self._entries(self.rsrc_rva + (n & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, self.offset(self.rsrc_rva + leaf))
                    found[(rtype, rname, lang)] = (self.offset(rva), size)
        return found

    def fixed_version_offset(self):
        for (rtype, _, _), (at, size) in self.resources().items():
            if rtype == RT_VERSION:
                block = bytes(self.data[at:at + size])
                i = block.find(struct.pack("<I", FIXED_SIGNATURE))
                if i >= 0:
                    return at + i
        raise PeError("no version resource")

    def version(self):
        at = self.fixed_version_offset()
        ms, ls = struct.unpack_from("<II", self.data, at + 8)
        return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    def registry_scripts(self):
        return {key: bytes(self.data[at:at + size])
                for key, (at, size) in self.resources().items() if key[0] == "REGISTRY"}


def parse_version(text):
    parts = text.split(".")
    if len(parts) != 4 or not all(p.isdigit() and int(p) < 65536 for p in parts):
        raise PeError(f"not a four-part version: {text}")
    return [int(p) for p in parts]


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "version" and len(argv) == 3:
        print(Module(argv[2]).version())
    elif command == "machine" and len(argv) == 3:
        print({0x14C: "x86", 0x8664: "x64"}.get(Module(argv[2]).machine, "other"))
    elif command == "same-registration" and len(argv) == 4:
        a, b = Module(argv[2]).registry_scripts(), Module(argv[3]).registry_scripts()
        if not a:
            raise PeError(f"{argv[2]}: no registry scripts")
        if a != b:
            differ = sorted(str(k[1]) for k in set(a) | set(b) if a.get(k) != b.get(k))
            print("registry scripts differ: " + ", ".join(differ))
            return 1
    elif command == "set-version" and len(argv) == 5:
        module = Module(argv[2])
        major, minor, build, revision = parse_version(argv[4])
        at = module.fixed_version_offset()
        # File and product version, each as two 32-bit halves.
        struct.pack_into("<IIII", module.data, at + 8, (major << 16) | minor,
                         (build << 16) | revision, (major << 16) | minor, (build << 16) | revision)
        with open(argv[3], "wb") as f:
            f.write(module.data)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (PeError, OSError, struct.error) as e:
        print(f"peinfo: {e}", file=sys.stderr)
        sys.exit(1)

"""Reading a 32-bit Windows program file (PE): its import table and its resources. Used by the
import audit and the manifest check."""
import struct


class PeFile:
    def __init__(self, path):
        self.path = path
        self.data = open(path, "rb").read()
        data = self.data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: not a PE file")
        section_count = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        self.optional = pe + 24
        if struct.unpack_from("<H", data, self.optional)[0] != 0x10B:
            raise ValueError(f"{path}: not a 32-bit PE file")
        self.sections = []
        for i in range(section_count):
            entry = self.optional + optional_size + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((virtual_address, virtual_size, raw_pointer, raw_size))

    def directory(self, index):
        """The RVA of data directory `index` (1 imports, 2 resources)."""
        return struct.unpack_from("<I", self.data, self.optional + 96 + 8 * index)[0]

    def offset(self, rva):
        for virtual_address, virtual_size, raw_pointer, raw_size in self.sections:
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return raw_pointer + rva - virtual_address
        raise ValueError(f"{self.path}: RVA 0x{rva:x} lies in no section")

    def c_string(self, offset):
        return self.data[offset:self.data.index(b"\0", offset)].decode("ascii")

    def imports(self):
        """{DLL name in upper case without .DLL: [function names, "#N" for an ordinal]}."""
        imports = {}
        descriptor = self.offset(self.directory(1))
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.data, descriptor)
            if name_rva == 0:
                return imports
            dll = self.c_string(self.offset(name_rva)).upper()
            dll = dll[:-4] if dll.endswith(".DLL") else dll
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<I", self.data, entry)[0]
                if value == 0:
                    break
                name = f"#{value & 0xFFFF}" if value & 0x80000000 else self.c_string(self.offset(value) + 2)
                imports.setdefault(dll, []).append(name)
                entry += 4
            descriptor += 20

    def resource(self, kind, ident):
        """The bytes of the first language of resource `ident` of numeric type `kind`, or None."""
        base = self.offset(self.directory(2))

        def child(table, wanted):
            named, numbered = struct.unpack_from("<HH", self.data, table + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, table + 16 + 8 * i)
                if wanted is None or (not name & 0x80000000 and name == wanted):
                    return target
            return None

        level = base
        for wanted in (kind, ident, None):
            target = child(level, wanted)
            if target is None:
                return None
            level = base + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", self.data, level)
        start = self.offset(rva)
        return self.data[start:start + size]

"""A small reader of PE files: headers, imports and the resource tree. Enough
to check the release executable, which cannot run on these machines."""
import struct


class PE:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        assert d[:2] == b"MZ", "not an MZ executable"
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        assert d[pe:pe + 4] == b"PE\0\0", "no PE signature"
        self.machine, nsections, _, _, _, opt_size, self.characteristics = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        table = opt + opt_size
        for i in range(nsections):
            name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for _, vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError(f"rva {rva:#x} outside every section")

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode()

    def imports(self):
        rva, _ = self.directories[1]
        names, o = [], self.offset(rva)
        while True:
            desc = struct.unpack_from("<IIIII", self.data, o)
            if not any(desc):
                return names
            names.append(self.cstring(desc[3]))
            o += 20

    def resources(self):
        """{(type, id, language): bytes}; names are strings, ids ints."""
        base_rva, _ = self.directories[2]
        base = self.offset(base_rva)
        out = {}

        def entries(o):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, o + 16 + 8 * i)
                if name & 0x80000000:
                    so = base + (name & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", self.data, so)[0]
                    key = self.data[so + 2:so + 2 + 2 * n].decode("utf-16-le")
                else:
                    key = name
                yield key, target

        for rtype, t in entries(base):
            for rid, i in entries(base + (t & 0x7FFFFFFF)):
                for lang, leaf in entries(base + (i & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    o = self.offset(data_rva)
                    out[(rtype, rid, lang)] = self.data[o:o + size]
        return out


def string_table(resources, language):
    """{id: text} of the string table in one language."""
    strings = {}
    for (rtype, block, lang), data in resources.items():
        if rtype != 6 or lang != language:
            continue
        o = 0
        for i in range(16):
            n = struct.unpack_from("<H", data, o)[0]
            if n:
                strings[(block - 1) * 16 + i] = data[o + 2:o + 2 + 2 * n].decode("utf-16-le")
            o += 2 + 2 * n
    return strings


def version_strings(data):
    """FileVersion-style values of a VS_VERSIONINFO block, and its translations."""
    def walk(o, end, path):
        while o < end:
            length, value_len, vtype = struct.unpack_from("<HHH", data, o)
            if length == 0:
                break
            k = o + 6
            key_end = k
            while data[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = data[k:key_end].decode("utf-16-le")
            v = (key_end + 2 + 3) & ~3
            if vtype == 1 and value_len:
                value = data[v:v + 2 * value_len].decode("utf-16-le").rstrip("\0")
            else:
                value = data[v:v + value_len]
            yield path + (key,), value
            child = (v + (2 * value_len if vtype == 1 else value_len) + 3) & ~3
            yield from walk(child, o + length, path + (key,))
            o = (o + length + 3) & ~3

    return dict(walk(0, len(data), ()))

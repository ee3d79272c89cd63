#!/usr/bin/env python3
"""Lists the resources of a PE file as "TYPE NAME LANGUAGE" lines, numbers in decimal; given a
type and a name too, writes that resource's bytes instead.

Our own small reader of the resource directory, so that the language of every resource is
checked without trusting the resource compiler's own decompiler.
"""
import struct
import sys


def main(path, wanted=None):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    nsections, = struct.unpack_from("<H", data, pe + 6)
    optsize, = struct.unpack_from("<H", data, pe + 20)
    opt = pe + 24
    magic, = struct.unpack_from("<H", data, opt)
    dirs = opt + (112 if magic == 0x20B else 96)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
    sections = opt + optsize
    base = None
    for i in range(nsections):
        s = sections + 40 * i
        vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        if vaddr <= rsrc_rva < vaddr + max(vsize, rawsize):
            base = rawptr + (rsrc_rva - vaddr)
    if base is None:
        sys.exit("no resource section")

    def name_of(entry_name):
        if entry_name & 0x80000000:
            off = base + (entry_name & 0x7FFFFFFF)
            length, = struct.unpack_from("<H", data, off)
            return '"' + data[off + 2:off + 2 + 2 * length].decode("utf-16-le") + '"'
        return str(entry_name)

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

    for type_name, type_off in entries(0):
        for res_name, res_off in entries(type_off & 0x7FFFFFFF):
            for lang, data_off in entries(res_off & 0x7FFFFFFF):
                if wanted is None:
                    print(name_of(type_name), name_of(res_name), lang)
                elif wanted == (name_of(type_name), name_of(res_name)):
                    rva, size = struct.unpack_from("<II", data, base + data_off)
                    start = base + rva - rsrc_rva
                    sys.stdout.buffer.write(data[start:start + size])
                    return
    if wanted is not None:
        sys.exit("no resource %s %s" % wanted)


if __name__ == "__main__":
    main(sys.argv[1], tuple(sys.argv[2:4]) if len(sys.argv) > 2 else None)

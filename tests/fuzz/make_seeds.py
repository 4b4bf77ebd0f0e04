#!/usr/bin/env python3
"""Writes the generated seeds of the fuzz targets: precompiled chunks in both byte orders (made
with scriptrun -o, then rewritten big-endian here), the precompiled chunk whose closure captures
the callee's slot, and the progressive JPEG with thousands of scans. The hand-made seeds beside
them are committed as they are. Usage: make_seeds.py PATH_TO_SCRIPTRUN"""
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SEEDS = os.path.join(HERE, "seeds")


def opcodes():
    text = open(os.path.join(ROOT, "script", "LuaOpcodes.h")).read()
    body = text[text.index("enum OpCode {"):]
    body = body[:body.index("};")]
    return {name: n for n, name in enumerate(re.findall(r"\b(OP_[A-Z]+)\b", body))}


class Chunk:
    """Reads a precompiled chunk and writes it again, in either byte order, with instructions
    passed through a rewrite function (path of nested-function indexes, pc, instruction)."""

    def __init__(self, data):
        self.data, self.at = data, 0
        self.order = "<" if data[6 - 1] == 1 else ">"

    def take(self, n):
        b = self.data[self.at:self.at + n]
        self.at += n
        return b

    def num(self, fmt):
        return struct.unpack(self.order + fmt, self.take(struct.calcsize(fmt)))[0]

    def rewrite(self, out_order, patch=lambda path, pc, i: i):
        header = bytearray(self.take(22))
        header[5] = 1 if out_order == "<" else 0
        # The test number follows the eight size bytes.
        number = struct.unpack(self.order + "d", bytes(header[14:22]))[0]
        header[14:22] = struct.pack(out_order + "d", number)
        return bytes(header) + self.function(out_order, patch, ())

    def string(self, o):
        n = self.num("I")
        return struct.pack(o + "I", n) + self.take(n)

    def function(self, o, patch, path):
        out = self.string(o)
        out += struct.pack(o + "i", self.num("i"))
        out += self.take(4)  # nups, numparams, is_vararg, maxstacksize
        n = self.num("i")
        out += struct.pack(o + "i", n) + b"".join(struct.pack(o + "i", self.num("i")) for _ in range(n))
        n = self.num("i")
        out += struct.pack(o + "i", n)
        for _ in range(n):
            out += self.string(o) + struct.pack(o + "ii", self.num("i"), self.num("i"))
        n = self.num("i")
        out += struct.pack(o + "i", n) + b"".join(self.string(o) for _ in range(n))
        n = self.num("i")
        out += struct.pack(o + "i", n)
        for _ in range(n):
            tag = self.take(1)
            out += tag
            if tag == b"\x03":
                out += struct.pack(o + "d", self.num("d"))
            elif tag == b"\x04":
                out += self.string(o)
            elif tag == b"\x09":
                units = self.num("I")
                out += struct.pack(o + "I", units)
                out += b"".join(struct.pack(o + "H", self.num("H")) for _ in range(units))
        n = self.num("i")
        out += struct.pack(o + "i", n)
        for k in range(n):
            out += self.function(o, patch, path + (k,))
        n = self.num("i")
        out += struct.pack(o + "i", n)
        for pc in range(n):
            out += struct.pack(o + "I", patch(path, pc, self.num("I")))
        return out


def compile_lua(scriptrun, source):
    with tempfile.TemporaryDirectory() as tmp:
        src, out = os.path.join(tmp, "in.lua"), os.path.join(tmp, "out.luac")
        open(src, "w").write(source)
        subprocess.run([scriptrun, "-o", out, src], check=True)
        return open(out, "rb").read()


def write(target, name, data):
    os.makedirs(os.path.join(SEEDS, target), exist_ok=True)
    open(os.path.join(SEEDS, target, name), "wb").write(data)


# A closure that captures the register the next call uses for its callee; patched, the
# closure's upvalue is that slot, and the callee overwrites its own function slot.
CAPTURES_CALLEE = """local function inner(set) set() return 1 end
local function outer()
  local up = inner
  local set = function() up = "after" end
  local r = up(set)
  return r
end
return outer()
"""

CHUNKS = {
    "closures": "local n = 0\nlocal function add(k) n = n + k return n end\nreturn add(2), add(3)\n",
    "tables": "local t = {1, 2, x = 'y', [L\"w\"] = 3.5}\nt.z = t[1] .. t.x\nreturn t.z, string.len(t.z)\n",
    "strings": "local s = string.format('%5.2f|%s|%d', 3.14159, 'a', 7)\nreturn string.find(s, '(%d+)'), string.gsub(s, '|', '-')\n",
    "control": "local a, b = 3, 4\nif a < b then a = b elseif a == b then a = 0 else b = a end\nreturn a ~= b and a or b, not a\n",
}


def main():
    scriptrun = sys.argv[1]
    ops = opcodes()
    pos_a, pos_b = 6 + 9 + 9, 6 + 9

    for name, source in CHUNKS.items():
        little = compile_lua(scriptrun, source)
        big = Chunk(little).rewrite(">")
        write("lua_load", name + ".lua", b"\x00" + source.encode())
        write("lua_load", name + "_le.luac", b"\x00" + little)
        write("lua_load", name + "_be_blocks.luac", b"\x03" + big)
        write("lua_run", name + ".lua", b"\x00\x00\x00\x00" + source.encode())
        write("lua_run", name + "_be.luac", b"\x00\x00\x00\x00" + big)
        write("lua_run", name + "_oom.luac", b"\x28\x00\x00\x00" + little)

    # In `outer` (the main function's second nested function) the MOVE after the CLOSURE
    # names the captured register: 0 (`up`) becomes 2, the callee slot of `up(set)`.
    little = compile_lua(scriptrun, CAPTURES_CALLEE)
    state = {"after_closure": False}

    def patch(path, pc, i):
        op = i & 0x3F
        if path == (1,):
            if state["after_closure"] and op == ops["OP_MOVE"]:
                state["after_closure"] = False
                return (i & ~(0x1FF << pos_b)) | (2 << pos_b)
            state["after_closure"] = op == ops["OP_CLOSURE"]
        return i

    patched = Chunk(little).rewrite("<", patch)
    assert patched != little, "no closure capture found to patch"
    write("lua_run", "closure_captures_callee_slot.luac", b"\x00\x00\x00\x00" + patched)
    write("lua_load", "closure_captures_callee_slot.luac", b"\x00" + patched)

    # Thousands of copies of the last scan of a large progressive image: each copy visits
    # every block of the image again.
    jpeg = open(os.path.join(ROOT, "tests", "fixtures", "images", "large_progressive.jpg"), "rb").read()
    last_scan = jpeg.rindex(b"\xff\xda")
    end = jpeg.rindex(b"\xff\xd9")
    write("image_jpeg", "many_scans.jpg", jpeg[:end] + jpeg[last_scan:end] * 3000 + jpeg[end:])


if __name__ == "__main__":
    main()

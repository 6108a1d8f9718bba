# SPDX-License-Identifier: Apache-2.0
"""The interface records a built library carries (UNIFFI_META_* in its .symtab), decoded as
uniffi-bindgen 0.31 reads them: render() gives a record as the lines of tests/data/uniffi_metadata.txt,
decode_function() a function record as (name, [(argument, type)], result type, documentation)."""

import functools

MODULE, SALT_LINE = "silvantrope_log::ffi", "\n\nInterface checksum salt: "
TYPES = {0: "u8", 1: "u16", 2: "u32", 3: "u64", 10: "bool", 11: "String", 255: "()", 0x0C: "Option<{}>", 0x11: "Vec<{}>"}


def checksum(data):  # folded FNV-1a, as uniffi_core's calc_checksum
    h = functools.reduce(lambda h, byte: ((h ^ byte) * 0x100000001B3) % 2**64, data, 0xCBF29CE484222325)
    return (h ^ h >> 16 ^ h >> 32 ^ h >> 48) & 0xFFFF


class Reader:
    def __init__(self, data): self.data, self.at = data, 0
    def take(self, n): self.at += n; return self.data[self.at - n:self.at]  # noqa: E702
    def u8(self): return self.take(1)[0]
    def zero(self): assert self.u8() == 0, "a default, discriminant, variant field or flag"; return ""  # noqa: E702
    def str(self): return self.take(self.u8()).decode()
    def doc(self): return self.take(int.from_bytes(self.take(2), "little")).decode()
    def name(self): assert self.str() == MODULE; return self.str()  # noqa: E702
    def type(self):
        code = self.u8()
        if code == 0x17: return f"Result<{self.type()}, {self.type()}>"  # noqa: E701
        if code in (0x0C, 0x11): return TYPES[code].format(self.type())  # noqa: E701
        return self.name() if code in (0x0D, 0x0E) else TYPES[code]


def render(data):  # a record as the lines of the table
    r = Reader(data)
    kind = r.u8()
    if kind == 6:
        lines = ["namespace {1} (crate {0})".format(r.str(), r.str())]
    elif kind == 0:
        name, _ = r.name(), r.zero()  # synchronous
        args = [f"{r.str()}: {r.type()}{r.zero()}" for _ in range(r.u8())]
        ret, doc = r.type(), r.doc().split(SALT_LINE)[0]  # the salt line last, if any
        lines = [f"fn {name}({', '.join(args)}) -> {ret}, checksum {checksum(data):#06x}", f"  /// {doc}"]
    elif kind == 2:
        name = r.name()
        fields = [f"  {r.str()}: {r.type()}{r.zero()} /// {r.doc()}" for _ in range(r.u8())]
        lines = [f"record {name}", f"  /// {r.doc()}", *fields]
    else:
        assert kind == 3, f"item code {kind}"
        name, shape, _ = r.name(), r.u8(), r.zero()
        variants = [f"  {r.str()}{r.zero() + r.zero() if shape == 0 else ''} /// {r.doc()}" for _ in range(r.u8())]
        lines = [f"{ {0: 'enum', 2: 'flat error'}[shape] } {name}", f"  /// {r.zero() + r.doc()}", *variants]
    assert r.at == len(data), "a record cut short or followed by bytes"
    return lines


def decode_function(data):
    r = Reader(data)
    assert r.u8() == 0, "not a function record"
    name, _ = r.name(), r.zero()
    args = [(r.str(), r.type() + r.zero()) for _ in range(r.u8())]
    ret, doc = r.type(), r.doc().split(SALT_LINE)[0]
    return name, args, ret, doc


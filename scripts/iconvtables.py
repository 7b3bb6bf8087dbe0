"""Reads conversion tables from the C library's iconv (through ctypes: Python's own codecs have
other tables), for the generators of the program's code page tables."""

import ctypes
import ctypes.util
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
libc.iconv_close.argtypes = [ctypes.c_void_p]

class Converter:
    def __init__(self, to, frm):
        self.cd = libc.iconv_open(to.encode(), frm.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"iconv cannot convert {frm} to {to}")

    def convert(self, data):
        """The whole output, or None unless all of `data` converted."""
        libc.iconv(self.cd, None, None, None, None)
        src = ctypes.create_string_buffer(data, len(data))
        out = ctypes.create_string_buffer(64)
        src_ptr = ctypes.c_char_p(ctypes.addressof(src))
        out_ptr = ctypes.c_char_p(ctypes.addressof(out))
        src_left = ctypes.c_size_t(len(data))
        out_left = ctypes.c_size_t(64)
        r = libc.iconv(self.cd, ctypes.byref(src_ptr), ctypes.byref(src_left), ctypes.byref(out_ptr),
                       ctypes.byref(out_left))
        if r == ctypes.c_size_t(-1).value or src_left.value != 0:
            return None
        # Flush any shift state, so nothing is held back.
        r = libc.iconv(self.cd, None, None, ctypes.byref(out_ptr), ctypes.byref(out_left))
        if r == ctypes.c_size_t(-1).value:
            return None
        return out.raw[:64 - out_left.value]




def rows(values, per_line, width=4):
    """C initialiser lines of hexadecimal numbers."""
    for i in range(0, len(values), per_line):
        yield "    " + ", ".join(f"0x{v:0{width}X}" for v in values[i:i + per_line]) + ","

"""Reads what a Windows shortcut (.lnk) starts: its target and working
folder, from the Shell Link binary format, so that the package tests can
check a Start-menu entry without Windows."""

import struct

HAS_ID_LIST = 0x1
HAS_LINK_INFO = 0x2
IS_UNICODE = 0x80
# The optional strings after the link info, in the order they are stored.
STRING_FLAGS = ((0x4, "name"), (0x8, "relative_path"), (0x10, "working_dir"), (0x20, "arguments"),
                (0x40, "icon_location"))


def _zero_terminated(data, start, wide):
    if wide:
        end = start
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[start:end].decode("utf-16-le")
    return data[start:data.index(b"\0", start)].decode("latin-1")


def _local_base_path(data, pos):
    """The target's path from the LinkInfo block at `pos`, or ""."""
    _, header_size, flags, _, base_offset = struct.unpack_from("<5I", data, pos)
    if not flags & 1:  # not on a local volume
        return ""
    if header_size >= 0x24:
        wide_offset, = struct.unpack_from("<I", data, pos + 0x1C)
        if wide_offset:
            return _zero_terminated(data, pos + wide_offset, True)
    return _zero_terminated(data, pos + base_offset, False)


def read_shell_link(path):
    """A dict with the shortcut's `target` and whichever strings it holds
    (`working_dir`, `arguments`, ...)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError(f"{path} is not a shell link")
    flags, = struct.unpack_from("<I", data, 0x14)
    pos = 0x4C
    if flags & HAS_ID_LIST:
        size, = struct.unpack_from("<H", data, pos)
        pos += 2 + size
    link = {"target": ""}
    if flags & HAS_LINK_INFO:
        link["target"] = _local_base_path(data, pos)
        pos += struct.unpack_from("<I", data, pos)[0]
    wide = bool(flags & IS_UNICODE)
    for flag, name in STRING_FLAGS:
        if flags & flag:
            count, = struct.unpack_from("<H", data, pos)
            size = count * 2 if wide else count
            text = data[pos + 2:pos + 2 + size].decode("utf-16-le" if wide else "latin-1")
            link[name] = text.rstrip("\0")  # some writers count the terminator
            pos += 2 + size
    return link

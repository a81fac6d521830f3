#!/usr/bin/env python3
"""Writes the small zip fixtures of the archive tests into this folder.

Run it from anywhere: python3 make_fixtures.py. The zips are committed; the
script records how they were made (Python's zipfile, fixed dates).
"""
import os
import stat
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATE = (2020, 1, 2, 3, 4, 6)


class RawName(zipfile.ZipInfo):
    """A member whose name is written as the given bytes, without flag bit 11."""

    def __init__(self, raw, **kw):
        super().__init__(raw.decode("latin-1"), DATE)
        self.raw = raw
        self.compress_type = zipfile.ZIP_DEFLATED

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits & ~0x800


def info(name):
    i = zipfile.ZipInfo(name, DATE)
    i.compress_type = zipfile.ZIP_DEFLATED
    return i


def names_zip():
    with zipfile.ZipFile(os.path.join(HERE, "names.zip"), "w") as z:
        z.writestr(info("標高/utf8名.xml"), "utf-8 name, flag bit 11 set\n")   # zipfile sets bit 11
        z.writestr(RawName("地図/シフトJIS名.xml".encode("cp932")), "cp932 name\n")
        # "表" is 0x95 0x5C in CP932: its trail byte is a backslash.
        z.writestr(RawName("地図\\表示.xml".encode("cp932")), "backslash separator\n")


def escape_zip():
    with zipfile.ZipFile(os.path.join(HERE, "escape.zip"), "w") as z:
        z.writestr(info("safe.txt"), "safe\n")
        z.writestr(info("../evil.txt"), "parent\n")
        z.writestr(info("sub/../../evil2.txt"), "parent inside\n")
        z.writestr(info("/tmp/velkaro-abs.txt"), "absolute\n")
        link = info("link")
        link.create_system = 3
        link.external_attr = (stat.S_IFLNK | 0o777) << 16
        z.writestr(link, "/etc")
        z.writestr(info("after.txt"), "after\n")


def nested_zip():
    import io
    deep = io.BytesIO()
    with zipfile.ZipFile(deep, "w") as z:
        z.writestr(info("b-dem.xml"), "deep member\n")
    inner = io.BytesIO()
    with zipfile.ZipFile(inner, "w") as z:
        z.writestr(info("a-dem.xml"), "inner member\n")
        z.writestr(info("deeper/deep.zip"), deep.getvalue())
    with zipfile.ZipFile(os.path.join(HERE, "nested.zip"), "w") as z:
        z.writestr(info("top-dem.xml"), "top member\n")
        z.writestr(info("readme.txt"), "not taken\n")
        z.writestr(info("inner.zip"), inner.getvalue())


if __name__ == "__main__":
    names_zip()
    escape_zip()
    nested_zip()

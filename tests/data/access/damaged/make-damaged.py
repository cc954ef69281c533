#!/usr/bin/env python3
"""Makes the damaged Access files of this folder from the intact fixtures
beside it (tests/data/access). Each file carries one fault that mdbtools
reads without complaint, so that a conversion must notice it on its own:

  column-count-2000.mdb   inventory-2000.mdb with the column count of table
                          ip's definition set to 1: the rows read, none of
                          the inventory's columns is found.
  memo-pointer-quirks.mdb quirks-2000.mdb with the page pointer of the
                          3,000-character remark (a memo spread over
                          long-value pages) aimed past the end of the file.
  row-count-2000.mdb      inventory-2000.mdb with the row count of table
                          ip's first data page raised to 65,535: 54 rows
                          more than the definition records come out.
  recorded-199-2000.mdb   inventory-2000.mdb whose definition records 199
  recorded-201-2000.mdb   and 201 rows instead of the 200 it holds.
  column-number-quirks.mdb quirks-2000.mdb with the number of column mac
                          in table ip's definition (one byte) set to 85,
                          past the 18 the table has given out: mdbtools
                          reads its null bit from other bytes of each row,
                          and 13 of the 30 rows lose their MAC.
  catalog-loop-97.mdb     no-ip-table-97.mdb (Access 97) with 64 bytes of
                          the tables' property lists (a long-value page
                          that mdbtools reads with the list of tables)
                          set to zero: mdbtools' reading of that list
                          never ends, and writes "Warning: mdb_col_to_string
                          called on unsupported data type 0." over and over.

Jet 4 places (4 KB pages) are found by walking the pages; the Jet 3 one is
a fixed place that is checked first. The script stops when a fixture does
not look as expected. Run it from anywhere; it rewrites the files in its
own folder.
"""

import pathlib
import struct
import sys

PAGE = 4096
HERE = pathlib.Path(__file__).resolve().parent
FIXTURES = HERE.parent

PAGE_DATA = 0x01
PAGE_TABLE = 0x02
USER_TABLE = 0x4E
TDEF_ROWS = 16        # records in the table, 4 bytes
TDEF_TYPE = 40        # user or system table, 1 byte
TDEF_COLUMNS = 45     # column count, 2 bytes
DATA_OWNER = 4        # table definition page of a data page, 4 bytes
DATA_ROW_COUNT = 12   # rows on a data page, 2 bytes
MEMO_HEADER = 12      # length with flags, then page << 8 | row


def pages(image):
    return [image[n * PAGE:(n + 1) * PAGE] for n in range(len(image) // PAGE)]


def the_one(found, what):
    if len(found) != 1:
        sys.exit(f"expected one {what}, found {len(found)}")
    return found[0]


def inventory_table(image):
    """The page of table ip's definition: the user table whose column
    names (UTF-16LE in the definition) include pcname and mac."""
    def names_inventory(page):
        text = page.decode("utf-16-le", "replace").lower()
        return "pcname" in text and "username" in text
    return the_one([n for n, page in enumerate(pages(image))
                    if page[0] == PAGE_TABLE and page[TDEF_TYPE] == USER_TABLE and
                    (names_inventory(page) or names_inventory(page[1:]))],
                   "definition of table ip")


def data_pages(image, table):
    return [n for n, page in enumerate(pages(image))
            if page[0] == PAGE_DATA and
            struct.unpack_from("<I", page, DATA_OWNER)[0] == table]


def is_long_value_page(image, number):
    page = image[number * PAGE:(number + 1) * PAGE]
    return len(page) == PAGE and page[0] == PAGE_DATA and page[4:8] == b"LVAL"


def column_count(image):
    table = inventory_table(image)
    struct.pack_into("<H", image, table * PAGE + TDEF_COLUMNS, 1)


def row_count(image):
    first = data_pages(image, inventory_table(image))[0]
    struct.pack_into("<H", image, first * PAGE + DATA_ROW_COUNT, 65535)


def recorded_rows(count):
    def damage(image):
        table = inventory_table(image)
        struct.pack_into("<I", image, table * PAGE + TDEF_ROWS, count)
    return damage


def memo_pointer(image, length=6000):
    """Aims the pointer of the memo of `length` bytes past the file's end."""
    found = []
    for number in data_pages(image, inventory_table(image)):
        base = number * PAGE
        for offset in range(base + 14, base + PAGE - MEMO_HEADER):
            flags_length, page_row = struct.unpack_from("<II", image, offset)
            # Flags 0: the value spans a chain of long-value pages.
            if flags_length == length and is_long_value_page(image, page_row >> 8):
                found.append(offset)
    offset = the_one(found, f"memo header of {length} bytes")
    beyond = len(image) // PAGE + 0x10000
    struct.pack_into("<I", image, offset + 4, beyond << 8)


TDEF_MAX_COLUMNS = 41  # column numbers given out, 2 bytes
TDEF_REAL_INDEXES = 51
COLUMN_ENTRY = 25      # a column's entry in the definition
COLUMN_NUMBER = 5      # its number, which picks its null bit, 1 byte


def column_number(name, number):
    """Sets the number of column `name` of table ip to `number`."""
    def damage(image):
        base = inventory_table(image) * PAGE
        columns = struct.unpack_from("<H", image, base + TDEF_COLUMNS)[0]
        indexes = struct.unpack_from("<I", image, base + TDEF_REAL_INDEXES)[0]
        entries = base + 63 + indexes * 12
        # The names follow the entries, in the same order: a 2-byte
        # length, then UTF-16LE.
        at = entries + columns * COLUMN_ENTRY
        names = []
        for _ in range(columns):
            length = struct.unpack_from("<H", image, at)[0]
            names.append(bytes(image[at + 2:at + 2 + length]).decode("utf-16-le").lower())
            at += 2 + length
        entry = entries + names.index(name) * COLUMN_ENTRY
        if number < struct.unpack_from("<H", image, base + TDEF_MAX_COLUMNS)[0]:
            sys.exit(f"column number {number} is not past the table's")
        image[entry + COLUMN_NUMBER] = number
    return damage


JET3_PAGE = 2048
LVAL_SIGNATURE = b"LVAL"


def property_lists(image, page=20, offset=1344, length=64):
    """Zeroes `length` bytes of the long-value page holding the tables'
    property lists, at a place within the lists."""
    start = page * JET3_PAGE
    if image[start] != PAGE_DATA or image[start + 4:start + 8] != LVAL_SIGNATURE:
        sys.exit(f"page {page} is not a long-value page")
    if not any(image[start + offset:start + offset + length]):
        sys.exit("the place of the property lists holds nothing")
    image[start + offset:start + offset + length] = bytes(length)


DAMAGES = [
    ("column-count-2000.mdb", "inventory-2000.mdb", column_count),
    ("memo-pointer-quirks.mdb", "quirks-2000.mdb", memo_pointer),
    ("row-count-2000.mdb", "inventory-2000.mdb", row_count),
    ("recorded-199-2000.mdb", "inventory-2000.mdb", recorded_rows(199)),
    ("recorded-201-2000.mdb", "inventory-2000.mdb", recorded_rows(201)),
    ("column-number-quirks.mdb", "quirks-2000.mdb", column_number("mac", 85)),
    ("catalog-loop-97.mdb", "no-ip-table-97.mdb", property_lists),
]


def main():
    for name, source, damage in DAMAGES:
        image = bytearray((FIXTURES / source).read_bytes())
        damage(image)
        (HERE / name).write_bytes(image)
        print(f"{name}: from {source}")


if __name__ == "__main__":
    main()

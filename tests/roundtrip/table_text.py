"""Parvex's clipboard table text, read and written by the rules of src/grid/table_text.h.

Reading: lines end at LF, cells are cut at TAB (a TAB as the last byte of a line opens no
cell), every cell is trimmed of space, TAB, CR, LF, VT and FF; a field that begins with '"'
is a quoted cell when its closing quote ("" is an escaped quote) is followed by TAB, LF,
CR LF or the end of the text, and may then hold TAB, CR and LF. Otherwise it is literal.

Writing: cells joined by TAB, rows by LF, no line end after the last row; a cell holding
TAB, LF or CR, or beginning with '"', is quoted with its inner quotes doubled.
"""

_TRIM = " \t\r\n\v\f"


def _quoted_end(text, start):
    """The index just past the closing quote of a quoted cell opening at `start`, or -1."""
    i = start + 1
    while i < len(text):
        if text[i] != '"':
            i += 1
        elif text.startswith('""', i):
            i += 2  # an escaped quote
        elif i + 1 == len(text) or text[i + 1] in "\t\n" or text.startswith("\r\n", i + 1):
            return i + 1
        else:
            i += 1  # a quote inside the cell that closes nothing; a later one may
    return -1


def parse(text):
    """The rows of cells of `text` (a str); empty text gives no rows."""
    rows, row, i, n = [], [], 0, len(text)
    if n == 0:
        return rows
    while True:
        end = _quoted_end(text, i) if text[i:i + 1] == '"' else -1
        if end >= 0:
            row.append(text[i + 1:end - 1].replace('""', '"').strip(_TRIM))
            i = end + (1 if text.startswith("\r\n", end) else 0)
        else:
            k = i
            while k < n and text[k] not in "\t\n":
                k += 1
            row.append(text[i:k].strip(_TRIM))
            i = k
        if i < n and text[i] == "\t":
            i += 1
            if i < n and text[i] != "\n":
                continue
            # a TAB last in its line opens no cell
        if i < n:
            i += 1  # the LF
        rows.append(row)
        row = []
        if i == n:
            return rows


def _quote(cell):
    if any(c in cell for c in "\t\n\r") or cell.startswith('"'):
        return '"' + cell.replace('"', '""') + '"'
    return cell


def write(rows):
    """The table text of `rows` (lists of str)."""
    return "\n".join("\t".join(_quote(c) for c in row) for row in rows)


def rectangular(rows, width=None):
    """`rows` padded with empty cells to one width (the widest row's by default)."""
    width = max((len(r) for r in rows), default=0) if width is None else width
    return [list(r) + [""] * (width - len(r)) for r in rows]

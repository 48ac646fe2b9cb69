#!/usr/bin/python3
"""The round trip's own parts, without LibreOffice: its reading of the table text must be
parvex-cli's, or every comparison is off.

    harness_test.py PARVEX_CLI
"""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import roster  # noqa: E402
import roundtrip  # noqa: E402
import table_text  # noqa: E402

CLI = None


class TableTextTest(unittest.TestCase):
    PARSE_CASES = [
        ("empty text has no rows", "", []),
        ("a last LF ends the last line", "a\n", [["a"]]),
        ("an empty line is one empty cell", "a\n\nb", [["a"], [""], ["b"]]),
        ("a TAB last in its line opens no cell", "a\tb\t\nc\t\t", [["a", "b"], ["c", ""]]),
        ("cells are trimmed, CR LF is a line end", " a \r\n\tb\f", [["a"], ["", "b"]]),
        ("a quoted cell holds TAB, LF and doubled quotes", '"x\ty\nz""q"\tw', [['x\ty\nz"q', "w"]]),
        ("a quoted cell before CR LF", '"a"\r\nb', [["a"], ["b"]]),
        ("a quote that closes nothing stays, a later one closes", '"a"b"\tc', [['a"b', "c"]]),
        ("an unclosed quote is literal", '"a\tb', [['"a', "b"]]),
        ("a quote not first in the field is literal", ' "a" \tb', [['"a"', "b"]]),
    ]

    def test_parse(self):
        for name, text, rows in self.PARSE_CASES:
            with self.subTest(name):
                self.assertEqual(table_text.parse(text), rows)

    def test_written_cells_read_back(self):
        rows = [["a\tb", '"q"', "x\ny", 'in"side'], ["", "\r", "", "e"]]
        self.assertEqual(table_text.parse(table_text.write(rows)), [rows[0], ["", "", "", "e"]])

    def test_reads_parvex_cli_output_as_the_roster(self):
        # One group, one page, no key: the layout is the roster itself, trimmed.
        text = table_text.write(roster.rows())
        out = subprocess.run([CLI, "-q", "-n", "1", "-r", "100000", "--no-key"], input=text.encode(),
                             capture_output=True, check=True, timeout=60).stdout.decode()
        trimmed = [[cell.strip(" \t\r\n\v\f") for cell in row] for row in roster.rows()]
        # A row whose last cells are empty ends in a TAB that opens no cell; the grid pads it.
        self.assertEqual(table_text.rectangular(table_text.parse(out), len(roster.TITLE)), trimmed)


class RosterTest(unittest.TestCase):
    def test_holds_every_hard_remark_and_sorted_classes(self):
        rows = roster.rows()
        self.assertEqual(rows, roster.rows(), "the roster must not change from run to run")
        self.assertEqual(len(rows), 121)
        self.assertTrue(set(roster.HARD_REMARKS) <= {r[5] for r in rows})
        classes = [r[roster.KEY_COLUMN - 1] for r in rows[1:]]
        self.assertEqual(classes, sorted(classes, key=classes.index))
        self.assertGreater(len(set(classes)), 2)
        for row in rows[1:]:
            self.assertRegex(row[3], r"^\d{17}[\dX]$")


class ComparisonTest(unittest.TestCase):
    CLASSIFY_CASES = [
        ("unchanged text", "001", "001", "TEXT", None),
        ("empty stays empty", "", "", "EMPTY", None),
        ("a number with the same text still changed", "88", "88", "VALUE", "became a number"),
        ("a number shown otherwise", "001", "1", "VALUE", "became a number shown differently"),
        ("a formula", "=A1", "学号", "FORMULA", "became a formula"),
        ("a lost cell", "x", "", "EMPTY", "lost (now empty)"),
        ("a cell that moved in", "", "x", "TEXT", "text where the layout has none"),
        ("a line break made a space", "a\nb", "a b", "TEXT", "line break or TAB lost"),
        ("collapsed spaces", "a   b", "a b", "TEXT", "spaces changed"),
        ("quotes dropped", '"阿飞"', "阿飞", "TEXT", "quotes changed"),
    ]

    def test_classify(self):
        for name, expected, text, kind, change in self.CLASSIFY_CASES:
            with self.subTest(name):
                self.assertEqual(roundtrip.classify(expected, text, kind), change)

    def test_counts_cells_past_either_side(self):
        sheet = roundtrip.calc.Sheet([[("a", "TEXT"), ("1", "VALUE")], [("", "EMPTY"), ("", "EMPTY"), ("z", "TEXT")]])
        result = roundtrip.Comparison([["a", "1"], ["", "b"], ["c"]], sheet)
        # a, 1, b, z, c: five cells hold text on one side at least.
        self.assertEqual((result.compared, result.changed), (5, 4))
        self.assertEqual(result.kinds["became a number"], 1)
        self.assertEqual(result.kinds["lost (now empty)"], 2)
        self.assertEqual(result.kinds["text where the layout has none"], 1)


if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main()

"""A class roster as a school keeps it in a spreadsheet: every cell is text, and some of the
texts look like numbers, dates or formulas to a spreadsheet that guesses.

    roster.py [ROWS]    writes the roster (title row + ROWS data rows, 120 by default) to
                        standard output as table text

The same seed gives the same roster on every machine.
"""

import random
import sys

import table_text

TITLE = ["学号", "姓名", "班级", "身份证号", "金额", "备注"]
KEY_COLUMN = 3  # 班级, 1-based as parvex-cli's --key counts

_SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
_GIVEN = "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华飞"
_CLASSES = ["高一(1)班", "高一(2)班", "高一(3)班", "高二(1)班", "高二(2)班"]
_AREAS = ["110101", "310104", "440305", "510107", "330106"]
_WEIGHTS = [7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2]

# Cells a spreadsheet is tempted to change, one per row in the 备注 column.
HARD_REMARKS = [
    "3/4",
    "1E3",
    "=A1",
    "第一行\n第二行",
    "左\t右",
    '"阿飞"',
    "  前导空格",
    "内部  两个空格",
    "内部   三个空格",
    "1210.50",
    "1,234.50",
    "00123",
    "-5",
    "12%",
    "2024-09-01",
    "TRUE",
    "+86 138 0000 0000",
    "'单引号开头",
    "结尾空格  ",
    "a  b\tc",
]


def _id_number(rng, birth_year):
    body = (rng.choice(_AREAS) + "%04d%02d%02d" % (birth_year, rng.randint(1, 12), rng.randint(1, 28)) +
            "%03d" % rng.randint(0, 999))
    check = "10X98765432"[sum(int(d) * w for d, w in zip(body, _WEIGHTS)) % 11]
    return body + check


def _amount(rng):
    cents = rng.randint(0, 999999)
    text = "%d.%02d" % (cents // 100, cents % 100)
    if cents >= 100000 and rng.random() < 0.5:
        text = "{:,}".format(cents // 100) + ".%02d" % (cents % 100)  # 1,234.50
    return text


def rows(count=120):
    """The title row and `count` data rows, sorted by class as a roster printed by class is."""
    rng = random.Random(20240901)
    data = []
    for n in range(count):
        name = rng.choice(_SURNAMES) + "".join(rng.choice(_GIVEN) for _ in range(rng.randint(1, 2)))
        remark = HARD_REMARKS[n % len(HARD_REMARKS)] if n % 3 == 0 else ""
        data.append(["%03d" % (n + 1), name, _CLASSES[n * len(_CLASSES) // count],
                     _id_number(rng, rng.randint(2006, 2008)), _amount(rng), remark])
    # The amounts everyone quotes from the issue.
    data[1][4] = "1210.50"
    data[2][4] = "1,234.50"
    return [TITLE] + data


if __name__ == "__main__":
    sys.stdout.write(table_text.write(rows(int(sys.argv[1]) if len(sys.argv) > 1 else 120)))

#!/usr/bin/env python3
"""Independent reader and writer for the cross-checks: dbfread reads tables the engine wrote,
python-dbf writes tables the engine reads. Compares with the engine's values (one JSON array
per record), printing each difference; exits 1 on a difference, 77 when a module is missing."""
import datetime
import json
import sys

try:
    import dbf
    import dbfread
except ImportError:
    sys.exit(77)


def text(value):
    if value is None:
        return None
    if isinstance(value, (datetime.datetime,)):
        return value.strftime('%Y-%m-%dT%H:%M:%S')
    if isinstance(value, datetime.date):
        return value.isoformat()
    if isinstance(value, bytes):
        return value.rstrip(b'\0').decode('latin-1')
    if isinstance(value, str):
        return value.rstrip('\0')
    return value


def same(ours, theirs):
    if ours is None or theirs is None:
        return ours == theirs
    if isinstance(theirs, bool) or isinstance(ours, bool):
        return ours == theirs
    if isinstance(theirs, (int, float)) and isinstance(ours, (int, float)):
        return abs(ours - theirs) <= 1e-9 * (1 + abs(theirs))
    return ours == theirs


def compare(ours_path, rows):
    with open(ours_path, encoding='utf-8') as f:
        ours = [json.loads(line) for line in f if line.strip()]
    faults = []
    if len(ours) != len(rows):
        faults.append('the engine read %d records, the other side has %d' % (len(ours), len(rows)))
    for n, (mine, theirs) in enumerate(zip(ours, rows), 1):
        for i, (a, b) in enumerate(zip(mine, theirs)):
            if not same(a, b):
                faults.append('record %d field %d: engine %r, other %r' % (n, i + 1, a, b))
    for fault in faults:
        print(fault)
    sys.exit(1 if faults else 0)


def dbfread_rows(path, encoding):
    table = dbfread.DBF(path, encoding=encoding, char_decode_errors='strict')
    return [[text(v) for v in record.values()] for record in table]


# Written values, one row per record; the test reads them back through the engine.
ROWS = [
    ('Ann', 34, 1234.5, datetime.date(1990, 5, 17), True, 'likes tea'),
    ('Bob', -7, -0.25, datetime.date(2000, 2, 29), False, 'a longer memo\r\nover two lines'),
    ('', None, None, None, None, ''),
]


def write(kind, path):
    specs = {
        'db3': 'NAME C(12); AGE N(4,0); SALARY N(10,2); BORN D; ACTIVE L; NOTES M',
        'vfp': 'NAME C(12); AGE I; SALARY B; BORN D; ACTIVE L; NOTES M',
    }[kind]
    dbf_type = {'db3': 'db3', 'vfp': 'vfp'}[kind]
    table = dbf.Table(path, specs, dbf_type=dbf_type, codepage='cp1252')
    table.open(dbf.READ_WRITE)
    for row in ROWS:
        values = list(row)
        if kind == 'vfp':
            values = [v if v is not None or i not in (1, 2) else 0 for i, v in enumerate(values)]
        table.append(tuple(values))
    table.close()


def written(kind):
    rows = []
    for row in ROWS:
        values = [text(v) for v in row]
        if kind == 'vfp':
            # Visual FoxPro integers and doubles have no blank: python-dbf stores 0.
            values = [v if v is not None or i not in (1, 2) else 0 for i, v in enumerate(values)]
        rows.append(values)
    return rows


if __name__ == '__main__':
    command = sys.argv[1]
    if command == 'check':  # check TABLE ENCODING OURS.jsonl: dbfread agrees with the engine
        compare(sys.argv[4], dbfread_rows(sys.argv[2], sys.argv[3]))
    elif command == 'write':  # write KIND TABLE
        write(sys.argv[2], sys.argv[3])
    elif command == 'check-written':  # check-written KIND OURS.jsonl
        compare(sys.argv[3], written(sys.argv[2]))

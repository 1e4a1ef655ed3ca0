#!/usr/bin/env python3
"""Seeds the dBase fuzz targets from the shared real-world files: for fuzz_dbase_table every
table bundled with its memo file (a 4-byte length, the table, the memo), for the index targets
every index file of that format. Files are cut at 64 KiB. Usage: dbase_seeds.py TARGET FIXTURES OUT"""
import glob
import os
import struct
import sys

CAP = 65536


def main(target, fixtures, out):
    os.makedirs(out, exist_ok=True)
    files = sorted(glob.glob(os.path.join(fixtures, 'dbase', '*', '*')))
    for path in files:
        name = os.path.relpath(path, fixtures).replace(os.sep, '_')
        lower = path.lower()
        if target == 'fuzz_dbase_table' and lower.endswith('.dbf'):
            stem = os.path.splitext(path)[0]
            memo = b''
            for ext in ('.dbt', '.DBT', '.fpt', '.FPT'):
                if os.path.exists(stem + ext):
                    with open(stem + ext, 'rb') as f:
                        memo = f.read(CAP)
                    break
            with open(path, 'rb') as f:
                table = f.read(CAP)
            with open(os.path.join(out, name), 'wb') as f:
                f.write(struct.pack('<I', len(table)) + table + memo)
        elif target.startswith('fuzz_dbase_') and lower.endswith('.' + target[len('fuzz_dbase_'):]):
            with open(path, 'rb') as f, open(os.path.join(out, name), 'wb') as g:
                g.write(f.read(CAP))


if __name__ == '__main__':
    main(*sys.argv[1:4])

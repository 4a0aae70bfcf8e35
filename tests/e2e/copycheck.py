#!/usr/bin/python3
"""Checks that a copied table holds the values of its source.

    copycheck.py to-paradox|to-foxpro SOURCE.jsonl TARGET.jsonl

Both files are canonical dumps (JSON Lines: a {"columns": [...]} line, then one
array per row), each made by an independent reader. A copy changes types on
its way (every FoxPro column a memo, dates Paradox timestamps, logicals and
currency text; or, keeping the types, each field the other format's own), so values are compared by what they mean: numbers as numbers
(to 12 significant digits, the precision a double keeps through text), dates
against timestamps at midnight, logicals against "True"/"False", an empty text
against NULL where the target cannot tell them apart.  Prints the first 10
differences and "N passed, M failed" (rows); exits 0 only when nothing failed.
"""
import json
import sys
from decimal import Decimal, InvalidOperation

MAX_SHOWN = 10


def load(path):
    with open(path, encoding='utf-8') as f:
        lines = [json.loads(line, parse_float=Decimal, parse_int=Decimal) for line in f if line.strip()]
    if not lines or not isinstance(lines[0], dict) or 'columns' not in lines[0]:
        raise SystemExit(f'{path}: no columns line')
    return lines[0]['columns'], lines[1:]


def as_number(value):
    if isinstance(value, bool):
        return None
    if isinstance(value, Decimal):
        return value
    if isinstance(value, str):
        try:
            return Decimal(value.strip())
        except InvalidOperation:
            return None
    return None


def close(a, b):
    if a == b:
        return True
    scale = max(abs(a), abs(b))
    return abs(a - b) <= scale * Decimal('1e-12')


def same(source, target, direction):
    if source is None:
        return target is None or target == '' or target == {'hex': ''}
    if target is None:
        # Paradox keeps no empty text or empty blob apart from NULL.
        return direction == 'to-paradox' and source in ('', {'hex': ''})
    if isinstance(source, dict) or isinstance(target, dict):
        if isinstance(source, dict) and isinstance(target, dict):
            return source == target
        # A binary value written to a FoxPro blob arrives byte for byte; dbfread shows text bytes as hex too.
        return False
    if isinstance(source, bool):
        # A logical field keeps it; a memo has its text.
        return target is source or target == ('True' if source else 'False')
    number = as_number(source) if isinstance(source, Decimal) else None
    if number is not None:
        other = as_number(target)
        return other is not None and close(number, other)
    if isinstance(source, str):
        if target == source:
            return True
        if isinstance(target, str) and len(source) == 10 and target == source + ' 00:00:00':
            return True  # a date became a timestamp
        if isinstance(target, str) and len(source) >= 8 and source[2] == ':' and target == '1899-12-30 ' + source:
            return True  # a time of day became a FoxPro date-time on the day times stand on
        other = as_number(target) if direction == 'to-paradox' else None
        mine = as_number(source)
        return other is not None and mine is not None and close(mine, other)
    return False


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ('to-paradox', 'to-foxpro'):
        raise SystemExit(__doc__)
    direction = sys.argv[1]
    source_columns, source_rows = load(sys.argv[2])
    target_columns, target_rows = load(sys.argv[3])
    problems = []
    failed = 0
    if len(source_columns) != len(target_columns):
        problems.append(f'columns: {len(source_columns)} != {len(target_columns)}')
        failed += 1
    if len(source_rows) != len(target_rows):
        problems.append(f'rows: {len(source_rows)} != {len(target_rows)}')
        failed += 1
    passed = 0
    for n, (a, b) in enumerate(zip(source_rows, target_rows), 1):
        bad = [i for i, (x, y) in enumerate(zip(a, b), 1) if not same(x, y, direction)]
        if bad or len(a) != len(b):
            failed += 1
            for i in bad[:3]:
                problems.append(f'row {n} col {i}: {a[i - 1]!r:.80} -> {b[i - 1]!r:.80}')
        else:
            passed += 1
    for line in problems[:MAX_SHOWN]:
        print(line)
    if len(problems) > MAX_SHOWN:
        print(f'... {len(problems) - MAX_SHOWN} more differences')
    print(f'{passed} passed, {failed} failed')
    return 0 if failed == 0 else 1


if __name__ == '__main__':
    sys.exit(main())

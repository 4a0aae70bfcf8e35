#!/usr/bin/python3
"""The Windows program end to end: tabwright-cli.exe, under Wine, copies every
table of the shared corpus both ways, with Windows paths (Z:\\...), into free
tables and into a copy of a container; the Linux readers then read what it
wrote (pxlib through pxjson, dbfread through dbfjson.py) and each copy must
hold its source's values (tests/e2e/copycheck.py), and the container must
pass dcxcheck.py --strict.

    e2e.py --cli build/windows/x64/bin/tabwright-cli.exe --shared SHARED --work DIR

WINEPREFIX must name a ready Wine prefix (scripts/windows/test.sh makes one).
Prints one line per table and "N passed, M failed"; exits 0 only when every
copy and check passed.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
CONTAINER = 'FOXPRO-DB-TEST.DBC'


def windows(path):
    """Wine's Z: drive is the Linux root."""
    return 'Z:' + str(pathlib.Path(path).resolve()).replace('/', '\\')


class Run:
    def __init__(self, args):
        self.cli = pathlib.Path(args.cli).resolve()
        self.shared = pathlib.Path(args.shared).resolve()
        self.work = pathlib.Path(args.work).resolve()
        self.wine = args.wine
        self.passed = 0
        self.failed = 0

    def result(self, name, problem):
        if problem:
            self.failed += 1
            print(f'FAIL {name}: {problem.strip()}')
        else:
            self.passed += 1
            print(f'PASS {name}')

    def cli_run(self, *arguments):
        """tabwright-cli.exe under Wine, its arguments as Windows gives them."""
        done = subprocess.run([self.wine, str(self.cli), *arguments], capture_output=True, timeout=600,
                              env=dict(os.environ, WINEDEBUG='-all'))
        out = done.stdout.decode('utf-8', 'replace').replace('\r\n', '\n')
        err = done.stderr.decode('utf-8', 'replace').replace('\r\n', '\n')
        return done.returncode, out, err

    def tool(self, *command):
        done = subprocess.run(list(command), capture_output=True, timeout=600)
        return done.returncode, done.stdout, done.stderr.decode('utf-8', 'replace')

    def pxjson(self, db):
        files = [str(db)] + [str(p) for p in db.parent.iterdir() if p.name.lower() == db.stem.lower() + '.mb']
        return self.tool(str(self.work / 'pxjson'), *files)

    def dbfjson(self, dbf):
        return self.tool('/usr/bin/python3', str(self.shared / 'tools' / 'dbfjson.py'), str(dbf))

    def compare(self, name, direction, source, target):
        if source[0] != 0:
            return self.result(name, 'the source cannot be read: ' + source[2])
        if target[0] != 0:
            return self.result(name, 'the copy cannot be read: ' + target[2])
        a = self.work / 'source.jsonl'
        b = self.work / 'target.jsonl'
        a.write_bytes(source[1])
        b.write_bytes(target[1])
        code, out, err = self.tool('/usr/bin/python3', str(ROOT / 'tests' / 'e2e' / 'copycheck.py'), direction,
                                   str(a), str(b))
        self.result(name, '' if code == 0 else out.decode('utf-8', 'replace') + err)


def find(folder, name, suffix):
    """The file of a table in a folder, in any letter case."""
    for path in sorted(folder.iterdir()):
        if path.name.lower() == (name + suffix).lower():
            return path
    return None


def copy_folder(source, target):
    shutil.copytree(source, target)
    for path in target.iterdir():
        path.chmod(0o644)
    return target


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--cli', required=True)
    parser.add_argument('--shared', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--wine', default=shutil.which('wine64') or shutil.which('wine') or '/usr/lib/wine/wine64')
    run = Run(parser.parse_args())
    corpus = run.shared / 'corpus'
    if run.work.exists():
        shutil.rmtree(run.work)
    run.work.mkdir(parents=True)
    code, _, err = run.tool('gcc', '-O2', '-o', str(run.work / 'pxjson'), str(run.shared / 'tools' / 'pxjson.c'),
                            '-lpx')
    if code != 0:
        sys.exit('e2e: cannot build pxjson (gcc, pxlib-dev): ' + err)
    (run.work / 'work.mdb').write_bytes(b'')  # an empty file is an empty work database

    # A console program: its help reaches cmd.exe's output.
    done = subprocess.run([run.wine, 'cmd', '/c', windows(run.cli), '--help'], capture_output=True, timeout=300,
                          env=dict(os.environ, WINEDEBUG='-all'))
    shown = done.stdout.decode('utf-8', 'replace')
    run.result('tabwright-cli.exe --help in cmd.exe',
               '' if done.returncode == 0 and 'Usage: tabwright-cli COMMAND' in shown and 'copy --to paradox' in shown
               else f'exit {done.returncode}: {shown[:200]}')

    paradox = copy_folder(corpus / 'paradox', run.work / 'paradox')
    free = copy_folder(corpus / 'foxpro' / 'free', run.work / 'free')
    container = copy_folder(corpus / 'foxpro' / 'foxprodb', run.work / 'container')
    into_container = copy_folder(corpus / 'foxpro' / 'foxprodb', run.work / 'into-container')
    paradox_tables = sorted({p.stem.upper() for p in paradox.iterdir() if p.suffix.lower() == '.db'})

    # Paradox to FoxPro: into a folder of free tables, and into a copy of the container.
    for label, target in (('free', run.work / 'to-free'), ('container', into_container / CONTAINER)):
        if label == 'free':
            target.mkdir()
        code, out, err = run.cli_run('copy', '--to-foxpro', '--yes', '--paradox', windows(paradox),
                                     '--foxpro', windows(target), *paradox_tables)
        if code != 0:
            run.result(f'copy to FoxPro ({label})', f'exit {code}: {err}')
            continue
        folder = target if label == 'free' else target.parent
        for table in paradox_tables:
            dbf = find(folder, table, '.dbf')
            name = f'paradox {table} -> foxpro {label}'
            if dbf is None:
                run.result(name, f'no {table}.dbf in {folder}')
                continue
            run.compare(name, 'to-foxpro', run.pxjson(find(paradox, table, '.db')), run.dbfjson(dbf))
    dbc = into_container / CONTAINER
    flags = ['--strict'] if subprocess.run(['perl', '-MXBase', '-e1'], capture_output=True).returncode == 0 \
        else ['--strict', '--no-xbase']
    code, out, err = run.tool('/usr/bin/python3', str(run.shared / 'tools' / 'dcxcheck.py'), *flags, str(dbc))
    run.result('dcxcheck ' + ' '.join(flags) + ' (container copied into)',
               '' if code == 0 else out.decode('utf-8', 'replace') + err)

    # FoxPro to Paradox: the free tables, and the tables of the container.
    for label, source in (('free', free), ('container', container / CONTAINER)):
        code, out, err = run.cli_run('tables', '--foxpro', windows(source))
        tables = [line.strip() for line in out.splitlines() if line.strip()]
        if code != 0 or not tables:
            run.result(f'list FoxPro tables ({label})', f'exit {code}: {err}')
            continue
        target = run.work / f'from-{label}'
        target.mkdir()
        code, out, err = run.cli_run('copy', '--to-paradox', '--yes', '--foxpro', windows(source),
                                     '--paradox', windows(target), '--work', windows(run.work / 'work.mdb'), *tables)
        if code != 0:
            run.result(f'copy to Paradox ({label})', f'exit {code}: {err}')
            continue
        folder = source if label == 'free' else source.parent
        for table in tables:
            name = f'foxpro {label} {table} -> paradox'
            dbf = find(folder, table, '.dbf')
            # Paradox names have 8 characters at most; --yes lets the copy cut them.
            db = find(target, table[:8], '.db')
            if dbf is None or db is None:
                run.result(name, f'missing: {table}.dbf in {folder} or {table[:8]}.db in {target}')
                continue
            run.compare(name, 'to-paradox', run.dbfjson(dbf), run.pxjson(db))
    code, out, err = run.tool('/usr/bin/python3', str(run.shared / 'tools' / 'dcxcheck.py'), *flags,
                              str(container / CONTAINER))
    run.result('dcxcheck ' + ' '.join(flags) + ' (container copied from)',
               '' if code == 0 else out.decode('utf-8', 'replace') + err)

    print(f'{run.passed} passed, {run.failed} failed')
    return 0 if run.failed == 0 else 1


if __name__ == '__main__':
    sys.exit(main())

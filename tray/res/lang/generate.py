#!/usr/bin/env python3
"""Turns the language tables (lang/*.txt) into the resource script of one
module: rmtray (the tray program) or rmpanel (the Control Panel applet).

For every table: a LANGUAGE statement, the module's string table, and the
localised copies of the module's dialog templates that the table asks for.
A copy starts from the English template in the module's dialogs.rc and
applies the table's layout lines:

    language ID [rtl]          Windows language id (decimal); rtl mirrors
                               every template of the language
    module NAME                the lines that follow belong to module NAME;
                               the lines before the first module line
                               belong to rmtray
    grow TEMPLATE at X by D    in template TEMPLATE (its number), every
                               control that starts at or right of X moves
                               D dialog units right, every control that
                               spans X grows by D, and so does the template
    width TEMPLATE W           the copy of TEMPLATE is W units wide (instead
                               of the English width plus the grow lines)
    font TEMPLATE SIZE "FACE"  the copy of TEMPLATE uses that font (for a
                               template whose English font lacks the
                               language's script)
    NUMBER "text"              one string; \\n line feed, \\" quote, \\\\ backslash

Lines starting with # are comments. Several grow lines of one template
all refer to the English coordinates.

usage: generate.py [--module NAME] --dialogs dialogs.rc --header resource.h --out OUT.rc TABLE...
"""
import argparse
import re
import sys

STRING = re.compile(r'^(\d+)\s+"((?:[^"\\]|\\.)*)"\s*$')
GROW = re.compile(r'^grow\s+(\d+)\s+at\s+(\d+)\s+by\s+(\d+)\s*$')
FONT = re.compile(r'^font\s+(\d+)\s+(\d+)\s+"([^"]+)"\s*$')
WIDTH = re.compile(r'^width\s+(\d+)\s+(\d+)\s*$')
MODULE = re.compile(r'^module\s+(\w+)\s*$')
LANGUAGE = re.compile(r'^language\s+(\d+)((?:\s+rtl)?)\s*$')
MODULES = ('rmtray', 'rmpanel')
ESCAPES = {'n': '\n', '"': '"', '\\': '\\'}


class TableError(Exception):
    pass


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == '\\':
            if i + 1 >= len(text) or text[i + 1] not in ESCAPES:
                raise TableError(f'{where}: unknown escape')
            out.append(ESCAPES[text[i + 1]])
            i += 2
            continue
        out.append(c)
        i += 1
    return ''.join(out)


def read_table(path, module):
    """The table's language and the part of it that belongs to `module`."""
    table = {'path': path, 'language': None, 'rtl': False, 'grow': {}, 'width': {}, 'font': {}, 'strings': {}}
    def elsewhere():
        return {'grow': {}, 'width': {}, 'font': {}, 'strings': {}}
    part = table if module == 'rmtray' else elsewhere()
    with open(path, encoding='utf-8') as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip('\n')
            where = f'{path}:{number}'
            if not line.strip() or line.lstrip().startswith('#'):
                continue
            m = LANGUAGE.match(line)
            if m:
                table['language'] = int(m.group(1))
                table['rtl'] = bool(m.group(2).strip())
                continue
            m = MODULE.match(line)
            if m:
                if m.group(1) not in MODULES:
                    raise TableError(f'{where}: no module {m.group(1)}')
                part = table if m.group(1) == module else elsewhere()
                continue
            m = GROW.match(line)
            if m:
                template, x, by = (int(g) for g in m.groups())
                part['grow'].setdefault(template, []).append((x, by))
                continue
            m = WIDTH.match(line)
            if m:
                part['width'][int(m.group(1))] = int(m.group(2))
                continue
            m = FONT.match(line)
            if m:
                part['font'][int(m.group(1))] = (int(m.group(2)), m.group(3))
                continue
            m = STRING.match(line)
            if m:
                sid = int(m.group(1))
                if sid in part['strings']:
                    raise TableError(f'{where}: string {sid} given twice')
                part['strings'][sid] = unescape(m.group(2), where)
                continue
            raise TableError(f'{where}: cannot read "{line}"')
    if table['language'] is None:
        raise TableError(f'{path}: no language line')
    return table


def read_defines(path):
    with open(path, encoding='utf-8') as f:
        return {name: int(value) for name, value in re.findall(r'#define\s+(\w+)\s+(\d+)', f.read())}


def read_dialogs(path, defines):
    """The English templates by number: their header lines and controls."""
    dialogs = {}
    current = None
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            m = re.match(r'^(\w+)\s+DIALOGEX\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*$', line)
            if m:
                name = m.group(1)
                number = defines.get(name, int(name) if name.isdigit() else None)
                current = {'name': name, 'rect': [int(g) for g in m.groups()[1:]], 'head': [], 'controls': []}
                dialogs[number] = current
                continue
            if current is None:
                continue
            if line.strip() == 'END':
                current = None
            elif line.strip().startswith('CONTROL'):
                m = re.match(r'^(\s*CONTROL .*),\s*(-?\d+),\s*(-?\d+),\s*(\d+),\s*(\d+)\s*$', line)
                if not m:
                    raise TableError(f'{path}: control without a rectangle: {line}')
                current['controls'].append((m.group(1), [int(g) for g in m.groups()[1:]]))
            elif line.strip() != 'BEGIN':
                current['head'].append(line)
    return dialogs


def grown(rect, steps):
    """x, y, width, height after the column insertions `steps`, all given in
    the English coordinates."""
    x, y, w, h = rect
    dx = sum(by for at, by in steps if x >= at)
    dw = sum(by for at, by in steps if x < at < x + w)
    return [x + dx, y, w + dw, h]


def localised_template(number, dialog, table):
    steps = table['grow'].get(number, [])
    x, y, w, h = dialog['rect']
    w = table['width'].get(number, w + sum(by for _, by in steps))
    lines = [f'{dialog["name"]} DIALOGEX {x}, {y}, {w}, {h}']
    for head in dialog['head']:
        if number in table['font'] and head.startswith('FONT '):
            size, face = table['font'][number]
            head = f'FONT {size}, "{face}"'
        lines.append(head)
    if table['rtl']:
        lines.append('EXSTYLE WS_EX_LAYOUTRTL')
    lines.append('BEGIN')
    for text, rect in dialog['controls']:
        lines.append(f'{text}, ' + ', '.join(str(v) for v in grown(rect, steps)))
    lines.append('END')
    return lines


def rc_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '""').replace('\n', '\\n') + '"'


def generate(tables, dialogs, module):
    out = [f'// {module}: generated by tray/res/lang/generate.py from tray/res/lang/*.txt; edit those.',
           '#pragma code_page(65001)', '']
    for table in sorted(tables, key=lambda t: t['language']):
        lang = table['language']
        out.append(f'// {table["path"].split("/")[-1]}')
        out.append(f'LANGUAGE {lang & 0x3FF}, {lang >> 10}')
        out.append('STRINGTABLE')
        out.append('BEGIN')
        for sid in sorted(table['strings']):
            out.append(f'  {sid} {rc_string(table["strings"][sid])}')
        out.append('END')
        asked = set(table['grow']) | set(table['width']) | set(table['font'])
        unknown = asked - set(dialogs)
        if unknown:
            raise TableError(f'{table["path"]}: no template {sorted(unknown)} in {module}')
        copies = sorted(dialogs) if table['rtl'] else sorted(asked)
        for number in copies:
            out.append('')
            out += localised_template(number, dialogs[number], table)
        out.append('')
    return '\n'.join(out) + '\n'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--module', choices=MODULES, default='rmtray')
    parser.add_argument('--dialogs', required=True)
    parser.add_argument('--header', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('tables', nargs='+')
    args = parser.parse_args()
    try:
        dialogs = read_dialogs(args.dialogs, read_defines(args.header))
        tables = [read_table(path, args.module) for path in args.tables]
        seen = {}
        for t in tables:
            if t['language'] in seen:
                raise TableError(f'{t["path"]}: language {t["language"]} also in {seen[t["language"]]}')
            seen[t['language']] = t['path']
        text = generate(tables, dialogs, args.module)
    except (OSError, TableError) as e:
        print(f'generate.py: {e}', file=sys.stderr)
        return 1
    with open(args.out, 'w', encoding='utf-8') as f:
        f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Lays out the page: the game's data in packs fetched in the order play
needs them, every file that does not change name between builds (the page,
the service worker, the app manifest) pointing at files named by their
content's hash, and a .gz and .br beside each file for servers that serve
precompressed files.

    pack.py --root STAGE --program DIR --web DIR --icons DIR --out PAGE [--brotli BROTLI]
            [--notices FILE...]

STAGE mirrors the program's file system (data/sys/..., the fonts where the
game looks for them). Every file under it goes into the first pack whose
pattern matches it, or into a last pack of its own. The About panel
(web/about.html) goes into the page, and the notices it links to,
notices.txt, are the --notices files one after another.
"""
import argparse
import fnmatch
import gzip
import hashlib
import json
import os
import shutil
import subprocess
import sys

LABEL_FONT = '/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf'
FIXED_FONT = '/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf'
NAME_FONT = '/data/fonts/ipagp.ttf'
SYS = '/data/sys/'

# The packs in the order the page fetches them; a pack of another language
# than the player's comes after all the rest. Columns: name, language ('' for
# every one), the part of the game that waits for it (the page's note), the
# files (patterns of paths in the program's file system), whether the title
# needs it. The title needs the window's own pictures, the title picture in
# the player's language, the label font cut down to the game's own words and
# the catalogs; the rest comes in the order a game meets it.
PACKS = [
    ('boot', '', 'the title', [SYS + 'locale/*', SYS + 'kyarapic*', SYS + 'itempic*', LABEL_FONT], True),
    ('title-ja', 'ja', 'the title', [SYS + 'title.bmp'], True),
    ('title-en', 'en', 'the title', [SYS + 'en/title.bmp'], True),
    ('opening', '', 'the title song', [SYS + 'opening.ogg'], False),
    ('effects', '', 'the sound effects', [SYS + '*.wav'], False),
    ('stage1', '', 'stage 1', [SYS + 'mainmap1.JPG', SYS + 'suteji1.ogg'], False),
    ('gameover-ja', 'ja', 'game over', [SYS + 'gameover.bmp'], False),
    ('gameover-en', 'en', 'game over', [SYS + 'en/gameover.bmp'], False),
    ('ranking', '', 'the ranking', [SYS + 'gameover.ogg', FIXED_FONT, NAME_FONT], False),
    ('boss1', '', "stage 1's boss", [SYS + 'hati.JPG', SYS + 'boss1.ogg'], False),
    ('stage2', '', 'stage 2', [SYS + 'mainmap2.JPG', SYS + 'suteji2.ogg', SYS + 'jigabati.JPG', SYS + 'boss2.ogg'], False),
    ('stage3', '', 'stage 3', [SYS + 'mainmap3.JPG', SYS + 'suteji3.ogg', SYS + 'kuwagata.JPG', SYS + 'boss3.ogg'], False),
    ('stage4', '', 'stage 4', [SYS + 'mainmap4.JPG', SYS + 'suteji4.ogg', SYS + 'kabutomusi.JPG', SYS + 'boss4.ogg'], False),
    ('stage5', '', 'stage 5', [SYS + 'mainmap5.JPG', SYS + 'suteji5.ogg', SYS + 'gifucho.JPG', SYS + 'boss5.ogg'], False),
    ('ending-ja', 'ja', 'the ending', [SYS + 'ending/*'], False),
    ('ending-en', 'en', 'the ending', [SYS + 'en/ending/*'], False),
    ('ending-song', '', 'the ending', [SYS + 'ending.ogg'], False),
]
# The songs play from their Ogg Vorbis renderings; the MIDI files stay on
# the desktop.
LEFT_OUT = [SYS + '*.mid', SYS + 'rank.hms']
# The page's own scripts, in the order they run, as one file.
SCRIPTS = ['loader.js', 'touch.js', 'help.js', 'online.js', 'watch.js', 'page.js']
HASH_CHARS = 10
# A compressed copy that saves less than this is not worth a server's choice.
LEAST_SAVING = 0.95


def digest(data):
    return hashlib.sha256(data).hexdigest()[:HASH_CHARS]


def write(out, name, data):
    path = os.path.join(out, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def hashed(out, stem, ext, data):
    name = f'{stem}.{digest(data)}{ext}'
    write(out, name, data)
    return name


def stage_files(root):
    found = []
    for base, _, names in os.walk(root):
        for n in names:
            full = os.path.join(base, n)
            found.append('/' + os.path.relpath(full, root).replace(os.sep, '/'))
    return sorted(found)


def make_packs(root, out):
    files = [f for f in stage_files(root) if not any(fnmatch.fnmatch(f, p) for p in LEFT_OUT)]
    taken = set()
    packs = []
    rows = PACKS + [('rest', '', 'the game', ['*'], False)]
    for name, lang, label, patterns, boot in rows:
        members = [f for f in files if f not in taken and any(fnmatch.fnmatch(f, p) for p in patterns)]
        if not members:
            continue
        taken.update(members)
        blob, entries = bytearray(), []
        for f in members:
            with open(root + f, 'rb') as src:
                data = src.read()
            entries.append([f, len(blob), len(data)])
            blob += data
        url = hashed(out, 'data/' + name, '.pack', bytes(blob))
        packs.append({'name': name, 'lang': lang, 'label': label, 'boot': boot, 'url': url, 'size': len(blob),
                      'files': entries})
    return packs


def compress(out, brotli):
    for base, _, names in os.walk(out):
        for n in names:
            if n.endswith(('.gz', '.br')):
                continue
            path = os.path.join(base, n)
            with open(path, 'rb') as f:
                data = f.read()
            packed = gzip.compress(data, 9, mtime=0)
            if len(packed) < len(data) * LEAST_SAVING:
                with open(path + '.gz', 'wb') as f:
                    f.write(packed)
            if brotli:
                subprocess.run([brotli, '-f', '-q', '11', '-o', path + '.br', path], check=True)
                if os.path.getsize(path + '.br') >= len(data) * LEAST_SAVING:
                    os.remove(path + '.br')


def main():
    a = argparse.ArgumentParser()
    for opt in ('--root', '--program', '--web', '--icons', '--out'):
        a.add_argument(opt, required=True)
    a.add_argument('--brotli', default='')
    a.add_argument('--notices', nargs='*', default=[])
    args = a.parse_args()
    out = args.out
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)

    packs = make_packs(args.root, out)
    with open(os.path.join(args.program, 'molfo.wasm'), 'rb') as f:
        wasm = hashed(out, 'molfo', '.wasm', f.read())
    with open(os.path.join(args.program, 'molfo.js'), 'rb') as f:
        program = hashed(out, 'molfo', '.js', f.read())
    scripts = b''
    for s in SCRIPTS:
        with open(os.path.join(args.web, s), 'rb') as f:
            scripts += f.read() + b'\n'
    page = hashed(out, 'page', '.js', scripts)
    icons = {}
    for n in sorted(f for f in os.listdir(args.icons) if f.startswith('icon')):
        with open(os.path.join(args.icons, n), 'rb') as f:
            write(out, n, f.read())
        icons[n] = n

    build = digest(json.dumps([page, program, wasm, [p['url'] for p in packs]]).encode())
    data = {'build': build, 'program': program, 'wasm': wasm, 'packs': packs}
    with open(os.path.join(args.web, 'index.html'), encoding='utf-8') as f:
        index = f.read()
    index = index.replace('@MOLFO_BUILD@', build).replace('@MOLFO_SCRIPT@', page)
    with open(os.path.join(args.web, 'about.html'), encoding='utf-8') as f:
        index = index.replace('@MOLFO_ABOUT@', f.read().rstrip('\n'))
    # Inside a script element; "</" must not end it early.
    index = index.replace('@MOLFO_DATA@', json.dumps(data, separators=(',', ':')).replace('</', '<\\/'))
    write(out, 'index.html', index.encode('utf-8'))
    # What a second visit needs to reach the title without the network; the
    # rest is kept as the page fetches it.
    shell = ['./', 'index.html', page, program, wasm, 'manifest.webmanifest'] + sorted(icons) + \
        [p['url'] for p in packs if p['boot']]
    with open(os.path.join(args.web, 'sw.js'), encoding='utf-8') as f:
        sw = f.read().replace('@MOLFO_BUILD@', build).replace('@MOLFO_SHELL@', json.dumps(shell))
    write(out, 'sw.js', sw.encode('utf-8'))
    shutil.copyfile(os.path.join(args.web, 'manifest.webmanifest'), os.path.join(out, 'manifest.webmanifest'))
    notices = []
    for n in args.notices:
        with open(n, encoding='utf-8') as f:
            notices.append(f.read().strip('\n') + '\n')
    write(out, 'notices.txt', ('\n' + '=' * 76 + '\n\n').join(notices).encode('utf-8'))
    compress(out, args.brotli)
    total = sum(p['size'] for p in packs)
    print(f'pack.py: build {build}, {len(packs)} packs, {total} bytes of data', file=sys.stderr)


if __name__ == '__main__':
    main()

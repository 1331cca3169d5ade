#!/usr/bin/env python3
"""Writes the characters a font of the page must hold, one text file for
pyftsubset's --text-file: every printable ASCII character and every other
character of the game's sources and translations (the labels, the help, the
boxes, the settings page in every language), and with --names every
character CP932 can encode, which is what a player's name may hold.

    font_chars.py OUT [--names] FILE_OR_FOLDER...
"""
import os
import sys

SOURCE_ENDINGS = ('.cpp', '.h', '.po')


def cp932_characters():
    chars = set()
    for lead in range(0x81, 0xFD):
        for trail in range(0x40, 0xFD):
            try:
                chars.add(bytes([lead, trail]).decode('cp932'))
            except UnicodeDecodeError:
                pass
    for single in range(0xA1, 0xE0):  # half-width katakana
        chars.add(bytes([single]).decode('cp932'))
    return chars


def files(paths):
    for p in paths:
        if os.path.isdir(p):
            for root, _, names in os.walk(p):
                for n in sorted(names):
                    if n.endswith(SOURCE_ENDINGS):
                        yield os.path.join(root, n)
        else:
            yield p


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    out, rest = argv[1], argv[2:]
    names = '--names' in rest
    chars = {chr(c) for c in range(0x20, 0x7F)}
    for f in files(a for a in rest if a != '--names'):
        with open(f, encoding='utf-8', errors='ignore') as text:
            chars.update(c for c in text.read() if ord(c) > 0x7F and c.isprintable())
    if names:
        chars |= cp932_characters()
    with open(out + '.tmp', 'w', encoding='utf-8') as o:
        o.write(''.join(sorted(chars)))
    os.replace(out + '.tmp', out)


if __name__ == '__main__':
    main(sys.argv)

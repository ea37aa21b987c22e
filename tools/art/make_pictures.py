#!/usr/bin/env python3
"""Draws the program's pictures into resources/: the instrument (bitmap 157,
also read at run time as instrument.bmp), the logo (bitmap 143) and the
application icon (128), and the head of the head detail dialog (bitmap 140). Needs python3 and ImageMagick's convert with the
DejaVu fonts (scripts/setup installs both). Run it from anywhere; the output
is committed, so the build does not need it."""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', '..', 'resources')
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)


def letter(ppm, size, text, dest, extra=()):
    w, h = size
    args = ['convert', ppm]
    for item in text:
        cx, cy, points, font, colour, t = item[:6]
        kerning = item[6] if len(item) > 6 else 0
        args += ['-gravity', 'center', '-font', font, '-pointsize', str(points), '-fill', colour,
                 '-kerning', str(kerning), '-annotate', '%+g%+g' % (cx - w / 2, cy - h / 2), t]
    args += list(extra) + [dest]
    subprocess.run(args, check=True)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        import draw_instrument
        ppm = os.path.join(tmp, 'instrument.ppm')
        w, h, text = draw_instrument.draw(ppm)
        letter(ppm, (w, h), text, 'BMP3:' + os.path.join(OUT, 'instrument.bmp'),
               ['-type', 'TrueColor'])

        import draw_logo
        ppm = os.path.join(tmp, 'logo.ppm')
        w, h, text = draw_logo.draw(ppm)
        letter(ppm, (w, h), text, 'BMP3:' + os.path.join(OUT, 'logo.bmp'), ['-type', 'TrueColor'])

        import draw_head
        ppm = os.path.join(tmp, 'head.ppm')
        w, h, text = draw_head.draw(ppm)
        letter(ppm, (w, h), text, 'BMP3:' + os.path.join(OUT, 'head.bmp'), ['-type', 'TrueColor'])

        import draw_icon
        png = os.path.join(OUT, 'icon.png')
        draw_icon.draw(os.path.join(tmp, 'icon.pam'), png)
        subprocess.run(['convert', png, '-define', 'icon:auto-resize=64,48,32,16',
                        os.path.join(OUT, 'icon.ico')], check=True)


if __name__ == '__main__':
    main()

"""The application icon (128): the logo's emblem on its own, 256 x 256 with
transparency; make_pictures.py also scales it into an .ico."""

import subprocess

from raster import Canvas, circle, clamp, ellipse, hexc, polygon, ramp, rect

S = 256
c = S / 2
R = 120
img = Canvas(S, S, (0.29, 0.12, 0.64))
img.fill(circle(c, c, R), lambda x, y: ramp([(0, '#a47cff'), (1, '#4a1fa3')])((y - c + R) / (2 * R)))
img.fill(circle(c, c, R - 8), lambda x, y: ramp([(0, '#9366f6'), (1, '#5224b3')])((y - c + R) / (2 * R)))
k = R / 42.0  # the logo's emblem, scaled


def P(x, y):
    return (c + x * k, c + y * k)


img.fill(polygon([P(-7, -9), P(7, -9), P(22, 27), P(-22, 27)]), hexc('#e9ddff'), soft=12, alpha=0.6)
img.fill(ellipse(c, c + 27 * k, 24 * k, 5 * k), hexc('#ffffff'), soft=10, alpha=0.9)
for i in range(4):
    (x0, y0), (x1, y1) = P(-12, -36 + i * 4), P(12, -33.5 + i * 4)
    img.fill(rect(x0, y0, x1, y1, 2), hexc('#ffffff'))
(x0, y0), (x1, y1) = P(-11, -20), P(11, -12)
img.fill(rect(x0, y0, x1, y1, 4), hexc('#ffffff'))
img.fill(polygon([P(-9, -12), P(9, -12), P(6, -7), P(-6, -7)]), hexc('#ffffff'))

disc = circle(c, c, R)[0]


def draw(pam, png):
    with open(pam, 'wb') as f:
        f.write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (S, S))
        out = bytearray()
        for y in range(S):
            for x in range(S):
                p = img.px[y * S + x]
                a = clamp(0.5 - disc(x + 0.5, y + 0.5))
                out += bytes(int(clamp(v) * 255 + 0.5) for v in p)
                out.append(int(a * 255 + 0.5))
        f.write(out)
    subprocess.run(['convert', pam, png], check=True)

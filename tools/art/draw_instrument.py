"""The instrument picture (445 x 367): the controller and its two optical heads
on their stand. Text is added afterwards by make_pictures.py (ImageMagick).

Head indicator windows: the LCD of head A spans x 275..323, y 119..145, of head
B x 347..395 (see HEADS); a 40 x 20 indicator at (cx - 21, 122) sits inside.
"""

from raster import (Canvas, bezier, circle, ellipse, hexc, mix, polygon, polyline, ramp, rect)

W, H = 445, 367
FONT, BOLD, MONO = "DejaVu-Sans", "DejaVu-Sans-Bold", "DejaVu-Sans-Mono-Bold"
HEADS = (300, 372)  # centre x of head A and head B

img = Canvas(W, H)

# Backdrop: a pale studio wall meeting a bench top.
wall = ramp([(0, '#fbfcfd'), (1, '#e6e9ed')])
bench = ramp([(0, '#d4d9df'), (1, '#c3c9d0')])


def backdrop(x, y, _):
    if y < 286:
        return wall(y / 286)
    if y < 292:
        return mix(wall(1.0), bench(0.0), (y - 286) / 6)
    return bench((y - 292) / (H - 292))


img.shade(backdrop)

ink = hexc('#1d2026')
violet = hexc('#7b3fe4')

# Cables leave the back of the controller and climb to the heads.
for cx, (sx, c1, c2) in zip(HEADS, ((112, (96, 40), (230, -6)), (150, (160, 70), (330, -20)))):
    pts = bezier((sx, 175), c1, c2, (cx, 40))
    img.fill(polyline(pts, 7.5), hexc('#25282e'))
    hi = [(x - 1.2, y - 1.0) for x, y in pts]
    img.fill(polyline(hi, 1.6), hexc('#5b616b'), alpha=0.8)

# --- Controller ---------------------------------------------------------------
x0, y0, x1, y1 = 16, 178, 236, 318
dx, dy = 14, -12
img.fill(ellipse(138, 322, 132, 9), ink, soft=14, alpha=0.45)
img.fill(polygon([(x0, y0), (x1, y0), (x1 + dx, y0 + dy), (x0 + dx, y0 + dy)]),
         lambda x, y: ramp([(0, '#6c737c'), (1, '#4e545c')])((y0 - y) / -dy))
img.fill(polygon([(x1, y0), (x1 + dx, y0 + dy), (x1 + dx, y1 + dy), (x1, y1)]),
         lambda x, y: ramp([(0, '#2d3137'), (1, '#1b1e22')])((x - x1) / dx))
front = ramp([(0, '#464c55'), (0.05, '#3a3f47'), (1, '#23272d')])
img.fill(rect(x0, y0, x1, y1, 4), lambda x, y: front((y - y0) / (y1 - y0)))
img.fill(rect(x0 + 1, y0 + 1, x1 - 1, y0 + 2.5), hexc('#767d87'), alpha=0.7)
# Feet.
for fx in (34, 200):
    img.fill(rect(fx, y1 - 2, fx + 22, y1 + 5, 2), hexc('#121417'))
# Inset front panel with a violet accent line.
img.fill(rect(24, 186, 228, 302, 4), hexc('#50565f'))
img.fill(rect(25, 187, 227, 301, 3.5),
         lambda x, y: ramp([(0, '#2f343b'), (1, '#262a30')])((y - 187) / 114))
img.fill(rect(16, 306, 236, 309), violet)
# LCD.
img.fill(rect(34, 214, 132, 252, 3), hexc('#111317'))
img.fill(rect(37, 217, 129, 249, 2),
         lambda x, y: ramp([(0, '#10324a'), (1, '#0b2233')])((y - 217) / 32))
img.fill(rect(38, 218, 128, 226), hexc('#ffffff'), alpha=0.05)
# Power button with its lit ring.
img.fill(circle(204, 224, 16), hexc('#8f6cff'), soft=8, alpha=0.35)
img.fill(circle(204, 224, 13), hexc('#9b7bff'))
img.fill(circle(204, 224, 11),
         lambda x, y: ramp([(0, '#e9ecf0'), (0.5, '#aeb5be'), (1, '#6d747d')])((y - 213) / 22))
img.fill(circle(204, 224, 8.5),
         lambda x, y: ramp([(0, '#9aa1aa'), (1, '#d8dde3')])((y - 215) / 17))
# Status lamps: power, channel A, channel B.
for lx, col in ((150, '#38d36a'), (172, '#9a6bff'), (194, '#9a6bff')):
    img.fill(circle(lx, 268, 7), hexc(col), soft=6, alpha=0.35)
    img.fill(circle(lx, 268, 3.6), hexc(col))
    img.fill(circle(lx - 1, 267, 1.4), hexc('#ffffff'), alpha=0.8)
# Trigger input (round DIN socket) and USB socket.
img.fill(circle(50, 278, 10), hexc('#a9b0b8'))
img.fill(circle(50, 278, 8), hexc('#15171a'))
for px, py in ((46, 276), (54, 276), (50, 282)):
    img.fill(circle(px, py, 1.3), hexc('#c9a227'))
img.fill(rect(76, 270, 94, 285, 2), hexc('#a9b0b8'))
img.fill(rect(78, 272, 92, 283, 1.5), hexc('#15171a'))
img.fill(rect(81, 276, 89, 281), hexc('#e3e6ea'))

# --- Stand --------------------------------------------------------------------
img.fill(ellipse(350, 333, 100, 7), ink, soft=12, alpha=0.4)
img.fill(polygon([(266, 306), (430, 306), (438, 318), (258, 318)]),
         lambda x, y: ramp([(0, '#cfd4da'), (1, '#b9bfc6')])((y - 306) / 12))
img.fill(rect(258, 318, 438, 331, 2),
         lambda x, y: ramp([(0, '#9aa1aa'), (1, '#747b84')])((y - 318) / 13))
alu = ramp([(0, '#7e858e'), (0.18, '#d7dce2'), (0.38, '#f4f6f8'), (0.7, '#b7bdc5'), (1, '#6f767f')])
img.fill(rect(412, 300, 432, 310, 2), lambda x, y: alu((x - 412) / 20))
img.fill(rect(416, 34, 428, 302), lambda x, y: alu((x - 416) / 12))
img.fill(rect(258, 34, 430, 48, 3), lambda x, y: alu((y - 34) / 14))
img.fill(rect(408, 30, 434, 52, 3), lambda x, y: ramp([(0, '#3c4148'), (1, '#24282d')])((y - 30) / 22))
img.fill(circle(421, 41, 3.5), hexc('#b9bfc6'))

# --- Optical heads ------------------------------------------------------------
fin = ramp([(0, '#2b2f35'), (0.3, '#6a717a'), (0.45, '#8d949d'), (0.75, '#474d55'), (1, '#24282d')])
body = alu
for cx in HEADS:
    # UV light falling on the bench, drawn first so the head stands in front.
    img.fill(polygon([(cx - 13, 214), (cx + 13, 214), (cx + 32, 311), (cx - 32, 311)]),
             hexc('#8a5cff'), soft=8, alpha=0.22)
    img.fill(polygon([(cx - 9, 214), (cx + 9, 214), (cx + 20, 311), (cx - 20, 311)]),
             hexc('#a07cff'), soft=5, alpha=0.22)
    img.fill(ellipse(cx, 312, 34, 6), hexc('#9b6bff'), soft=10, alpha=0.55)
    img.fill(ellipse(cx, 312, 24, 3.5), hexc('#d9c6ff'), soft=3, alpha=0.85)

    img.fill(rect(cx - 31, 60, cx + 31, 198, 5), ink, soft=8, alpha=0.25, grow=2)
    # Clamp around the arm.
    img.fill(rect(cx - 17, 30, cx + 17, 58, 3),
             lambda x, y: ramp([(0, '#3c4148'), (1, '#22262b')])((y - 30) / 28))
    img.fill(circle(cx, 41, 3.5), hexc('#b9bfc6'))
    # Heat sink.
    img.fill(rect(cx - 27, 56, cx + 27, 100, 2), hexc('#1c1f23'))
    for i in range(9):
        fy = 58 + i * 4.6
        img.fill(rect(cx - 28, fy, cx + 28, fy + 3, 1.2),
                 lambda x, y, cx=cx: fin((x - cx + 28) / 56))
    # Body.
    img.fill(rect(cx - 30, 98, cx + 30, 192, 5), lambda x, y, cx=cx: body((x - cx + 30) / 60))
    img.fill(rect(cx - 29, 99, cx + 29, 100.5), hexc('#ffffff'), alpha=0.6)
    # Indicator window.
    img.fill(rect(cx - 28, 116, cx + 26, 148, 3), hexc('#2a2e34'))
    img.fill(rect(cx - 25, 119, cx + 23, 145, 1.5),
             lambda x, y: ramp([(0, '#dfe9d8'), (1, '#c7d6bf')])((y - 119) / 26))
    img.fill(rect(cx - 25, 119, cx + 23, 121), hexc('#000000'), alpha=0.12)
    # Channel badge.
    img.fill(circle(cx, 164, 8.5), hexc('#5a2db3'))
    img.fill(circle(cx, 164, 7.5),
             lambda x, y: ramp([(0, '#9366f0'), (1, '#6330cc')])((y - 156) / 16))
    # Collar, nose and lens.
    img.fill(rect(cx - 31, 188, cx + 31, 197, 2),
             lambda x, y: ramp([(0, '#454b53'), (1, '#22262b')])((y - 188) / 9))
    img.fill(polygon([(cx - 25, 197), (cx + 25, 197), (cx + 16, 213), (cx - 16, 213)]),
             lambda x, y, cx=cx: body((x - cx + 25) / 50))
    img.fill(ellipse(cx, 214, 15.5, 4.2), hexc('#1a1030'))
    img.fill(ellipse(cx, 214.6, 12, 2.6),
             lambda x, y, cx=cx: ramp([(0, '#6a3fd0'), (0.5, '#d8c4ff'), (1, '#6a3fd0')])(
                 (x - cx + 12) / 24))


# Lettering: (centre x, centre y, point size, font, colour, text).
TEXT = [
    (77, 203, 12, BOLD, '#eef0f5', 'L U M I F L E X'),
    (177, 203, 6, FONT, '#9aa2ad', 'UV LED CURING SYSTEM'),
    (64, 229, 11, MONO, '#8ee8ff', 'READY'),
    (83, 241, 7, MONO, '#53b9dc', 'CH A  CH B  EXT'),
    (150, 281, 6, FONT, '#a3abb5', 'POWER'),
    (172, 281, 6, FONT, '#a3abb5', 'A'),
    (194, 281, 6, FONT, '#a3abb5', 'B'),
    (50, 295, 6, FONT, '#a3abb5', 'TRIGGER'),
    (85, 295, 6, FONT, '#a3abb5', 'USB'),
]
for cx, letter in zip(HEADS, 'AB'):
    TEXT.append((cx, 164, 9, BOLD, '#ffffff', letter))
    TEXT.append((cx, 180, 7, BOLD, '#5b626b', 'RVX'))


def draw(path):
    img.save_ppm(path)
    return W, H, TEXT

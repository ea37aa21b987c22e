"""The logo (bitmap 143, 308 x 118): an emblem of a curing head and its beam,
the name and the line of business, on a small card.

The main window shows the bitmap from client pixel (48, 7) (32, 4 dialog
units at 6 x 13 base units) and opens the configuration on a Ctrl-click in
x 23..177, y 6..61. So the card and all it holds lie in the bitmap's pixels
x 0..129, y 0..54 (CARD); the rest of the bitmap is the dialog's own grey, so
what a person sees as the logo is exactly what answers the click."""

from raster import Canvas, circle, ellipse, hexc, polygon, ramp, rect

W, H = 308, 118
CARD = (0, 0, 129, 54)  # first and last pixel columns and rows, inclusive
WINDOW = '#efefef'  # the dialog's background as the Qt backend draws it

img = Canvas(W, H, hexc(WINDOW))
cx0, cy0, cx1, cy1 = CARD[0], CARD[1], CARD[2] + 1, CARD[3] + 1
card = ramp([(0, '#ffffff'), (1, '#eef0f4')])
img.fill(rect(cx0 + 0.5, cy0 + 0.5, cx1 - 0.5, cy1 - 0.5, 4), hexc('#c9ced6'))
img.fill(rect(cx0 + 1.5, cy0 + 1.5, cx1 - 1.5, cy1 - 1.5, 3), lambda x, y: card((y - cy0) / (cy1 - cy0)))

# Emblem: a violet disc with a head shining down onto a spot. Drawn in the
# units of a disc of radius 42 and scaled to this one.
ex, ey, er = 27.5, 27.5, 22.0
s = er / 42.0


def at(x, y):
    """A point given relative to the centre of a radius-42 disc."""
    return ex + x * s, ey + y * s


img.fill(circle(ex, ey + 1, er), hexc('#000000'), soft=4, alpha=0.18)
img.fill(circle(ex, ey, er), lambda x, y: ramp([(0, '#a47cff'), (1, '#4a1fa3')])((y - ey + er) / (2 * er)))
img.fill(circle(ex, ey, er - 1.5), hexc('#ffffff'), alpha=0.10, soft=1)
img.fill(circle(ex, ey, er - 2), lambda x, y: ramp([(0, '#9366f6'), (1, '#5224b3')])((y - ey + er) / (2 * er)))
# Beam and spot, kept inside the disc.
img.fill(polygon([at(-7, -9), at(7, -9), at(22, 27), at(-22, 27)]), hexc('#e9ddff'), soft=3, alpha=0.55)
img.fill(ellipse(*at(0, 27), 24 * s, 5 * s), hexc('#ffffff'), soft=2, alpha=0.85)
# The head: heat sink, body and nose in white.
for i in range(4):
    x0, y0 = at(-12, -36 + i * 4)
    x1, y1 = at(12, -33.5 + i * 4)
    img.fill(rect(x0, y0, x1, y1, 0.5), hexc('#ffffff'))
img.fill(rect(*at(-11, -20), *at(11, -12), 1), hexc('#ffffff'))
img.fill(polygon([at(-9, -12), at(9, -12), at(6, -7), at(-6, -7)]), hexc('#ffffff'))

# Rule under the name.
img.fill(rect(57, 30, 121, 31.5, 0.5), lambda x, y: ramp([(0, '#7b3fe4'), (1, '#c9b0ff')])((x - 57) / 64))

# The name right of the emblem, the line of business under the rule.
TEXT = [
    (89, 19, 15.5, 'DejaVu-Sans-Bold', '#22262d', 'Lumiflex', -0.4),
    (89, 40, 6.5, 'DejaVu-Sans', '#5d6470', 'UV LED CURING', 0.5),
]


def draw(path):
    img.save_ppm(path)
    return W, H, TEXT

"""The logo (bitmap 143, 308 x 118): an emblem of a curing head and its beam,
the name and the line of business."""

from raster import Canvas, circle, ellipse, hexc, polygon, ramp, rect

W, H = 308, 118

img = Canvas(W, H)
card = ramp([(0, '#ffffff'), (1, '#eef0f4')])
img.shade(lambda x, y, _: card(y / H))
img.fill(rect(0.5, 0.5, W - 0.5, H - 0.5, 6), hexc('#c9ced6'))
img.fill(rect(1.5, 1.5, W - 1.5, H - 1.5, 5), lambda x, y: card(y / H))

# Emblem: a violet disc with a head shining down onto a spot.
ex, ey, er = 60, 59, 42
img.fill(circle(ex, ey + 2, er), hexc('#000000'), soft=8, alpha=0.18)
img.fill(circle(ex, ey, er), lambda x, y: ramp([(0, '#a47cff'), (1, '#4a1fa3')])((y - ey + er) / (2 * er)))
img.fill(circle(ex, ey, er - 3), hexc('#ffffff'), alpha=0.10, soft=2)
img.fill(circle(ex, ey, er - 4), lambda x, y: ramp([(0, '#9366f6'), (1, '#5224b3')])((y - ey + er) / (2 * er)))
# Beam and spot, clipped to the disc by staying inside it.
img.fill(polygon([(ex - 7, 50), (ex + 7, 50), (ex + 22, 86), (ex - 22, 86)]),
         hexc('#e9ddff'), soft=5, alpha=0.55)
img.fill(ellipse(ex, 86, 24, 5), hexc('#ffffff'), soft=4, alpha=0.85)
# The head: heat sink, body and nose in white.
for i in range(4):
    img.fill(rect(ex - 12, 23 + i * 4, ex + 12, 25.5 + i * 4, 1), hexc('#ffffff'))
img.fill(rect(ex - 11, 39, ex + 11, 47, 1.5), hexc('#ffffff'))
img.fill(polygon([(ex - 9, 47), (ex + 9, 47), (ex + 6, 52), (ex - 6, 52)]), hexc('#ffffff'))

# Rule under the name.
img.fill(rect(116, 73, 292, 75.5, 1), lambda x, y: ramp([(0, '#7b3fe4'), (1, '#c9b0ff')])((x - 116) / 176))

TEXT = [
    (203, 46, 43, 'DejaVu-Sans-Condensed-Bold', '#22262d', 'Lumiflex', -0.5),
    (204, 91, 10.5, 'DejaVu-Sans', '#5d6470', 'UV LED CURING SYSTEMS', 1.6),
]


def draw(path):
    img.save_ppm(path)
    return W, H, TEXT

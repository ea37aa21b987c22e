"""The head picture of the head detail dialog (bitmap 140, 152 x 141): one
optical head seen from the front, shining onto the bench. Text is added
afterwards by make_pictures.py (ImageMagick)."""

from raster import Canvas, circle, ellipse, hexc, polygon, ramp, rect

W, H = 152, 141
BOLD = "DejaVu-Sans-Bold"
CX = 76

img = Canvas(W, H)
wall = ramp([(0, '#fbfcfd'), (1, '#e4e8ec')])
bench = ramp([(0, '#d4d9df'), (1, '#c0c6cd')])
img.shade(lambda x, y, _: wall(y / 118) if y < 118 else bench((y - 118) / (H - 118)))

ink = hexc('#1d2026')
alu = ramp([(0, '#7e858e'), (0.18, '#d7dce2'), (0.38, '#f4f6f8'), (0.7, '#b7bdc5'), (1, '#6f767f')])
fin = ramp([(0, '#2b2f35'), (0.3, '#6a717a'), (0.45, '#8d949d'), (0.75, '#474d55'), (1, '#24282d')])

# Light falling on the bench, drawn first so the head stands in front of it.
img.fill(polygon([(CX - 11, 104), (CX + 11, 104), (CX + 30, 128), (CX - 30, 128)]),
         hexc('#8a5cff'), soft=7, alpha=0.22)
img.fill(ellipse(CX, 128, 34, 6), hexc('#9b6bff'), soft=9, alpha=0.55)
img.fill(ellipse(CX, 128, 23, 3.5), hexc('#d9c6ff'), soft=3, alpha=0.85)

# Shadow, cable and clamp.
img.fill(rect(CX - 28, 18, CX + 28, 96, 5), ink, soft=8, alpha=0.25, grow=2)
img.fill(rect(CX - 3, 0, CX + 3, 8), hexc('#25282e'))
img.fill(rect(CX - 14, 6, CX + 14, 20, 3),
         lambda x, y: ramp([(0, '#3c4148'), (1, '#22262b')])((y - 6) / 14))
img.fill(circle(CX, 13, 2.8), hexc('#b9bfc6'))
# Heat sink.
img.fill(rect(CX - 24, 19, CX + 24, 44, 2), hexc('#1c1f23'))
for i in range(6):
    fy = 20 + i * 4.2
    img.fill(rect(CX - 25, fy, CX + 25, fy + 2.8, 1.1), lambda x, y: fin((x - CX + 25) / 50))
# Body with its window and channel badge.
img.fill(rect(CX - 27, 43, CX + 27, 92, 4), lambda x, y: alu((x - CX + 27) / 54))
img.fill(rect(CX - 26, 44, CX + 26, 45.3), hexc('#ffffff'), alpha=0.6)
img.fill(rect(CX - 22, 50, CX + 22, 66, 2.5), hexc('#2a2e34'))
img.fill(rect(CX - 20, 52, CX + 20, 64, 1.2),
         lambda x, y: ramp([(0, '#dfe9d8'), (1, '#c7d6bf')])((y - 52) / 12))
img.fill(circle(CX, 77, 8.5), hexc('#5a2db3'))
img.fill(circle(CX, 77, 7.6), lambda x, y: ramp([(0, '#9366f0'), (1, '#6330cc')])((y - 69) / 16))
# Collar, nose and lens.
img.fill(rect(CX - 28, 89, CX + 28, 96, 2),
         lambda x, y: ramp([(0, '#454b53'), (1, '#22262b')])((y - 89) / 7))
img.fill(polygon([(CX - 22, 96), (CX + 22, 96), (CX + 14, 104), (CX - 14, 104)]),
         lambda x, y: alu((x - CX + 22) / 44))
img.fill(ellipse(CX, 104.5, 13.5, 3.6), hexc('#1a1030'))
img.fill(ellipse(CX, 105, 10.5, 2.2),
         lambda x, y: ramp([(0, '#6a3fd0'), (0.5, '#d8c4ff'), (1, '#6a3fd0')])((x - CX + 10.5) / 21))

# Lettering: (centre x, centre y, point size, font, colour, text).
TEXT = [
    (CX, 58, 7, BOLD, '#3d4a3a', 'UV LED'),
    (CX, 77, 5, BOLD, '#ffffff', 'RVX'),
]


def draw(path):
    img.save_ppm(path)
    return W, H, TEXT

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the programs' 32x32, 16-colour icons and writes them as XPM.

Shapes are sampled 4x4 per pixel and every pixel is then snapped to the
icon's own 16-colour palette. Run it again after changing a drawing.
"""
import math
import os

N = 32
SS = 4


def render(shade):
    """shade(x, y) -> (r, g, b, a) in 0..1 for a point in icon units."""
    img = []
    for py in range(N):
        row = []
        for px in range(N):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = shade(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a < 0.5:
                row.append(None)
            else:
                row.append(tuple(min(255, int(round(c / acc[3] * 255))) for c in acc[:3]))
        img.append(row)
    return img


def write_xpm(path, name, img, palette):
    chars = ".#abcdefghijklmn"
    def nearest(c):
        return min(range(len(palette)), key=lambda i: sum((c[k] - palette[i][k]) ** 2 for k in range(3)))
    lines = ['/* XPM */', 'static const char *%s[] = {' % name,
             '"%d %d %d 1",' % (N, N, len(palette) + 1), '"  c None",']
    for i, c in enumerate(palette):
        lines.append('"%s c #%02X%02X%02X",' % ((chars[i],) + tuple(c)))
    for row in img:
        lines.append('"%s",' % ''.join(' ' if p is None else chars[nearest(p)] for p in row))
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def rounded_square(x, y, r=6.0, m=1.0):
    cx = min(max(x, m + r), N - m - r)
    cy = min(max(y, m + r), N - m - r)
    return math.hypot(x - cx, y - cy) <= r


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def player(x, y):
    """A note on an evening-blue tile with a soft sound wave."""
    if not rounded_square(x, y):
        return (0, 0, 0, 0)
    t = y / N
    bg = mix((0.36, 0.20, 0.62), (0.10, 0.42, 0.78), t)
    # sound waves to the right
    d = math.hypot(x - 13, y - 22)
    for radius in (12.5, 16.5):
        if abs(d - radius) < 0.9 and x > 18 and y < 26:
            return (*mix(bg, (0.75, 0.92, 1.0), 0.75), 1)
    # the note: two heads joined by a beam
    white = (1.0, 0.98, 0.90)
    for hx, hy in ((9.5, 23.0), (19.5, 20.5)):
        if ((x - hx) / 3.6) ** 2 + ((y - hy) / 2.7) ** 2 <= 1:
            return (*white, 1)
    if 12.2 <= x <= 13.8 and 8.5 <= y <= 23:
        return (*white, 1)
    if 22.2 <= x <= 23.8 and 6 <= y <= 20.5:
        return (*white, 1)
    beam_top = 8.5 - (x - 12.2) * (2.5 / 11.6)
    if 12.2 <= x <= 23.8 and beam_top - 0.3 <= y <= beam_top + 3.0:
        return (*white, 1)
    return (*bg, 1)


def restore(x, y):
    """A circular arrow coming back on itself, on a green tile."""
    if not rounded_square(x, y):
        return (0, 0, 0, 0)
    bg = mix((0.12, 0.55, 0.35), (0.05, 0.35, 0.30), y / N)
    cx, cy = 16.0, 17.0
    d = math.hypot(x - cx, y - cy)
    ang = math.degrees(math.atan2(y - cy, x - cx))  # 0 right, 90 down
    white = (1.0, 1.0, 0.95)
    if 6.5 <= d <= 9.5 and not (-100 < ang < -40):
        return (*white, 1)
    # arrow head at the gap's start, pointing clockwise (to the right, up top)
    ax, ay = 16.5, 9.0
    if x >= ax - 1 and abs(y - ay) <= (ax + 6 - x) * 0.75 and x <= ax + 6:
        return (*white, 1)
    return (*bg, 1)


def palette_for(img, k=15):
    """Picks k colours by a few rounds of k-means over the icon's pixels."""
    pts = [p for row in img for p in row if p is not None]
    uniq = sorted(set(pts))
    centers = [uniq[i * len(uniq) // k] for i in range(k)] if len(uniq) >= k else uniq
    for _ in range(12):
        groups = [[] for _ in centers]
        for p in pts:
            i = min(range(len(centers)), key=lambda j: sum((p[c] - centers[j][c]) ** 2 for c in range(3)))
            groups[i].append(p)
        centers = [tuple(int(sum(q[c] for q in g) / len(g)) for c in range(3)) if g else centers[i]
                   for i, g in enumerate(groups)]
    return sorted(set(centers))


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for name, fn in (('merosonx', player), ('return', restore)):
        img = render(fn)
        write_xpm(os.path.join(here, name + '.xpm'), name + '_xpm', img, palette_for(img))

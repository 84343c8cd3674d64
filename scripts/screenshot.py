#!/usr/bin/python3
"""Renders a captured terminal screen (tmux capture-pane -p -e) to a PNG picture.

Usage: screenshot.py CAPTURE.txt OUT.png [--cols N] [--rows N] [--cursor X,Y] [--title TEXT]

Understands the SGR sequences tmux writes in a capture: 16, 256 and 24-bit colours, bold,
underline, reverse, and the resets. Wide (East Asian) characters take two cells, as on screen.
Needs Debian's python3-pil and fonts-dejavu-core, fonts-wqy-zenhei for the Chinese texts.
"""
import argparse
import re
import unicodedata

from PIL import Image, ImageDraw, ImageFont

MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
MONO_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"
CJK = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

BG = (24, 24, 28)
FG = (204, 204, 204)
ANSI16 = [
    (12, 12, 12), (197, 15, 31), (19, 161, 14), (193, 156, 0),
    (0, 55, 218), (136, 23, 152), (58, 150, 221), (204, 204, 204),
    (118, 118, 118), (231, 72, 86), (22, 198, 12), (249, 241, 165),
    (59, 120, 255), (180, 0, 158), (97, 214, 214), (242, 242, 242),
]


def xterm256(n):
    if n < 16:
        return ANSI16[n]
    if n < 232:
        n -= 16
        steps = [0, 95, 135, 175, 215, 255]
        return (steps[n // 36], steps[(n // 6) % 6], steps[n % 6])
    v = 8 + (n - 232) * 10
    return (v, v, v)


class Style:
    def __init__(self):
        self.reset()

    def reset(self):
        self.fg = None
        self.bg = None
        self.bold = False
        self.underline = False
        self.reverse = False

    def copy(self):
        s = Style()
        s.__dict__.update(self.__dict__)
        return s

    def apply(self, params):
        nums = [int(p) if p else 0 for p in params.split(";")] if params else [0]
        i = 0
        while i < len(nums):
            n = nums[i]
            if n == 0:
                self.reset()
            elif n == 1:
                self.bold = True
            elif n == 22:
                self.bold = False
            elif n == 4:
                self.underline = True
            elif n == 24:
                self.underline = False
            elif n == 7:
                self.reverse = True
            elif n == 27:
                self.reverse = False
            elif 30 <= n <= 37:
                self.fg = ANSI16[n - 30]
            elif 90 <= n <= 97:
                self.fg = ANSI16[n - 90 + 8]
            elif 40 <= n <= 47:
                self.bg = ANSI16[n - 40]
            elif 100 <= n <= 107:
                self.bg = ANSI16[n - 100 + 8]
            elif n == 39:
                self.fg = None
            elif n == 49:
                self.bg = None
            elif n in (38, 48) and i + 1 < len(nums):
                if nums[i + 1] == 2 and i + 4 < len(nums):
                    colour = tuple(nums[i + 2:i + 5])
                    i += 4
                elif nums[i + 1] == 5 and i + 2 < len(nums):
                    colour = xterm256(nums[i + 2])
                    i += 2
                else:
                    colour = None
                if n == 38:
                    self.fg = colour
                else:
                    self.bg = colour
            i += 1


def parse(text):
    rows = []
    for line in text.split("\n"):
        style = Style() if not rows else rows[-1][1]
        cells = []
        pos = 0
        for m in re.finditer(r"\x1b\[([0-9;]*)m|(.)", line):
            if m.group(2) is None:
                style = style.copy()
                style.apply(m.group(1))
                continue
            ch = m.group(2)
            if ch == "\x1b":
                continue
            wide = unicodedata.east_asian_width(ch) in ("W", "F")
            cells.append((ch, style, wide))
            pos += 2 if wide else 1
        rows.append((cells, style))
    return [r[0] for r in rows]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("capture")
    ap.add_argument("out")
    ap.add_argument("--cols", type=int, default=0)
    ap.add_argument("--rows", type=int, default=0)
    ap.add_argument("--cursor", default="")
    ap.add_argument("--size", type=int, default=16)
    args = ap.parse_args()

    with open(args.capture, encoding="utf-8", errors="replace") as f:
        text = f.read().rstrip("\n")
    rows = parse(text)
    if args.rows:
        rows = rows[: args.rows]
    font = ImageFont.truetype(MONO, args.size)
    bold = ImageFont.truetype(MONO_BOLD, args.size)
    cjk = ImageFont.truetype(CJK, args.size)
    cw = round(font.getlength("M"))
    ch = round(args.size * 1.35)
    cols = args.cols or max((sum(2 if w else 1 for _, _, w in r) for r in rows), default=1)
    pad = 12
    img = Image.new("RGB", (cols * cw + 2 * pad, max(len(rows), 1) * ch + 2 * pad), BG)
    draw = ImageDraw.Draw(img)
    for y, cells in enumerate(rows):
        x = 0
        for c, st, wide in cells:
            fg = st.fg or FG
            bg = st.bg
            if st.reverse:
                fg, bg = (bg or BG), fg
            width = 2 if wide else 1
            px, py = pad + x * cw, pad + y * ch
            if bg:
                draw.rectangle([px, py, px + width * cw - 1, py + ch - 1], fill=bg)
            f = cjk if wide or ord(c) > 0x2E7F else (bold if st.bold else font)
            draw.text((px, py + (ch - args.size) // 2 - 1), c, font=f, fill=fg)
            if st.underline:
                draw.line([px, py + ch - 2, px + width * cw - 1, py + ch - 2], fill=fg)
            x += width
    if args.cursor:
        cx, cy = (int(v) for v in args.cursor.split(","))
        px, py = pad + cx * cw, pad + cy * ch
        draw.rectangle([px, py + ch - 3, px + cw - 1, py + ch - 1], fill=FG)
    img.save(args.out)


if __name__ == "__main__":
    main()

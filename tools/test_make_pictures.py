# SPDX-License-Identifier: MIT
"""Run with: python3 -m unittest discover -s tools -p 'test_make_pictures.py'"""

import struct
import unittest
from pathlib import Path

import make_pictures as mp

DAT = Path(__file__).resolve().parent.parent / "dat"


def header(data):
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    fields = struct.unpack_from("<IiiHHIIiiII", data, 14)
    return magic, size, offset, fields


class Bitmap(unittest.TestCase):
    def test_top_left_pixel_lands_first_in_the_last_stored_row_as_bgr(self):
        c = mp.Canvas((0, 0, 0))
        c.pixel(0, 0, (255, 10, 0))
        c.pixel(mp.W - 1, mp.H - 1, (1, 2, 3))
        data = c.bmp()
        _, _, offset, _ = header(data)
        stride = (mp.W * 3 + 3) & ~3
        self.assertEqual(data[offset:offset + 3], bytes((0, 0, 0)))
        self.assertEqual(data[offset + (mp.W - 1) * 3:offset + mp.W * 3], bytes((3, 2, 1)))
        top = offset + (mp.H - 1) * stride
        self.assertEqual(data[top:top + 3], bytes((0, 10, 255)))

    def test_shipped_pictures_are_ten_distinct_640_by_480_24_bit_bitmaps(self):
        seen = set()
        for n in range(10):
            data = (DAT / f"{n:02d}.bmp").read_bytes()
            magic, size, offset, fields = header(data)
            self.assertEqual((magic, size, offset), (b"BM", len(data), 54))
            info_size, width, height, planes, bpp, compression, image_size = fields[:7]
            self.assertEqual((info_size, width, height, planes, bpp, compression), (40, 640, 480, 1, 24, 0))
            self.assertEqual(image_size, len(data) - offset)
            seen.add(data)
        self.assertEqual(len(seen), 10)


if __name__ == "__main__":
    unittest.main()

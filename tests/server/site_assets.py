"""Bytes of the test site that are not kept as files: images, an icon, a font and a GBK page.

Everything is generated here so that no binary file has to live in the repository.
"""

import struct
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, rgb, stripe=None):
    """A valid RGB PNG of one colour; `stripe` (an RGB triple) paints every other row."""
    rows = []
    for y in range(height):
        colour = stripe if stripe is not None and y % 2 else rgb
        rows.append(b"\x00" + bytes(colour) * width)  # filter type 0 per row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (
        PNG_SIGNATURE
        + _png_chunk(b"IHDR", header)
        + _png_chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
        + _png_chunk(b"IEND", b"")
    )


def ico_from_png(png_bytes, size):
    """A one-image .ico file that embeds a PNG (accepted by every current browser)."""
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png_bytes), 6 + 16)
    return directory + entry + png_bytes


# A stand-in web font: only its type and bytes matter to the archive tests.
FAKE_WOFF2 = b"wOF2\x00\x01\x00\x00" + bytes(range(256)) + b"\x00" * 16

GBK_TITLE = "中文页面"
GBK_PAGE = (
    '<!DOCTYPE html>\n<html>\n<head>\n<meta charset="gbk">\n'
    "<title>" + GBK_TITLE + "</title>\n</head>\n<body>\n"
    "<p>简体中文网页：数据表格，服务器测试。</p>\n"
    # Trail bytes 0x5C ("\\"), 0x7C ("|") and capital letters: easy to damage byte by byte.
    "<p>乗俓僜 亅倈億 丄丅丆</p>\n"
    '<img src="img/red.png" alt="红色">\n'
    "</body>\n</html>\n"
).encode("gbk")

# Images of the test site, by path below /site/.
SITE_IMAGES = {
    "img/red.png": png(32, 32, (220, 30, 30)),
    "img/blue.png": png(20, 20, (30, 60, 220)),
    "img/inline.png": png(16, 16, (30, 180, 60)),
    "img/attr.png": png(16, 16, (120, 30, 160)),
    "img/bg.png": png(8, 8, (240, 200, 40), stripe=(60, 60, 60)),
    "img/frame.png": png(24, 24, (220, 40, 200)),
}
FAVICON = ico_from_png(png(16, 16, (250, 140, 20)), 16)

SITE50_COUNT = 50


def site50_page():
    imgs = "".join('<img src="img/%d.png" alt="%d">\n' % (i, i) for i in range(SITE50_COUNT))
    return ("<!DOCTYPE html>\n<html>\n<head>\n<title>Fifty images</title>\n</head>\n<body>\n"
            + imgs + "</body>\n</html>\n").encode("ascii")


def site50_image(index):
    return png(8, 8, ((index * 37) % 256, (index * 91) % 256, (index * 53) % 256))


# A WeChat public-account article as such pages are served: the body's images only in data-src,
# which the page's script copies into src when they scroll into view.
WECHAT_PAGE = (
    b'<!DOCTYPE html><html><head><meta charset="utf-8"><title>lazy</title>'
    b'<link rel="preload" as="style" href="late.css" onload="this.onload=null;'
    b'this.rel=\'stylesheet\'"></head><body>'
    b'<img class="rich_pages" data-src="img/1.png?wx_fmt=png&amp;from=appmsg" data-ratio="1">'
    b'<img src="data:image/gif;base64,R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="'
    b' data-src="img/2.png?wx_fmt=png">'
    b'<img src="img/placeholder.gif" data-original="img/3.png">'
    b'<img data-src="img/missing.png">'
    b'<picture><source data-srcset="img/4.png 1x, img/4@2x.png 2x"><img data-src="img/4.png">'
    b'</picture>'
    b'<svg width="8" height="8"><use href="icons.svg#home"/></svg>'
    b'</body></html>')

ICONS_SVG = (b'<svg xmlns="http://www.w3.org/2000/svg"><symbol id="home" viewBox="0 0 8 8">'
             b'<rect width="8" height="8" fill="#1e3cdc"/></symbol></svg>')

CAP_SETS = 40
CAP_CANDIDATES = 12
CAP_IMAGES = 30


def cap_page():
    """More references than one archive holds, the images a reader sees last in the document."""
    html = ['<html><body>']
    for s in range(CAP_SETS):
        candidates = ', '.join('img/set%d-%dx.png %dx' % (s, c + 1, c + 1)
                               for c in range(CAP_CANDIDATES))
        html.append('<img srcset="%s">' % candidates)
    for i in range(CAP_IMAGES):
        html.append('<img src="img/real%d.png">' % i)
    html.append('<iframe src="frame.html"></iframe></body></html>')
    return ''.join(html).encode('ascii')

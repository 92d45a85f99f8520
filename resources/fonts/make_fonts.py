#!/usr/bin/env python3
"""Makes the window's three TrueType fonts from Inter (SIL Open Font
License 1.1, Debian package fonts-inter):

    ks_display.ttf   "KS Display" Bold   (from Inter Display Bold)
    ks_text.ttf      "KS Text" Regular   (from Inter Regular)
    ks_text_medium.ttf "KS Text" Medium, weight 500 (from Inter Medium)

Each is subset to the Latin and Cyrillic letters that the sixteen interface
languages need (the system substitutes for Chinese and Japanese), converted
from CFF to TrueType outlines and renamed. The output is byte-for-byte the
same for the same input fonts.

    make_fonts.py SOURCE_DIR OUTPUT_DIR
"""
import pathlib
import sys

from fontTools import subset
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable

FONTS = [
    # output, source file, family, style, weight, bold
    ("ks_display.ttf", "InterDisplay-Bold.otf", "KS Display", "Bold", 700, True),
    ("ks_text.ttf", "Inter-Regular.otf", "KS Text", "Regular", 400, False),
    ("ks_text_medium.ttf", "Inter-Medium.otf", "KS Text", "Medium", 500, False),
]

# Basic Latin, Latin-1, Latin Extended-A (Czech, Turkish), the Uzbek
# modifier letters, Cyrillic with the Kazakh and Ukrainian letters, general
# punctuation and a few symbols.
UNICODES = (
    list(range(0x20, 0x7F)) + list(range(0xA0, 0x180)) + [0x192, 0x218, 0x219, 0x21A, 0x21B]
    + [0x2BB, 0x2BC, 0x2C6, 0x2C7, 0x2D8, 0x2D9, 0x2DA, 0x2DB, 0x2DC, 0x2DD]
    + list(range(0x400, 0x460)) + list(range(0x490, 0x4C0)) + list(range(0x4D0, 0x500))
    + list(range(0x2010, 0x2028)) + list(range(0x2030, 0x203B)) + [0x2044, 0x20AC, 0x20B8, 0x20BD,
                                                                  0x20BA, 0x2116, 0x2122, 0x2212]
)

COPYRIGHT = ("Derived from Inter, Copyright (c) 2016 The Inter Project Authors. "
             "Licensed under the SIL Open Font License, Version 1.1.")


def to_truetype(font):
    """Replaces the CFF outlines by quadratic TrueType ones."""
    glyph_order = font.getGlyphOrder()
    glyph_set = font.getGlyphSet()
    glyf = newTable("glyf")
    glyf.glyphOrder = glyph_order
    glyf.glyphs = {}
    for name in glyph_order:
        pen = TTGlyphPen(None)
        glyph_set[name].draw(Cu2QuPen(pen, max_err=1.0, reverse_direction=True))
        glyf[name] = pen.glyph()
    font["glyf"] = glyf
    font["loca"] = newTable("loca")
    del font["CFF "]
    if "VORG" in font:
        del font["VORG"]
    maxp = font["maxp"]
    maxp.tableVersion = 0x00010000
    for field in ("maxZones", "maxTwilightPoints", "maxStorage", "maxFunctionDefs",
                  "maxInstructionDefs", "maxStackElements", "maxSizeOfInstructions",
                  "maxComponentElements"):
        setattr(maxp, field, 0)
    maxp.maxZones = 1
    maxp.maxComponentDepth = 0
    maxp.maxPoints = maxp.maxContours = maxp.maxCompositePoints = maxp.maxCompositeContours = 0
    font["head"].glyphDataFormat = 0
    font["head"].indexToLocFormat = 0
    post = font["post"]
    post.formatType = 2.0
    post.extraNames = []
    post.mapping = {}
    post.glyphOrder = glyph_order
    font.sfntVersion = "\x00\x01\x00\x00"
    font.recalcBBoxes = True


def rename(font, family, style, weight, bold):
    name = font["name"]
    name.names = []
    full = family if style == "Regular" else f"{family} {style}"
    postscript = full.replace(" ", "")
    # One GDI family for every weight: the font mapper picks the face by the
    # requested weight ("KS Text" at 500 is the medium face).
    legacy_family, legacy_style = family, style
    for name_id, text in ((0, COPYRIGHT), (1, legacy_family), (2, legacy_style),
                          (3, f"{postscript};kelmor"), (4, full), (5, "Version 1.000"),
                          (6, postscript), (13, "SIL Open Font License, Version 1.1"),
                          (14, "https://openfontlicense.org"), (16, family), (17, style)):
        name.setName(text, name_id, 3, 1, 0x409)
    os2 = font["OS/2"]
    os2.usWeightClass = weight
    selection = os2.fsSelection & ~0b1100001  # italic, bold, regular
    if bold:
        selection |= 0b100000
    elif style == "Regular":
        selection |= 0b1000000
    os2.fsSelection = selection
    os2.achVendID = "KLMR"
    font["head"].macStyle = 1 if bold else 0
    # Installable embedding: the fonts travel inside the installer.
    os2.fsType = 0


def make(source_dir, output_dir, output, source, family, style, weight, bold):
    font = TTFont(source_dir / source, recalcTimestamp=False)
    options = subset.Options()
    options.layout_features = []  # GDI uses no OpenType layout
    options.name_IDs = []
    options.hinting = False
    options.notdef_outline = True
    options.drop_tables += ["GPOS", "GSUB", "GDEF", "BASE", "JSTF", "DSIG", "STAT", "kern"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=UNICODES)
    subsetter.subset(font)
    to_truetype(font)
    rename(font, family, style, weight, bold)
    font["head"].created = font["head"].modified = 3786480000  # 2024-01-01
    font.save(output_dir / output)


def main():
    source_dir = pathlib.Path(sys.argv[1])
    output_dir = pathlib.Path(sys.argv[2])
    output_dir.mkdir(parents=True, exist_ok=True)
    for entry in FONTS:
        make(source_dir, output_dir, *entry)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT

"""The page's font: of the game's font, only the glyphs that its score line
draws ("PUNKTE: ", the digits and " VON "), their outlines, hinting and
kerning as they are, so that the score draws pixel for pixel as with the
whole font, at a twentieth of its size.

    subset_font.py FONT OUT

A font under the SIL Open Font License that is changed must not keep its
Reserved Font Names (for Liberation Sans: "Liberation", and "Arimo", the
font it is based on): the subset is named Pellmor Score, and its trademark
and description, which name them, are left out. Its copyright and licence
stay in it, and go beside it. Needs fontTools (Debian's python3-fonttools).
"""
import sys

from fontTools import subset

SCORE_CHARACTERS = "PUNKTE: 0123456789VON"
FAMILY = "Pellmor Score"

font_file, out_file = sys.argv[1:]
options = subset.Options()
options.legacy_kern = True  # SDL_ttf kerns from the kern table only
options.drop_tables += ["GPOS", "GSUB", "GDEF", "FFTM"]
options.glyph_names = False
options.name_IDs = ["*"]
font = subset.load_font(font_file, options)
subsetter = subset.Subsetter(options)
subsetter.populate(text=SCORE_CHARACTERS)
subsetter.subset(font)

names = font["name"]
style = names.getDebugName(2)
version = names.getDebugName(5)
renamed = {
    1: FAMILY,
    3: f"{FAMILY} {style}; {version}; the score line's characters",
    4: f"{FAMILY} {style}",
    6: f"{FAMILY.replace(' ', '')}-{style}",
}
for record in list(names.names):
    if record.nameID in (7, 10, 16, 17, 18, 21, 22):  # the trademark, the description, other family names
        names.names.remove(record)
    elif record.nameID in renamed:
        record.string = renamed[record.nameID]
subset.save_font(font, out_file, options)

#!/usr/bin/python3
"""Makes the program's fonts from Debian's Liberation Sans 2.1.5 (fonts-liberation2): Tavrilo Sans
Bold, the window's font, and Tavrilo Sans, Qt's own texts in a browser (the message box, the answer
boxes' menu), where no system font is asked for.

Cut to the characters the program shows and a learner types: Latin with its Western and Central
European letters, Cyrillic, punctuation, currency signs, the numero sign, arrows and a few
mathematical signs. A character outside them falls back to the system's fonts on the desktop.
Without the fonts' own hinting instructions: the window asks for vertical hinting only, which
FreeType does with its own autohinter, so the window's pixels stay the same (and the files are
half the size). A cut font is a Modified Version under the SIL Open Font License, which may not
carry the Reserved Font Name "Liberation": hence the name.

Run by `cmake --build <build> --target fonts` (needs python3-fonttools and fonts-liberation2); what
it writes is committed."""
import hashlib
import sys
from pathlib import Path

from fontTools import subset

SOURCE = Path("/usr/share/fonts/truetype/liberation2")
FONTS = {  # what is written: (the source file, its SHA-256 in fonts-liberation2 2.1.5)
    "TavriloSans-Bold.ttf": ("LiberationSans-Bold.ttf",
                             "ba0e0dc3f7aca5b0afbc31e800531ee43be3aa79ae35b2ef1f6470a9547765c4"),
    "TavriloSans-Regular.ttf": ("LiberationSans-Regular.ttf", None),
}
CHARACTERS = ("U+0020-007E,U+00A0-017F,U+0400-04FF,U+2000-206F,U+20A0-20CF,U+2116,U+2190-2193,"
              "U+2212,U+2248,U+2260,U+2264,U+2265")
FAMILY = "Tavrilo Sans"


def rename(font, style):
    full = FAMILY if style == "Regular" else f"{FAMILY} {style}"
    names = {1: FAMILY, 3: f"{full} 2.1.5-tavrilo", 4: full,
             6: f"{FAMILY.replace(' ', '')}-{style}"}
    table = font["name"]
    for record in table.names:
        if record.nameID in names:
            record.string = names[record.nameID]
        elif record.nameID == 10:
            record.string = ("Liberation Sans 2.1.5 cut to Latin and Cyrillic for Tavrilo, a Modified "
                             "Version under the SIL Open Font License 1.1. " + record.toUnicode())
    table.names = [r for r in table.names if r.nameID not in (16, 17, 21, 22)]


def main(out):
    options = subset.Options()
    options.unicodes = subset.parse_unicodes(CHARACTERS)
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.hinting = False
    options.drop_tables += ["FFTM"]
    for name, (source, digest) in FONTS.items():
        path = SOURCE / source
        data = path.read_bytes()
        if digest and hashlib.sha256(data).hexdigest() != digest:
            sys.exit(f"{path} is not the Liberation Sans 2.1.5 these fonts are made from")
        font = subset.load_font(str(path), options)
        subsetter = subset.Subsetter(options)
        subsetter.populate(unicodes=options.unicodes)
        subsetter.subset(font)
        rename(font, name.split("-")[1].removesuffix(".ttf"))
        subset.save_font(font, str(Path(out) / name), options)
        print(f"{name}: {(Path(out) / name).stat().st_size} bytes")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)

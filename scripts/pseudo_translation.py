#!/usr/bin/env python3
"""Writes a pseudo-translation of Qt Linguist catalogues: every source text, in every plural form,
becomes a marked form of itself, "⟦Ŝţàţûš⟧", with its place markers (%1, %L1, %n, %Ln) and
mnemonic ampersands kept. Shown with it, any English left in a window is text that never went
through the catalogue.

    pseudo_translation.py OUTPUT.ts INPUT.ts [INPUT.ts ...]
"""
import re
import sys
import xml.etree.ElementTree as ET

OPEN, CLOSE = "\u27e6", "\u27e7"
ACCENTED = str.maketrans(
    "aceinosuyzACEINOSUYZ",
    "àçéîñôšüýžÀÇÉÎÑÔŠÜÝŽ",
)
PLACE_MARKER = re.compile(r"(%L?\d+|%L?n)")


def marked(text):
    parts = PLACE_MARKER.split(text)
    return OPEN + "".join(p if PLACE_MARKER.fullmatch(p) else p.translate(ACCENTED) for p in parts) + CLOSE


def main(output, inputs):
    pseudo = ET.Element("TS", version="2.1", language="en_US")
    for path in inputs:
        for context in ET.parse(path).getroot().iter("context"):
            out = ET.SubElement(pseudo, "context")
            ET.SubElement(out, "name").text = context.findtext("name")
            for message in context.iter("message"):
                copy = ET.SubElement(out, "message")
                source = message.findtext("source")
                ET.SubElement(copy, "source").text = source
                if message.find("comment") is not None:
                    ET.SubElement(copy, "comment").text = message.findtext("comment")
                translation = ET.SubElement(copy, "translation")
                if message.get("numerus") == "yes":
                    copy.set("numerus", "yes")
                    for _ in range(2):
                        ET.SubElement(translation, "numerusform").text = marked(source)
                else:
                    translation.text = marked(source)
    ET.ElementTree(pseudo).write(output, encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])

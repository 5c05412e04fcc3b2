#!/usr/bin/env python3
"""Builds the built-in language dictionaries from the JSON sources.

Reads resources/lang/src/app/<code>.json (application part: English text ->
translation) and resources/lang/src/com/<code>.json (common part: lab
catalogue key -> text) and writes, into resources/lang/gen/:

- langapp_<id>.xml and langcom_<id>.xml for every language: serializer
  documents (UTF-8 with a byte-order mark) whose root object is "LangDico2"
  with the zero date as LastUpdate, so that any lab copy counts as newer;
- lang_choices.xml: the offered languages, in the order the kiosk shows them;
- lang.qrc: the Qt resource file that names each document by its file id.

The generated files are committed; run this script after changing a JSON
source (tools/lang/check_translations.py checks the sources first).
"""

import json
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SRC = os.path.join(ROOT, "resources", "lang", "src")
GEN = os.path.join(ROOT, "resources", "lang", "gen")

# (code as the lab gives it, display name), in the order of the built-in list.
CHOICES = [
    ("en", "English"), ("de", "Deutsch"), ("JA", "日本語"), ("nl", "Nederlands"),
    ("fr", "Français"), ("ES", "Español"), ("zh-CN", "中文(简体)"),
    ("RU", "русский "), ("gr", "ελληνικά"), ("DK", "Dansk"),
    ("PT", "Português"), ("IT", "Italiano"), ("KO", "한국어"),
    ("zh-TW", "中文(繁體)"), ("MS", "Malay"),
]
ZERO_DATE = "1899-12-30T00:00:00.000Z"


def file_code(code):
    return code.lower().replace("-", "_")


def esc(text):
    # CR must survive an XML parser's line-end normalisation.
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace("\r", "&#13;"))


def dico_document(iso, pairs):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', "<XmlSerializerV1_0>", "<LangDico2>",
           '  <LangDico2.IsoCode type="UString">%s</LangDico2.IsoCode>' % esc(iso),
           '  <LangDico2.LastUpdate type="XSDateTime">%s</LangDico2.LastUpdate>' % ZERO_DATE,
           '  <LangDico2.Translations type="Array">']
    for i, (src, dst) in enumerate(pairs):
        out.append('      <Translation2 name="%d">' % i)
        out.append('        <Translation2.InitialString type="UString">%s</Translation2.InitialString>' % esc(src))
        out.append('        <Translation2.TranslatedString type="UString">%s</Translation2.TranslatedString>' % esc(dst))
        out.append("      </Translation2>")
    out += ["  </LangDico2.Translations>", "</LangDico2>", "</XmlSerializerV1_0>", ""]
    return "\n".join(out)


def choices_document():
    out = ['<?xml version="1.0" encoding="UTF-8"?>', "<XmlSerializerV1_0>", "<TLanguages>",
           '  <TLanguages.Choices type="Array">']
    for i, (code, name) in enumerate(CHOICES):
        out.append('      <LangChoice name="%d">' % i)
        out.append('        <LangChoice.DisplayName type="UString">%s</LangChoice.DisplayName>' % esc(name))
        out.append('        <LangChoice.IsoCode type="UString">%s</LangChoice.IsoCode>' % esc(code))
        out.append("      </LangChoice>")
    out += ["  </TLanguages.Choices>", "</TLanguages>", "</XmlSerializerV1_0>", ""]
    return "\n".join(out)


def write(name, text):
    with open(os.path.join(GEN, name), "wb") as f:
        f.write(b"\xef\xbb\xbf" + text.encode("utf-8"))


def main():
    os.makedirs(GEN, exist_ok=True)
    files = []
    for code, _ in CHOICES:
        fc = file_code(code)
        for kind in ("app", "com"):
            with open(os.path.join(SRC, kind, fc + ".json"), encoding="utf-8") as f:
                pairs = list(json.load(f).items())
            name = "lang%s_%s" % (kind, fc)
            write(name + ".xml", dico_document(code.upper() if kind == "app" else code.upper(), pairs))
            files.append(name)
    write("lang_choices.xml", choices_document())
    files.append("lang_choices")
    qrc = ["<!DOCTYPE RCC>", '<RCC version="1.0">', '<qresource prefix="/lang">']
    qrc += ['  <file alias="%s">%s.xml</file>' % (n, n) for n in files]
    qrc += ["</qresource>", "</RCC>", ""]
    with open(os.path.join(GEN, "lang.qrc"), "w", encoding="utf-8") as f:
        f.write("\n".join(qrc))
    return 0


if __name__ == "__main__":
    sys.exit(main())

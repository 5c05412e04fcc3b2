#!/usr/bin/env python3
"""Check the application dictionaries in resources/lang/src/app/.

en.json maps every English source text to itself; every other <code>.json maps
the same texts, in the same order, to their translation. A translation must
keep what the program relies on when it formats or joins the text:

- the format placeholders ("%s", "%d", "%0:s", "%1:d", "%.2f", "%%", ...):
  the same ones, the same number of times; unindexed ones in the same order,
  because they are filled by position;
- "{APP}" (replaced by the product name) and the brand name, as often;
- the line breaks: the same sequence of CR LF and lone LF;
- leading and trailing blanks, and a final colon or "..." (the text is joined
  with other text);
- a translation, unless the text is one that stays the same in that language
  (see SAME_AS_ENGLISH).

Dictionary keys such as "Common.ConditionsKioskUse.Default" are not English
texts but names of a text; their value is the text itself (it may have line
breaks of its own), so only the placeholder, {APP} and brand checks apply.

Usage: check_translations.py [--dir DIR] [--source TEXTS_EN.json]
Exits 0 when every file passes, 1 otherwise.
"""

import argparse
import json
import os
import re
import sys
from collections import Counter

DEFAULT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "..", "..", "resources", "lang", "src", "app")

# Delphi-style format specifiers: %[index:][-][width][.prec]type, and "%%".
PLACEHOLDER_RE = re.compile(
    r"%%|%(?:(\d+|\*):)?-?(?:\d+|\*)?(?:\.(?:\d+|\*))?[dusefgnmpxDUSEFGNMPX]")
LINE_BREAK_RE = re.compile(r"\r\n|\r|\n")
KEY_RE = re.compile(r"^[A-Za-z][A-Za-z0-9]*(\.[A-Za-z0-9_]+)+$")
LETTER_RE = re.compile(r"[^\W\d_]")
BRAND = "Velmora"
APP = "{APP}"

# Texts that may stay identical to the English in every language: product and
# service names, technical abbreviations.
SAME_EVERYWHERE = {
    "OK", "USB", "CD", "Facebook", "Instagram", "Windows Phone", "PPI:",
    "Zoom",
}
# Texts that are the same word in a given language.
SAME_AS_ENGLISH = {
    "de": {"April", "August", "September", "November", "Album", "Cloud",
           "Sepia", "Transparent", "Desktop", "Downloads"},
    "fr": {"Recto", "Verso", "Page %d", "(%d pages)", "%d pages",
           "Page %d / %d", "%d packs", "Information", "Documents", "Options",
           "Transparent", "Cloud", "Total", "Album", "dd/mm/yyyy"},
    "es": {"No", "%d packs", "Sepia", "Total", "Total: %s", "Subtotal: %s",
           "dd/mm/yyyy"},
    "it": {"No", "Album", "Cloud", "Desktop", "dd/mm/yyyy"},
    "nl": {"%d packs", "Album", "Cloud", "Sepia", "Downloads"},
    "pt": {"Verso", "%d packs", "Total", "Total: %s", "Subtotal: %s",
           "dd/mm/yyyy"},
    "dk": {"Information", "Album", "Cloud", "Sepia", "Subtotal: %s"},
    # Greek keeps the date pattern and the usual "Cloud" source button.
    "gr": {"Cloud", "dd/mm/yyyy"},
    "ms": {"April", "September", "November", "Album", "Sepia", "Desktop",
           "dd/mm/yyyy"},
}


def load_object(path, problems):
    """Reads a JSON object, keeping key order and reporting duplicate keys."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        problems.append("%s: starts with a byte-order mark" % path)
        raw = raw[3:]
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        problems.append("%s: not UTF-8: %s" % (path, e))
        return None

    def pairs_hook(pairs):
        seen = set()
        for k, _ in pairs:
            if k in seen:
                problems.append("%s: duplicate key %s" % (path, json.dumps(k)))
            seen.add(k)
        return pairs

    try:
        pairs = json.loads(text, object_pairs_hook=pairs_hook)
    except json.JSONDecodeError as e:
        problems.append("%s: invalid JSON: %s" % (path, e))
        return None
    if not isinstance(pairs, list):
        problems.append("%s: not a JSON object" % path)
        return None
    return pairs


def placeholders(text):
    """Returns (all placeholders, unindexed ones in order, stray '%' count)."""
    found = []
    unindexed = []
    covered = 0
    for m in PLACEHOLDER_RE.finditer(text):
        found.append(m.group(0))
        covered += m.group(0).count("%")
        if m.group(0) != "%%" and m.group(1) is None:
            unindexed.append(m.group(0))
    return found, unindexed, text.count("%") - covered


def edge_blanks(text):
    lead = re.match(r"^[ \t]*", text).group(0)
    trail = re.search(r"[ \t]*$", text).group(0)
    return lead, trail


def check_entry(lang, src, dst):
    """Returns the problems of one translation."""
    out = []
    if not isinstance(dst, str):
        return ["value is not a string"]
    if not dst.strip():
        return ["empty translation"]
    is_key = bool(KEY_RE.match(src))
    if is_key and dst == src:
        out.append("dictionary key left untranslated")

    s_all, s_unidx, s_stray = placeholders(src)
    d_all, d_unidx, d_stray = placeholders(dst)
    if Counter(s_all) != Counter(d_all):
        out.append("placeholders differ: %s vs %s" % (s_all, d_all))
    elif s_unidx != d_unidx:
        out.append("unindexed placeholders out of order: %s vs %s"
                   % (s_unidx, d_unidx))
    if d_stray != s_stray:
        out.append("stray '%' characters")
    if src.count(APP) != dst.count(APP):
        out.append("%s appears %d times instead of %d"
                   % (APP, dst.count(APP), src.count(APP)))
    if src.count(BRAND) != dst.count(BRAND):
        out.append("%s appears %d times instead of %d"
                   % (BRAND, dst.count(BRAND), src.count(BRAND)))
    if is_key:
        return out

    s_breaks = LINE_BREAK_RE.findall(src)
    d_breaks = LINE_BREAK_RE.findall(dst)
    if s_breaks != d_breaks:
        out.append("line breaks differ: %s vs %s"
                   % (json.dumps(s_breaks), json.dumps(d_breaks)))
    if edge_blanks(src) != edge_blanks(dst):
        out.append("leading/trailing blanks differ")
    s_end = src.rstrip(" \t")
    d_end = dst.rstrip(" \t")
    if s_end.endswith("...") and not d_end.endswith("..."):
        out.append("must end with \"...\"")
    elif s_end.endswith(":") and not d_end.endswith(":"):
        out.append("must end with \":\"")
    if dst == src and LETTER_RE.search(PLACEHOLDER_RE.sub("", src)):
        if src not in SAME_EVERYWHERE and src not in SAME_AS_ENGLISH.get(lang, ()):
            out.append("not translated (same as English)")
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--dir", default=DEFAULT_DIR,
                    help="folder of the dictionaries (default: %(default)s)")
    ap.add_argument("--source", help="JSON array of the English texts that "
                    "en.json must hold, in that order")
    args = ap.parse_args()

    problems = []
    folder = os.path.normpath(args.dir)
    en_path = os.path.join(folder, "en.json")
    if not os.path.isfile(en_path):
        print("%s: missing" % en_path)
        return 1
    en_pairs = load_object(en_path, problems)
    if en_pairs is None:
        print("\n".join(problems))
        return 1
    english = [k for k, _ in en_pairs]
    for k, v in en_pairs:
        if v != k:
            problems.append("%s: %s does not map to itself" % (en_path, json.dumps(k)))
    if args.source:
        with open(args.source, encoding="utf-8") as f:
            source = json.load(f)
        if source != english:
            missing = [t for t in source if t not in set(english)]
            extra = [t for t in english if t not in set(source)]
            problems.append("%s: differs from %s (%d missing, %d extra%s)"
                            % (en_path, args.source, len(missing), len(extra),
                               "" if missing or extra else ", order"))

    files = sorted(n for n in os.listdir(folder)
                   if n.endswith(".json") and n != "en.json")
    if not files:
        problems.append("%s: no translation file" % folder)
    for name in files:
        lang = name[:-len(".json")]
        path = os.path.join(folder, name)
        pairs = load_object(path, problems)
        if pairs is None:
            continue
        keys = [k for k, _ in pairs]
        key_set = set(keys)
        for t in english:
            if t not in key_set:
                problems.append("%s: missing %s" % (name, json.dumps(t, ensure_ascii=False)))
        english_set = set(english)
        for k in keys:
            if k not in english_set:
                problems.append("%s: unknown text %s" % (name, json.dumps(k, ensure_ascii=False)))
        if [k for k in keys if k in english_set] != [t for t in english if t in key_set]:
            problems.append("%s: texts are not in the order of en.json" % name)
        for k, v in pairs:
            if k not in english_set:
                continue
            for p in check_entry(lang, k, v):
                problems.append("%s: %s: %s" % (name, json.dumps(k, ensure_ascii=False), p))
        print("%s: %d texts checked" % (name, len(pairs)))

    if problems:
        for p in problems:
            print(p)
        print("%d problem(s)" % len(problems))
        return 1
    print("all %d dictionaries OK (%d texts each)" % (len(files), len(english)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

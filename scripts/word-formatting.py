#!/usr/bin/python3
"""Counts the words whose formatting or link a save changed, reading each page and its saved copy as a
browser reads them (html5lib, Debian's python3-html5lib, follows the parsing rules of browsers).

Usage: scripts/word-formatting.py SOURCE_DIR SAVED_DIR [-v]
Every *.html below SAVED_DIR is compared with the page of the same relative path below SOURCE_DIR. A
word's formatting is the set of text-level elements (links, bold, fonts, spans, code, ...) it stands in,
each with its attributes; its block is the chain of the other elements around it. Prints one line per
folder (generator) and the total; -v also names each page with changes and its first changed word.
"""
import difflib
import os
import re
import sys
from collections import defaultdict

try:
    import html5lib
except ImportError:
    sys.exit("word-formatting.py needs python3-html5lib (apt-get install python3-html5lib)")

TEXT_LEVEL = {"a", "abbr", "acronym", "b", "bdi", "bdo", "big", "cite", "code", "del", "dfn", "em", "font", "i",
              "ins", "kbd", "label", "mark", "nobr", "q", "s", "samp", "small", "span", "strike", "strong", "sub",
              "sup", "tt", "u", "var"}
UNSHOWN = {"script", "style", "template", "noscript", "head", "title"}
BLANKS = re.compile(r"[ \t\n\f\r]+")


def words_of(path):
    """The body's words in order, each with (formatting, block)."""
    with open(path, "rb") as f:
        tree = html5lib.parse(f.read(), treebuilder="etree", namespaceHTMLElements=False)
    body = tree.find("body")
    out = []
    if body is None:
        return out

    def add(text, formatting, block):
        for word in BLANKS.split(text or ""):
            if word:
                out.append((word, formatting, block))

    # (element, its formatting, its block chain); the tail of an element belongs to its parent's context.
    stack = [(body, frozenset(), ())]
    work = [("open", body, frozenset(), ())]
    while work:
        kind, element, formatting, block = work.pop()
        if kind == "tail":
            add(element.tail, formatting, block)
            continue
        tag = element.tag if isinstance(element.tag, str) else ""
        if tag in UNSHOWN or not tag:
            continue
        if element is not body:
            if tag in TEXT_LEVEL:
                formatting = formatting | {(tag, tuple(sorted(element.attrib.items())))}
            else:
                block = block + (tag,)
        add(element.text, formatting, block)
        for child in reversed(list(element)):
            work.append(("tail", child, formatting, block))
            work.append(("open", child, formatting, block))
    return out


def compare(source, saved):
    a, b = words_of(source), words_of(saved)
    matcher = difflib.SequenceMatcher(None, [w for w, _, _ in a], [w for w, _, _ in b], autojunk=False)
    matched = formatting = block = 0
    first = None
    for i, j, n in matcher.get_matching_blocks():
        for k in range(n):
            matched += 1
            (word, fa, ba), (_, fb, bb) = a[i + k], b[j + k]
            if fa != fb:
                formatting += 1
                first = first or word
            if ba != bb:
                block += 1
    return len(a), len(a) - matched, formatting, block, first


def main():
    args = [a for a in sys.argv[1:] if a != "-v"]
    verbose = "-v" in sys.argv[1:]
    if len(args) != 2:
        sys.exit(__doc__)
    source_dir, saved_dir = args
    totals = defaultdict(lambda: [0, 0, 0, 0, 0, 0])  # pages, words, unmatched, formatting, block, pages changed
    for root, _, files in sorted(os.walk(saved_dir)):
        for name in sorted(files):
            if not name.endswith(".html"):
                continue
            saved = os.path.join(root, name)
            relative = os.path.relpath(saved, saved_dir)
            group = relative.split(os.sep)[0] if os.sep in relative else "older"
            words, unmatched, formatting, block, first = compare(os.path.join(source_dir, relative), saved)
            t = totals[group]
            t[0] += 1
            t[1] += words
            t[2] += unmatched
            t[3] += formatting
            t[4] += block
            t[5] += formatting > 0
            if verbose and (formatting or block or unmatched):
                print(f"{relative}: {formatting} formatting, {block} block, {unmatched} unmatched (first: {first})")
    print(f"{'generator':12} {'pages':>5} {'words':>9} {'formatting or link changed':>27} {'block changed':>14} "
          f"{'unmatched':>9} {'pages changed':>14}")
    grand = [0] * 6
    for group in sorted(totals):
        t = totals[group]
        grand = [x + y for x, y in zip(grand, t)]
        print(f"{group:12} {t[0]:5} {t[1]:9} {t[3]:27} {t[4]:14} {t[2]:9} {t[5]:14}")
    print(f"{'all':12} {grand[0]:5} {grand[1]:9} {grand[3]:27} {grand[4]:14} {grand[2]:9} {grand[5]:14}")


if __name__ == "__main__":
    main()

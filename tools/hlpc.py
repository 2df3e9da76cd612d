#!/usr/bin/env python3
"""Korvane's help compiler: turns the guide (docs/guide-zh.txt, UTF-8, markup described in its
header) into a WinHelp 3.1 file for the WinHelp 4 viewer of Windows 95/98/ME, and into the plain
text README.TXT of the package.

    hlpc.py SOURCE --hlp OUT.hlp [--text OUT.txt] [--version X.Y.Z]

The help file holds: the internal file system and its directory B+ tree; |SYSTEM (title,
contents topic, simplified Chinese locale and GB2312 charset, default font); |FONT (宋体);
|TOPIC (one topic header and one paragraph record per paragraph, bold headings, jumps; LZ77
blocks made of literals only, which every reader decodes and which keeps TOPICPOS unambiguous);
|CONTEXT (context-string hashes); |TTLBTREE (titles); |KWBTREE, |KWDATA and |KWMAP (keywords).

Mistakes in the source (an unknown jump target, a topic without a title, text that GBK cannot
hold, ...) end the program with "SOURCE:LINE: message" and exit status 1; no file is written.
"""
import argparse
import os
import re
import struct
import sys
import unicodedata

ENCODING = "gbk"
CHARSET_GB2312 = 134
LCID_ZH_CN = 0x0804
FACE = "宋体"
TOPIC_BLOCK = 4096
TEXT_WIDTH = 76          # README.TXT columns (a Chinese character takes two)


class SourceError(Exception):
    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


# ---------------------------------------------------------------------------------------------
# The guide: topics made of blocks (title, heading, paragraph, item, verbatim line).

CONTEXT_ID = re.compile(r"[A-Za-z0-9._]+$")
JUMP = re.compile(r"\[\[([^\]|]*)(?:\|([^\]]*))?\]\]")
ITEM = re.compile(r"(· |\d+\. )")


class Topic:
    def __init__(self, ident, title, line):
        self.ident, self.title, self.line = ident, title, line
        self.keywords = []     # (text, line)
        self.blocks = []       # (kind, runs, line); runs: [(text, jump target or None)]


class Guide:
    def __init__(self):
        self.title = None
        self.topics = []

    def topic(self, ident):
        return next((t for t in self.topics if t.ident == ident), None)


def encodable(text, line):
    try:
        text.encode(ENCODING)
    except UnicodeEncodeError as e:
        ch = text[e.start]
        raise SourceError(line, "GBK cannot hold %r (U+%04X)" % (ch, ord(ch)))
    for ch in text:
        if unicodedata.category(ch) == "Cc":
            raise SourceError(line, "control character U+%04X in the text" % ord(ch))
    return text


def parse_runs(text, line):
    runs, pos = [], 0
    for m in JUMP.finditer(text):
        if m.start() > pos:
            runs.append((text[pos:m.start()], None))
        target = m.group(1).strip()
        if not target:
            raise SourceError(line, "jump without a target")
        runs.append((m.group(2) if m.group(2) is not None else None, target))
        pos = m.end()
    if "[[" in text[pos:] or "]]" in text[pos:]:
        raise SourceError(line, "unclosed jump")
    if pos < len(text):
        runs.append((text[pos:], None))
    return runs


def join(text, more):
    """Source lines of one paragraph: Chinese joins Chinese directly, anything else with a space."""
    wide = lambda c: unicodedata.east_asian_width(c) in "WFA"
    return text + more if wide(text[-1]) and wide(more[0]) else text + " " + more


def parse(source, version=""):
    guide = Guide()
    topic = None
    block = None           # [kind, text, line] being collected

    def flush():
        nonlocal block
        if block:
            kind, text, line = block
            topic.blocks.append((kind, parse_runs(text, line), line))
        block = None

    for number, raw in enumerate(source.split("\n"), 1):
        raw = raw.rstrip("\r")
        line = raw.rstrip()
        encodable(line.replace("{version}", version), number)
        if line.startswith("#"):
            continue
        if not line.strip():
            if topic:
                flush()
            continue
        if line.startswith("@"):
            word, _, rest = line.partition(" ")
            rest = rest.strip()
            if word == "@title":
                if not rest:
                    raise SourceError(number, "@title without a text")
                guide.title = rest.replace("{version}", version)
            elif word == "@topic":
                if topic:
                    flush()
                ident, _, title = rest.partition(" ")
                title = title.strip()
                if not ident:
                    raise SourceError(number, "@topic without a context string")
                if not CONTEXT_ID.match(ident):
                    raise SourceError(number, "context string %r: only A-Z a-z 0-9 . _" % ident)
                if not title:
                    raise SourceError(number, "topic %r has no title" % ident)
                if guide.topic(ident):
                    raise SourceError(number, "topic %r defined twice" % ident)
                topic = Topic(ident, title, number)
                guide.topics.append(topic)
            elif word == "@keywords":
                if not topic:
                    raise SourceError(number, "@keywords outside a topic")
                for k in re.split("[;；]", rest):
                    if k.strip():
                        topic.keywords.append((k.strip(), number))
            else:
                raise SourceError(number, "unknown directive %s" % word)
            continue
        if not topic:
            raise SourceError(number, "text before the first @topic")
        text = line.replace("{version}", version)
        if text.startswith("  "):
            flush()
            topic.blocks.append(("verbatim", parse_runs(text.strip(), number), number))
        elif text.startswith("=="):
            flush()
            if not text[2:].strip():
                raise SourceError(number, "empty heading")
            topic.blocks.append(("heading", parse_runs(text[2:].strip(), number), number))
        elif ITEM.match(text):
            flush()
            block = ["item", text, number]
        elif block:
            block[1] = join(block[1], text)
        else:
            block = ["para", text, number]
    if topic:
        flush()
    if guide.title is None:
        raise SourceError(1, "no @title")
    if not guide.topics:
        raise SourceError(1, "no @topic")
    # Jumps: every target exists; a jump without a text shows the target's title.
    for t in guide.topics:
        for i, (kind, runs, line) in enumerate(t.blocks):
            resolved = []
            for text, target in runs:
                if target is not None:
                    dest = guide.topic(target)
                    if not dest:
                        raise SourceError(line, "jump to unknown topic %r" % target)
                    if text is None:
                        text = dest.title
                    if not text.strip():
                        raise SourceError(line, "jump to %r without a text" % target)
                resolved.append((text, target))
            t.blocks[i] = (kind, resolved, line)
    hashes = {}
    for t in guide.topics:
        h = context_hash(t.ident)
        if h in hashes:
            raise SourceError(t.line, "context strings %r and %r have the same hash" % (hashes[h], t.ident))
        hashes[h] = t.ident
    return guide


# ---------------------------------------------------------------------------------------------
# README.TXT: the same guide as plain text, wrapped for an 80-column viewer.

NO_LINE_START = set("，。、；：？！）》」』”’·…")


def width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WFA" else 1 for c in text)


def wrap(text, limit, indent=""):
    """Lines of at most `limit` columns (a word longer than that stands alone)."""
    tokens = re.findall(r"[\x21-\x7e]+| |.", text)
    lines, cur = [], ""
    for tok in tokens:
        if cur and width(cur + tok) > limit and tok != " " and tok not in NO_LINE_START:
            lines.append(cur.rstrip())
            cur = indent
            if tok == " ":
                continue
        cur += tok
    if cur.strip():
        lines.append(cur.rstrip())
    return lines


def plain(runs):
    return "".join(text for text, _ in runs)


def to_text(guide):
    out = [guide.title, "=" * width(guide.title)]
    for t in guide.topics:
        out += ["", t.title, "-" * width(t.title)]
        previous = "title"
        for kind, runs, _ in t.blocks:
            text = plain(runs)
            # A blank line between paragraphs, none inside a list, under a heading or the title.
            if previous not in ("title", "heading") and not (kind == previous and kind in ("item", "verbatim")) \
                    and kind != "verbatim":
                out.append("")
            if kind == "verbatim":
                out.append("    " + text)
            elif kind == "heading":
                out.append(text)
            elif kind == "item":
                out += wrap(text, TEXT_WIDTH, " " * width(ITEM.match(text).group(1)))
            else:
                out += wrap(text, TEXT_WIDTH)
            previous = kind
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------------------------------------
# WinHelp pieces.

def context_hash(ident):
    """The context-string hash of WinHelp 3.1: h = h * 43 + value(c) in 32 bits, where the digits
    1-9 are 1-9, 0 is 10, '.' 12, '_' 13 and the letters 17-42 without regard to case."""
    h = 0
    for c in ident.upper():
        if "1" <= c <= "9":
            v = ord(c) - ord("0")
        elif c == "0":
            v = 10
        elif c == ".":
            v = 12
        elif c == "_":
            v = 13
        elif "A" <= c <= "Z":
            v = ord(c) - ord("A") + 17
        else:
            raise ValueError("no hash value for %r" % c)
        h = (h * 43 + v) & 0xFFFFFFFF
    if not ident:
        h = 1
    return h - (1 << 32) if h & 0x80000000 else h


def gbk(text):
    return text.encode(ENCODING)


def cstr(text):
    return gbk(text) + b"\0"


def cushort(v):   # compressed unsigned short
    return bytes([v * 2]) if v < 128 else struct.pack("<H", v * 2 + 1)


def cshort(v):    # compressed signed short
    return bytes([(v + 64) * 2]) if -64 <= v < 64 else struct.pack("<H", (v + 16384) * 2 + 1)


def clong(v):     # compressed signed long
    return struct.pack("<H", (v + 16384) * 2) if -16384 <= v < 16384 else struct.pack("<I", (v + 0x40000000) * 2 + 1)


def btree(entries, structure, page_size=2048, directory=False):
    """A B+ tree of `entries`, each (leaf bytes, index key bytes), already in key order.
    Leaves hold (free bytes, count, previous leaf, next leaf); index pages (free bytes, count,
    first child) followed by (key, child) for every further child."""
    pages = []
    leaves = []          # (page number, first index key)
    cur = []

    def close_leaf():
        leaves.append((len(pages), cur[0][1]))
        pages.append(["leaf", [e[0] for e in cur]])

    size = 8
    for leaf, key in entries:
        if len(leaf) + 8 > page_size:
            raise ValueError("B+ tree entry larger than a page")
        if cur and size + len(leaf) > page_size:
            close_leaf()
            cur, size = [], 8
        cur.append((leaf, key))
        size += len(leaf)
    if cur or not pages:
        if not cur:
            cur = [(b"", b"")]
        close_leaf()
        if not entries:
            pages[-1][1] = []
    levels = 1
    level = leaves
    while len(level) > 1:
        levels += 1
        parents = []
        first, rest, size = level[0], [], 6
        for child in level[1:]:
            item = child[1] + struct.pack("<H", child[0])
            if rest and size + len(item) > page_size:
                parents.append((len(pages), first[1]))
                pages.append(["index", first[0], rest])
                first, rest, size = child, [], 6
                continue
            rest.append(item)
            size += len(item)
        parents.append((len(pages), first[1]))
        pages.append(["index", first[0], rest])
        level = parents
    root = level[0][0]
    out = bytearray()
    leaf_numbers = [n for n, _ in leaves]
    for number, page in enumerate(pages):
        if page[0] == "leaf":
            body = b"".join(page[1])
            i = leaf_numbers.index(number)
            prev = leaf_numbers[i - 1] if i > 0 else 0xFFFF
            nxt = leaf_numbers[i + 1] if i + 1 < len(leaf_numbers) else 0xFFFF
            head = struct.pack("<HhHH", page_size - 8 - len(body), len(page[1]), prev, nxt)
        else:
            body = b"".join(page[2])
            head = struct.pack("<HhH", page_size - 6 - len(body), len(page[2]), page[1])
        out += (head + body).ljust(page_size, b"\0")
    # After the structure: the first leaf (page 0), the page splits (every page but the first of
    # each level came from one), the root, -1, the pages, the levels and the entries.
    header = struct.pack("<HHH16shhhhhhi", 0x293B, 0x0402 if directory else 0x0002, page_size,
                         structure.encode("ascii"), 0, len(pages) - levels, root, -1, len(pages), levels,
                         len(entries))
    return header + bytes(out)


def lz77_literals(data):
    """LZ77 as WinHelp decodes it, every byte a literal: a zero flag byte before each eight."""
    out = bytearray()
    for i in range(0, len(data), 8):
        out.append(0)
        out += data[i:i + 8]
    return bytes(out)


BLOCK_DATA = TOPIC_BLOCK - 12


class TopicWriter:
    """Lays the topic links out in |TOPIC blocks. A link never crosses a block; a TOPICPOS is
    12 + block * 0x4000 + offset in the block's decoded data, a TOPICOFFSET block * 0x8000 +
    the characters of the block's paragraphs before it."""

    def __init__(self):
        self.blocks = []       # decoded data of each block
        self.first = []        # TOPICPOS of the first link of each block
        self.links = []        # [topicpos, bytearray, block] in order
        self.chars = 0         # characters so far in the current block
        self.headers = []      # TOPICPOS of each topic header

    def position(self):
        return 12 + (len(self.blocks) - 1) * 0x4000 + len(self.blocks[-1])

    def add(self, record_type, data1, data2, chars, line):
        size = 21 + len(data1) + len(data2)
        if not self.blocks or len(lz77_literals(bytes(self.blocks[-1]) + bytes(size))) > BLOCK_DATA:
            if size + (size + 7) // 8 > BLOCK_DATA:
                raise SourceError(line, "paragraph too long for a topic block (%d bytes)" % size)
            self.blocks.append(bytearray())
            self.first.append(None)
            self.chars = 0
        pos = self.position()
        offset = (len(self.blocks) - 1) * 0x8000 + self.chars
        if self.chars + chars >= 0x8000:
            raise SourceError(line, "too much text in one topic block")
        prev = self.links[-1][0] if self.links else -1
        link = bytearray(struct.pack("<iiiiiB", size, len(data2), prev, -1, 21 + len(data1), record_type))
        link += data1 + data2
        if self.links:
            struct.pack_into("<i", self.links[-1][1], 12, pos)
        if self.first[-1] is None:
            self.first[-1] = pos
        self.links.append([pos, link, len(self.blocks) - 1])
        self.blocks[-1] += link
        self.chars += chars
        return pos, offset

    def finish(self):
        for pos, link, block in self.links:
            start = pos - 12 - block * 0x4000
            self.blocks[block][start:start + len(link)] = link
        out = bytearray()
        last_link, last_header = -1, -1
        for i, data in enumerate(self.blocks):
            out += struct.pack("<iii", last_link, self.first[i], last_header)
            body = lz77_literals(bytes(data))
            if i + 1 < len(self.blocks):
                body = body.ljust(BLOCK_DATA, b"\0")
            else:
                body = body.ljust(0x44 - 12, b"\0")   # a short last block is read from its end
            out += body
            in_block = [p for p, _, b in self.links if b == i]
            last_link = in_block[-1]
            last_header = max([h for h in self.headers if h <= last_link], default=-1)
        return bytes(out)


def paragraph(kind, runs, fonts):
    """LinkData1 (after TopicSize/TopicLength) and LinkData2 of one paragraph record."""
    font = {"title": fonts["title"], "heading": fonts["heading"]}.get(kind, fonts["body"])
    bits, spacing = 0, b""
    above = {"title": 0, "heading": 16, "para": 12, "item": 2, "verbatim": 2}[kind]
    if above:
        bits |= 0x0002
        spacing += cshort(above)
    if kind == "title":
        bits |= 0x0004
        spacing += cshort(8)
    if kind in ("item", "verbatim"):
        indent = 24 if kind == "verbatim" else 0
        hang = 0
        if kind == "item":
            mark = ITEM.match(plain(runs)).group(1)
            hang = 6 * width(mark)
        if indent + hang:
            bits |= 0x0010
            spacing += cshort(indent + hang)
        if hang:
            bits |= 0x0040
            spacing += cshort(-hang)
    info = bytes([0, 0x80]) + struct.pack("<HH", 0, bits) + spacing
    # LinkData2 holds texts, LinkData1 the command that follows each: a font, then the text with
    # each jump's text between a jump (0xE3, the target's hash) and an end of hotspot (0x89),
    # then the end of the paragraph (0x82) and of the commands (0xFF).
    texts, commands = [], []
    current = b""

    def command(code):
        nonlocal current
        texts.append(current)
        commands.append(code)
        current = b""
    command(b"\x80" + struct.pack("<H", font))
    for text, target in runs:
        if target is None:
            current += gbk(text)
        else:
            command(b"\xE3" + struct.pack("<i", context_hash(target)))
            current = gbk(text)
            command(b"\x89")
    command(b"\x82")
    command(b"\xFF")
    return info + b"".join(commands), b"".join(t + b"\0" for t in texts)


def build_hlp(guide):
    fonts = {"body": 0, "title": 1, "heading": 2}
    descriptors = [(0, 18), (1, 24), (1, 18)]     # (bold, half points)
    tw = TopicWriter()
    offsets = {}
    topic_headers = []
    for number, t in enumerate(guide.topics):
        paras = [("title", [(t.title, None)], t.line)] + t.blocks
        records = []
        for kind, runs, line in paras:
            info, data2 = paragraph(kind, runs, fonts)
            # TopicSize: the bytes of LinkData1 after these two fields; TopicLength: the characters,
            # each string's NUL included, that the paragraph adds to the TOPICOFFSET count.
            data1 = clong(len(info)) + cushort(len(data2)) + info
            records.append((data1, data2, len(data2), line))
        header_pos, header_offset = tw.add(2, bytes(28), cstr(t.title), 0, t.line)
        tw.headers.append(header_pos)
        first_para = None
        total = 21 + 28 + len(cstr(t.title))
        for data1, data2, chars, line in records:
            pos, _ = tw.add(0x20, data1, data2, chars, line)
            first_para = first_para if first_para is not None else pos
            total += 21 + len(data1) + len(data2)
        offsets[t.ident] = header_offset
        topic_headers.append([t, header_pos, first_para, total, number])
    # The list ends with a topic header that holds no topic (no title, nothing after it), as the
    # help compilers end it: a reader stops at the link whose NextBlock is -1 without using it,
    # and the last real topic's NextTopic points at it.
    end_pos, _ = tw.add(2, struct.pack("<iiiiiii", 0, -1, -1, len(guide.topics), -1, -1, -1), b"", 0,
                        guide.topics[-1].line)
    # Topic headers: size, browse sequence in source order, number, regions, next topic.
    for i, (t, pos, first_para, total, number) in enumerate(topic_headers):
        back = offsets[guide.topics[i - 1].ident] if i > 0 else -1
        forward = offsets[guide.topics[i + 1].ident] if i + 1 < len(guide.topics) else -1
        nxt = topic_headers[i + 1][1] if i + 1 < len(topic_headers) else end_pos
        header = struct.pack("<iiiiiii", total, back, forward, number, -1, first_para, nxt)
        link = next(l for l in tw.links if l[0] == pos)
        link[1][21:21 + 28] = header
    topic = tw.finish()

    contents = offsets[guide.topics[0].ident]
    system = struct.pack("<HHHIH", 0x036C, 21, 1, 0, 4)

    def record(kind, data):
        return struct.pack("<HH", kind, len(data)) + data
    system += record(1, cstr(guide.title))
    system += record(3, struct.pack("<i", contents))
    system += record(4, cstr("BrowseButtons()"))
    system += record(9, struct.pack("<HHHHH", 0, 0, 0, 0, LCID_ZH_CN))
    system += record(11, struct.pack("<H", CHARSET_GB2312))
    system += record(12, bytes([9, CHARSET_GB2312]) + cstr(FACE))

    face = gbk(FACE).ljust(20, b"\0")
    font = struct.pack("<HHHH", 1, len(descriptors), 8, 8 + len(face)) + face
    for bold, half_points in descriptors:
        font += bytes([bold, half_points, 3]) + struct.pack("<H", 0) + bytes([0, 0, 0, 255, 255, 255])

    context = btree([(struct.pack("<ii", h, offsets[ident]), struct.pack("<i", h))
                     for h, ident in sorted((context_hash(t.ident), t.ident) for t in guide.topics)], "L4")
    titles = btree([(struct.pack("<i", offsets[t.ident]) + cstr(t.title), struct.pack("<i", offsets[t.ident]))
                    for t in sorted(guide.topics, key=lambda t: offsets[t.ident])], "Lz")

    words = {}
    for t in guide.topics:
        for word, line in t.keywords:
            words.setdefault(word, [])
            if offsets[t.ident] not in words[word]:
                words[word].append(offsets[t.ident])
    kwdata, kw_entries = bytearray(), []
    for word in sorted(words, key=lambda w: (gbk(w.upper()), gbk(w))):
        kw_entries.append((cstr(word) + struct.pack("<hi", len(words[word]), len(kwdata)), cstr(word)))
        for o in sorted(words[word]):
            kwdata += struct.pack("<i", o)
    kwbtree = btree(kw_entries, "F24")
    # |KWMAP: the number of entries, then for each leaf in leaf order the number of its first
    # keyword and the leaf's page.
    kwmap, number, leaf = bytearray(2), 0, 0
    while leaf != 0xFFFF:
        count = struct.unpack_from("<h", kwbtree, 38 + leaf * 2048 + 2)[0]
        kwmap += struct.pack("<iH", number, leaf)
        number += count
        leaf = struct.unpack_from("<H", kwbtree, 38 + leaf * 2048 + 6)[0]
    struct.pack_into("<H", kwmap, 0, (len(kwmap) - 2) // 6)

    files = {"|SYSTEM": system, "|FONT": font, "|TOPIC": topic, "|CONTEXT": context,
             "|TTLBTREE": titles, "|KWBTREE": kwbtree, "|KWDATA": bytes(kwdata), "|KWMAP": bytes(kwmap)}
    return file_system(files)


def file_system(files):
    """The help file: header, each internal file behind its FILEHEADER, then the directory."""
    body = bytearray()
    where = {}
    for name in sorted(files, key=lambda n: n.encode("ascii")):
        where[name] = 16 + len(body)
        data = files[name]
        body += struct.pack("<IIB", len(data) + 9, len(data), 4) + data
    directory = btree([(n.encode("ascii") + b"\0" + struct.pack("<i", where[n]), n.encode("ascii") + b"\0")
                       for n in sorted(files, key=lambda n: n.encode("ascii"))], "z4", 1024, True)
    dir_start = 16 + len(body)
    body += struct.pack("<IIB", len(directory) + 9, len(directory), 4) + directory
    return struct.pack("<IiiI", 0x00035F3F, dir_start, -1, 16 + len(body)) + bytes(body)


# ---------------------------------------------------------------------------------------------

def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("source")
    ap.add_argument("--hlp")
    ap.add_argument("--text")
    ap.add_argument("--version", default="")
    args = ap.parse_args(argv)
    try:
        with open(args.source, encoding="utf-8") as f:
            source = f.read()
    except UnicodeDecodeError as e:
        print("%s: not UTF-8 (byte %d)" % (args.source, e.start), file=sys.stderr)
        return 1
    try:
        guide = parse(source, args.version)
        hlp = build_hlp(guide)
        text = to_text(guide)
    except SourceError as e:
        print("%s:%d: %s" % (args.source, e.line, e.message), file=sys.stderr)
        return 1
    if args.hlp:
        write_atomically(args.hlp, hlp)
    if args.text:
        write_atomically(args.text, text.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

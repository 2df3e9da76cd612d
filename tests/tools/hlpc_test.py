#!/usr/bin/env python3
"""Rules of the help compiler that a picture of the viewer would not show: the context-string
hash, the B+ tree page layout, the topic links as a reader walks them, and the sources it
refuses."""
import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import hlpc  # noqa: E402


class ContextHash(unittest.TestCase):
    def test_published_values(self):
        # Character values as published for HC31 (1-9 -> 1-9, 0 -> 10, '.' -> 12, '_' -> 13,
        # letters 17-42 whatever their case), h = h * 43 + value; the empty string hashes to 1.
        for text, value in [("1", 1), ("9", 9), ("0", 10), (".", 12), ("_", 13), ("a", 17), ("A", 17),
                            ("z", 42), ("", 1), ("a1", 17 * 43 + 1), ("Z_0", (42 * 43 + 13) * 43 + 10)]:
            self.assertEqual(hlpc.context_hash(text), value, text)

    def test_wraps_to_a_signed_32_bit_value(self):
        # 4096564849 in 32 bits: stored (and compared by the viewer) as a signed long.
        self.assertEqual(hlpc.context_hash("processes"), 4096564849 - (1 << 32))
        self.assertEqual(hlpc.context_hash("ProCesses"), hlpc.context_hash("processes"))


def read_tree(data):
    """Header fields and pages of a B+ tree as the format describes them."""
    magic, flags, page_size, structure, _, splits, root, minus1, pages, levels, entries = \
        struct.unpack_from("<HHH16shhhhhhi", data, 0)
    return dict(magic=magic, flags=flags, page_size=page_size, root=root, minus1=minus1, pages=pages,
                levels=levels, entries=entries, structure=structure.rstrip(b"\0"), splits=splits,
                page=lambda n: data[38 + n * page_size:38 + (n + 1) * page_size])


def find(tree, key):
    """The published lookup: index pages by key down to a leaf, then the leaf's entries."""
    number = tree["root"]
    for _ in range(tree["levels"] - 1):
        page = tree["page"](number)
        count, child = struct.unpack_from("<hH", page, 2)
        pos = 6
        for _ in range(count):
            end = page.index(b"\0", pos)
            if page[pos:end] > key:
                break
            child = struct.unpack_from("<H", page, end + 1)[0]
            pos = end + 3
        number = child
    page = tree["page"](number)
    pos = 8
    for _ in range(struct.unpack_from("<h", page, 2)[0]):
        end = page.index(b"\0", pos)
        if page[pos:end] == key:
            return struct.unpack_from("<i", page, end + 1)[0]
        pos = end + 5
    return None


class BTreePages(unittest.TestCase):
    def test_two_level_directory(self):
        names = [b"|F%04d" % i for i in range(150)]
        data = hlpc.btree([(n + b"\0" + struct.pack("<i", i), n + b"\0") for i, n in enumerate(names)],
                          "z4", 1024, True)
        tree = read_tree(data)
        self.assertEqual((tree["magic"], tree["flags"], tree["page_size"], tree["minus1"], tree["structure"]),
                         (0x293B, 0x0402, 1024, -1, b"z4"))
        self.assertEqual(tree["levels"], 2)
        self.assertEqual(tree["splits"], tree["pages"] - tree["levels"])
        self.assertEqual(tree["entries"], 150)
        self.assertEqual(len(data), 38 + tree["pages"] * 1024)
        # Leaves: a doubly linked list in key order, each page's free bytes in its first word.
        leaves, number, previous = [], 0, 0xFFFF
        while number != 0xFFFF:
            page = tree["page"](number)
            free, count, back, forward = struct.unpack_from("<HhHH", page, 0)
            self.assertEqual(back, previous)
            used = 8 + sum(len(names[0]) + 5 for _ in range(count))
            self.assertEqual(free, 1024 - used)
            self.assertEqual(page[used:], bytes(1024 - used))
            leaves.append(number)
            previous, number = number, forward
        self.assertGreater(len(leaves), 1)
        self.assertEqual(struct.unpack_from("<H", tree["page"](tree["root"]), 4)[0], leaves[0])
        for i, n in enumerate(names):
            self.assertEqual(find(tree, n), i, n)
        self.assertIsNone(find(tree, b"|E"))

    def test_context_entries_in_signed_order(self):
        guide = hlpc.parse("@title T\n@topic apps A\n[[processes]]\n@topic processes P\ntext\n")
        leaf = read_tree(internal(hlpc.build_hlp(guide), b"|CONTEXT"))["page"](0)
        hashes = [struct.unpack_from("<i", leaf, 8 + 8 * i)[0] for i in range(2)]
        self.assertEqual(hashes, [hlpc.context_hash("processes"), hlpc.context_hash("apps")])

    def test_keyword_map_counts_and_follows_the_leaves(self):
        words = ";".join("keyword number %03d" % i for i in range(200))
        data = hlpc.build_hlp(hlpc.parse("@title T\n@topic a A\n@keywords %s\ntext\n" % words))
        tree, kwmap = read_tree(internal(data, b"|KWBTREE")), internal(data, b"|KWMAP")
        expected, number, leaf = [], 0, 0
        while leaf != 0xFFFF:
            expected.append((number, leaf))
            number += struct.unpack_from("<h", tree["page"](leaf), 2)[0]
            leaf = struct.unpack_from("<H", tree["page"](leaf), 6)[0]
        self.assertGreater(len(expected), 1)
        self.assertEqual(struct.unpack_from("<H", kwmap)[0], len(expected))
        self.assertEqual([struct.unpack_from("<iH", kwmap, 2 + 6 * i) for i in range(len(expected))],
                         expected)


def internal(data, name):
    """An internal file's bytes, found through the directory."""
    start = struct.unpack_from("<i", data, 4)[0]
    offset = find(read_tree(data[start + 9:]), name)
    return data[offset + 9:offset + 9 + struct.unpack_from("<i", data, offset + 4)[0]]


def lz77(data):
    """A topic block's data as the viewer decodes it: a flag byte, then per bit a literal or a
    (length, distance) word."""
    out = bytearray()
    pos = 0
    while pos < len(data):
        flags, pos = data[pos], pos + 1
        for bit in range(8):
            if pos >= len(data):
                break
            if flags >> bit & 1:
                code, pos = data[pos] | data[pos + 1] << 8, pos + 2
                for _ in range((code >> 12) + 3):
                    out.append(out[-(code & 0xFFF) - 1])
            else:
                out.append(data[pos])
                pos += 1
    return bytes(out)


class TopicLinks(unittest.TestCase):
    def test_walked_as_a_reader_walks_them(self):
        guide = hlpc.parse("@title T\n@topic a A\none [[b]]\n\ntwo\n@topic b B\nthree\n")
        topic = internal(hlpc.build_hlp(guide), b"|TOPIC")
        blocks = [lz77(topic[i + 12:i + 4096]) for i in range(0, len(topic), 4096)]
        headers, pos = [], 12
        while True:
            block = blocks[(pos - 12) // 0x4000]
            at = (pos - 12) % 0x4000
            size, len2, _, following, len1, kind = struct.unpack_from("<iiiiiB", block, at)
            data1 = block[at + 21:at + len1]
            if kind == 2:
                headers.append((pos, struct.unpack_from("<i", data1, 24)[0]))
            else:
                # TopicSize (compressed long) counts the rest of LinkData1, TopicLength (compressed
                # unsigned short) the characters of LinkData2.
                wide = data1[0] & 1
                topic_size = int.from_bytes(data1[:2 + 2 * wide], "little") // 2 \
                    - (0x40000000 if wide else 0x4000)
                rest = data1[2 + 2 * wide:]
                wide = rest[0] & 1
                length, rest = int.from_bytes(rest[:1 + wide], "little") // 2, rest[1 + wide:]
                self.assertEqual((topic_size, length), (len(rest), len2), pos)
            if following == -1:
                break
            pos = following
        # The last link is a topic header with nothing in it; each NextTopic names the next header.
        self.assertEqual((kind, len2, size), (2, 0, 21 + 28))
        self.assertEqual(len(headers), 3)
        self.assertEqual([n for _, n in headers[:-1]], [p for p, _ in headers[1:]])


class RefusedSources(unittest.TestCase):
    def compile(self, source):
        with tempfile.TemporaryDirectory() as d:
            src, out = os.path.join(d, "guide.txt"), os.path.join(d, "out.hlp")
            with open(src, "w", encoding="utf-8") as f:
                f.write(source)
            err = os.path.join(d, "err")
            saved = sys.stderr
            with open(err, "w") as sys.stderr:
                rc = hlpc.main([src, "--hlp", out])
            sys.stderr = saved
            with open(err) as f:
                return rc, f.read(), os.path.exists(out)

    def test_good_source_writes_the_file(self):
        self.assertEqual(self.compile("@title T\n@topic a 标题\n正文\n")[0::2], (0, True))

    def test_mistakes_name_the_line_and_write_nothing(self):
        for source, line, words in [
                ("@title T\n@topic a A\n\nsee [[nowhere]]\n", 4, "unknown topic 'nowhere'"),
                ("@title T\n@topic a A\n@topic b\n", 3, "no title"),
                ("@title T\n@topic a A\n기호\n", 3, "GBK cannot hold"),
                ("@title T\n@topic a-b A\n", 2, "context string")]:
            rc, message, written = self.compile(source)
            self.assertEqual(rc, 1, source)
            self.assertIn("guide.txt:%d: " % line, message)
            self.assertIn(words, message)
            self.assertFalse(written, source)


if __name__ == "__main__":
    unittest.main()

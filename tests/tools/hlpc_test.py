#!/usr/bin/env python3
"""Rules of the help compiler that a picture of the viewer would not show: the context-string
hash, the B+ tree page layout, and the sources it refuses."""
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
    magic, flags, page_size, structure, _, _, root, minus1, pages, levels, entries = \
        struct.unpack_from("<HHH16shhhhhhi", data, 0)
    return dict(magic=magic, flags=flags, page_size=page_size, root=root, minus1=minus1, pages=pages,
                levels=levels, entries=entries, structure=structure.rstrip(b"\0"),
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
        data = hlpc.build_hlp(guide)
        start = struct.unpack_from("<i", data, 4)[0]
        tree = read_tree(data[start + 9:])
        context = find(tree, b"|CONTEXT")
        leaf = read_tree(data[context + 9:])["page"](0)
        hashes = [struct.unpack_from("<i", leaf, 8 + 8 * i)[0] for i in range(2)]
        self.assertEqual(hashes, [hlpc.context_hash("processes"), hlpc.context_hash("apps")])


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

#!/usr/bin/python3
"""The compiled help file read back as HTML Help reads it: the context ids the applet asks for,
the default topic, the contents and the index.

Usage: help_file_test.py TqTouch.chm applet_en.rc
"""
import re
import struct
import sys
import unittest

from chm import chm, chmlib

# 0x20000 + dialog id, and the title of the topic that F1 there must open.
CONTEXTS = {
    0x2044C: "Calibration",
    0x204CB: "About",
    0x204D0: "Settings for Emulate Mouse",
    0x204D3: "Mode",
    0x204D4: "Options",
    0x204D5: "Hardware",
    0x205C5: "Mouse Handling",
}


class HelpFile(unittest.TestCase):
    path = rc_path = None

    def setUp(self):
        self.chm = chm.CHMFile()
        self.assertTrue(self.chm.LoadCHM(self.path), self.path)

    def tearDown(self):
        self.chm.CloseCHM()

    def read(self, name):
        """The object's bytes, or None when the file has no such object."""
        name = name if name.startswith("/") else "/" + name
        found, unit = chmlib.chm_resolve_object(self.chm.file, name.encode())
        if found != chmlib.CHM_RESOLVE_SUCCESS:
            return None
        return self.chm.RetrieveObject(unit)[1]

    def topic(self, local):
        page, _, anchor = local.partition("#")
        text = self.read(page)
        self.assertIsNotNone(text, local)
        text = text.decode("utf-8")
        if anchor:
            self.assertRegex(text, r'(?:id|name)="%s"' % re.escape(anchor), local)
        return text

    def context_map(self):
        # #IVB: its length, then pairs of context id and offset of the topic's path in #STRINGS.
        ivb, strings = self.read("#IVB"), self.read("#STRINGS")
        (length,) = struct.unpack_from("<I", ivb)
        pairs = struct.unpack_from("<%dI" % (length // 4), ivb, 4)
        return {pairs[i]: strings[pairs[i + 1]:strings.index(b"\0", pairs[i + 1])].decode()
                for i in range(0, len(pairs), 2)}

    def sitemap_locals(self, text):
        return re.findall(r'<param name="Local" value="([^"]*)">', text.decode("utf-8"), re.I)

    def pages(self):
        found = set()

        def add(_, unit, __):
            if unit.path.endswith(b".htm"):
                found.add(unit.path.decode().lstrip("/"))
            return chmlib.CHM_ENUMERATOR_CONTINUE

        chmlib.chm_enumerate(self.chm.file, chmlib.CHM_ENUMERATE_NORMAL, add, None)
        return found

    def test_every_context_id_opens_the_topic_of_its_page(self):
        mapped = self.context_map()
        for context, title in CONTEXTS.items():
            with self.subTest(context=hex(context)):
                self.assertIn(context, mapped)
                self.assertIn("<title>%s</title>" % title, self.topic(mapped[context]))

    def test_default_topic_contents_and_index_name_only_topics_in_the_file(self):
        self.assertEqual(b"Touch Screen Help", self.chm.title)
        self.topic(self.chm.home.decode())
        contents = self.sitemap_locals(self.chm.GetTopicsTree() or b"")
        index = self.sitemap_locals(self.chm.GetIndex() or b"")
        self.assertTrue(contents and index)
        for local in contents + index:
            self.topic(local)
        self.assertEqual(self.pages(), {local.partition("#")[0] for local in contents},
                         "every topic has its place in the contents")

    def test_the_labels_quoted_are_the_dialogs_own(self):
        with open(self.rc_path, encoding="utf-8") as rc:
            literals = re.findall(r'"((?:[^"\\]|\\.)*)"', rc.read())
        labels = {part.replace("&", "").strip() for text in literals for part in text.split("\\n")}
        for page in sorted(self.pages()):
            for quoted in re.findall(r'<span class="label">(.*?)</span>', self.topic(page)):
                self.assertIn(re.sub(r"<[^>]*>", "", quoted), labels, page)


if __name__ == "__main__":
    HelpFile.path, HelpFile.rc_path = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)

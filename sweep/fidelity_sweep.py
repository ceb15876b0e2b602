#!/usr/bin/env python3
"""Opens and saves every well-formed XML file under some folders the way the editor does, and
checks with an independent parser (expat) that each saved file means what its original meant.

    sweep/fidelity_sweep.py [--build BUILD] [--report FILE] [FOLDER ...]

FOLDER defaults to /usr/share and /etc. A file is a candidate when its name ends in a usual XML
extension or its text starts with an XML declaration; it takes part when expat finds it
well-formed. What counts as meaning: the XML declaration's standalone, the document type
(name, identifiers, every declaration and comment of the internal subset), and the sequence of
elements (qualified names), attributes (as sets), text, comments and processing instructions.
Adjacent character data (CDATA included) is one text; a whitespace-only text is layout, and
left out, unless it lies in xml:space="preserve" scope, is its element's only content, or stands
in mixed content (an element with a text that is not whitespace only). Attribute order is no meaning, but
files whose start tags list attributes in another order after the save are counted too.
"""
import argparse
import collections
import os
import subprocess
import sys
import tempfile
import xml.parsers.expat

EXTENSIONS = {
    ".xml", ".xsl", ".xslt", ".xsd", ".rng", ".svg", ".xhtml", ".docbook", ".dbk", ".ui",
    ".glade", ".policy", ".page", ".kml", ".gpx", ".xlf", ".xliff", ".ts", ".wsdl", ".rdf",
    ".xbel", ".metainfo", ".qrc", ".plist", ".fo", ".xul", ".mml", ".ent",
}
MAX_BYTES = 64 << 20
WHITESPACE = " \t\r\n"


def looks_like_xml(path):
    if os.path.splitext(path)[1].lower() in EXTENSIONS:
        return True
    try:
        with open(path, "rb") as f:
            head = f.read(16)
    except OSError:
        return False
    return head.lstrip(b"\xef\xbb\xbf").startswith(b"<?xml") or head.startswith(
        (b"\xff\xfe<\0?\0x\0m\0l", b"\xfe\xff\0<\0?\0x\0m\0l"))


def candidates(folders):
    for folder in folders:
        for root, dirs, files in os.walk(folder, followlinks=False):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(root, name)
                try:
                    if os.path.islink(path) or not os.path.isfile(path):
                        continue
                    if os.path.getsize(path) > MAX_BYTES:
                        continue
                except OSError:
                    continue
                if looks_like_xml(path):
                    yield path


class Meaning:
    """What a document means to expat, as comparable data (None when not well-formed)."""

    def __init__(self, path):
        self.prolog = []
        self.top = []  # top-level items: ('element', tree) | ('comment', ...) | ('pi', ...)
        self.error = None
        self._stack = []
        self._text = []
        self._in_dtd = False
        parser = xml.parsers.expat.ParserCreate()
        parser.SetParamEntityParsing(xml.parsers.expat.XML_PARAM_ENTITY_PARSING_NEVER)
        parser.buffer_text = True
        parser.ordered_attributes = True
        self.attribute_orders = []  # per start tag, the attribute names in their order
        # Without a standalone declaration (or without an XML declaration) expat says -1.
        parser.XmlDeclHandler = lambda version, encoding, standalone: (
            self.prolog.append(("standalone", standalone)) if standalone != -1 else None)
        parser.StartDoctypeDeclHandler = self._start_doctype
        parser.EndDoctypeDeclHandler = self._end_doctype
        parser.EntityDeclHandler = lambda *a: self.prolog.append(("entity",) + a[:2] + a[2:3] + a[4:])
        parser.ElementDeclHandler = lambda name, model: self.prolog.append(("element", name, str(model)))
        parser.AttlistDeclHandler = lambda *a: self.prolog.append(("attlist",) + a)
        parser.NotationDeclHandler = lambda *a: self.prolog.append(("notation", a[0]) + a[2:])
        parser.StartElementHandler = self._start
        parser.EndElementHandler = self._end
        parser.CharacterDataHandler = self._characters
        parser.CommentHandler = lambda data: self._markup(("comment", data))
        parser.ProcessingInstructionHandler = lambda target, data: self._markup(("pi", target, data))
        try:
            with open(path, "rb") as f:
                parser.ParseFile(f)
        except (xml.parsers.expat.ExpatError, OSError, ValueError) as e:
            self.error = str(e)

    def _start_doctype(self, name, system, public, internal):
        self.prolog.append(("doctype", name, system, public, bool(internal)))
        self._in_dtd = True

    def _end_doctype(self):
        self._in_dtd = False

    def _flush(self):
        if self._text and self._stack:
            self._stack[-1]["children"].append(("text", "".join(self._text)))
        self._text = []

    def _markup(self, item):
        if self._in_dtd:
            self.prolog.append(item)
            return
        self._flush()
        (self._stack[-1]["children"] if self._stack else self.top).append(item)

    def _start(self, name, attributes):
        self._flush()
        self.attribute_orders.append(tuple(attributes[0::2]))
        element = {"name": name, "attributes": dict(zip(attributes[0::2], attributes[1::2])),
                   "children": []}
        (self._stack[-1]["children"] if self._stack else self.top).append(("element", element))
        self._stack.append(element)

    def _end(self, name):
        self._flush()
        self._stack.pop()

    def _characters(self, data):
        if self._stack:
            self._text.append(data)

    def canonical(self):
        def element(node, preserve):
            space = node["attributes"].get("xml:space")
            if space == "preserve":
                preserve = True
            elif space == "default":
                preserve = False
            children = node["children"]
            texts = [c for c in children if c[0] == "text"]
            mixed = any(t[1].strip(WHITESPACE) for t in texts)
            only = len(children) == 1
            out = []
            for child in children:
                if child[0] == "text":
                    if child[1].strip(WHITESPACE) or preserve or mixed or only:
                        out.append(child)
                elif child[0] == "element":
                    out.append(("element",) + element(child[1], preserve))
                else:
                    out.append(child)
            return (node["name"], tuple(sorted(node["attributes"].items())), tuple(out))

        top = tuple(("element",) + element(i[1], False) if i[0] == "element" else i
                    for i in self.top)
        return (tuple(self.prolog), top)


def first_difference(a, b, where="document"):
    if type(a) != type(b):
        return f"{where}: {a!r:.120} vs {b!r:.120}"
    if isinstance(a, tuple):
        for i, (x, y) in enumerate(zip(a, b)):
            if x != y:
                return first_difference(x, y, f"{where}[{i}]")
        if len(a) != len(b):
            extra = a[len(b):] or b[len(a):]
            return f"{where}: {len(a)} vs {len(b)} items, first extra {extra[0]!r:.120}"
        return None
    return None if a == b else f"{where}: {a!r:.120} vs {b!r:.120}"


def main():
    arguments = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    arguments.add_argument("folders", nargs="*", default=["/usr/share", "/etc"])
    arguments.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    arguments.add_argument("--report", help="write the per-file outcome here")
    options = arguments.parse_args()
    resave = os.path.join(options.build, "bin", "tovi-resave")
    if not os.access(resave, os.X_OK):
        sys.exit(f"{resave} not found: build the project first")

    counts = collections.Counter()
    refused = collections.Counter()
    lines = []
    originals = {}
    for path in candidates(options.folders):
        counts["candidates"] += 1
        meaning = Meaning(path)
        if meaning.error:
            counts["not well-formed (expat)"] += 1
            continue
        counts["well-formed"] += 1
        originals[path] = meaning

    with tempfile.TemporaryDirectory() as scratch:
        targets = {path: os.path.join(scratch, f"{i}.xml") for i, path in enumerate(originals)}
        request = "".join(f"{path}\t{target}\n" for path, target in targets.items())
        result = subprocess.run([resave], input=request.encode(), stdout=subprocess.PIPE,
                                env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), check=True)
        for row in result.stdout.decode().splitlines():
            path, load, save, message = row.split("\t", 3)
            if load != "0":
                counts["refused on load"] += 1
                refused[message.split(" (line")[0]] += 1
                lines.append(f"REFUSED {path}: {message}")
                continue
            if save != "0":
                counts["refused on save"] += 1
                refused["save: " + message] += 1
                lines.append(f"UNSAVED {path}: {message}")
                continue
            saved = Meaning(targets[path])
            if saved.error:
                counts["saved file not well-formed"] += 1
                lines.append(f"BROKEN {path}: {saved.error}")
                continue
            with open(targets[path], "rb") as f:
                if not f.read().endswith(b"\n"):
                    counts["saved file without final line break"] += 1
            difference = first_difference(originals[path].canonical(), saved.canonical())
            if difference:
                counts["meaning changed"] += 1
                lines.append(f"CHANGED {path}: {difference}")
            else:
                counts["same meaning"] += 1
            # Not meaning, but noise in every version-control diff.
            reordered = sum(a != b for a, b in zip(originals[path].attribute_orders,
                                                   saved.attribute_orders))
            if reordered:
                counts["files with attributes reordered"] += 1
                counts["start tags with attributes reordered"] += reordered

    if options.report:
        with open(options.report, "w") as f:
            f.write("\n".join(lines) + "\n")
    for key in ("candidates", "not well-formed (expat)", "well-formed", "refused on load",
                "refused on save", "saved file not well-formed", "meaning changed",
                "same meaning", "saved file without final line break",
                "files with attributes reordered", "start tags with attributes reordered"):
        print(f"{key}: {counts[key]}")
    for reason, count in refused.most_common():
        print(f"  refused {count}: {reason}")
    for line in lines:
        if not line.startswith("REFUSED"):
            print(line)


if __name__ == "__main__":
    main()

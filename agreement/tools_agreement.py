#!/usr/bin/env python3
"""Runs the W3C XML Schema suite slice and libxslt's test cases through the editor's batch
options next to xmllint and xsltproc, and prints how often they agree.

Usage: agreement/tools_agreement.py [--program build/bin/tovi-xmleditor]
                                    [--testdata ../shared/testdata] [--jobs 2] [--verbose]

Not part of ./test.sh: it takes minutes and needs xmllint and xsltproc. docs/TOOLS.md keeps the
figures and explains every difference that remains.
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TS = "{http://www.w3.org/XML/2004/xml-schema-test-suite/}"
XLINK = "{http://www.w3.org/1999/xlink}href"


def run(command, cwd=None, timeout=600):
    try:
        result = subprocess.run(command, cwd=cwd, capture_output=True, timeout=timeout)
        return result.returncode, result.stdout, result.stderr
    except subprocess.TimeoutExpired:
        return None, b"", b"timeout"


# --- XML Schema -------------------------------------------------------------------------------

def schema_groups(root):
    """(group name, schema path, [instance paths]) for every single-schema group."""
    groups = []
    for meta in ("sunMeta", "boeingMeta"):
        folder = os.path.join(root, meta)
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".testSet"):
                continue
            tree = ET.parse(os.path.join(folder, name))
            for group in tree.getroot().iter(TS + "testGroup"):
                test = group.find(TS + "schemaTest")
                if test is None:
                    continue
                schemas = test.findall(TS + "schemaDocument")
                if len(schemas) != 1:
                    continue
                schema = os.path.normpath(os.path.join(folder, schemas[0].get(XLINK)))
                instances = [os.path.normpath(os.path.join(folder, i.find(TS + "instanceDocument").get(XLINK)))
                             for i in group.findall(TS + "instanceTest")]
                if instances:
                    groups.append((group.get("name"), schema, instances))
    return groups


def xmllint_verdicts(schema, instances):
    _, _, err = run(["xmllint", "--noout", "--schema", schema] + instances)
    text = err.decode("utf-8", "replace")
    if "failed to compile" in text:
        return {i: "schema-error" for i in instances}
    return {i: "valid" if (i + " validates") in text else "invalid" for i in instances}


def editor_verdicts(program, schema, instances):
    _, _, err = run([program, "--validate", schema] + instances)
    lines = err.decode("utf-8", "replace").splitlines()
    if any(line.startswith(schema + ": ") for line in lines):
        return {i: "schema-error" for i in instances}
    verdicts = {}
    for instance in instances:
        verdicts[instance] = "invalid" if any(line.startswith(instance + ":") for line in lines) else "valid"
    return verdicts


def schema_agreement(program, root, jobs, verbose):
    groups = schema_groups(os.path.join(root, "xsdtests"))
    total = agree = 0
    differences = []
    kinds = {}

    def one(group):
        name, schema, instances = group
        return group, xmllint_verdicts(schema, instances), editor_verdicts(program, schema, instances)

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for (name, schema, instances), reference, ours in pool.map(one, groups):
            for instance in instances:
                total += 1
                kinds[ours[instance]] = kinds.get(ours[instance], 0) + 1
                if reference[instance] == ours[instance]:
                    agree += 1
                else:
                    differences.append((instance, reference[instance], ours[instance]))
    print(f"XML Schema: {agree} of {total} instance tests agree with xmllint "
          f"({100.0 * agree / max(total, 1):.2f} %), {len(groups)} single-schema groups; "
          "editor's verdicts: " + ", ".join(f"{n} {k}" for k, n in sorted(kinds.items())))
    for instance, reference, ours in differences:
        print(f"  differs: {os.path.relpath(instance, root)}: xmllint {reference}, editor {ours}")
    return agree, total


# --- XSLT -----------------------------------------------------------------------------------

def xslt_cases(root):
    """(case name, style sheet, input) following each folder's Makefile.am."""
    base = os.path.join(root, "libxslt-tests")
    cases = []
    for folder in ["REC", "namespaces"] + sorted(
            os.path.join("exslt", d) for d in os.listdir(os.path.join(base, "exslt"))
            if os.path.isdir(os.path.join(base, "exslt", d))):
        path = os.path.join(base, folder)
        for name in sorted(os.listdir(path)):
            if name.endswith(".xsl") and os.path.exists(os.path.join(path, name[:-4] + ".xml")):
                cases.append((os.path.join(folder, name[:-4]), os.path.join(path, name),
                              os.path.join(path, name[:-4] + ".xml")))
    documents = os.path.join(base, "documents")
    for sheet, source in [("bredfort.xsl", "index.xml"), ("test.xsl", "test.xml"),
                          ("test.xsl", "test_bad.xml"), ("message.xsl", "message.xml"),
                          ("fragment.xsl", "fragment.xml")]:
        cases.append(("documents/" + source[:-4], os.path.join(documents, sheet),
                      os.path.join(documents, source)))
    # general/ pairs its style sheets with inputs in a docs/ folder that the slice does not
    # carry; each style sheet is its own input there, the same for both tools.
    general = os.path.join(base, "general")
    for name in sorted(os.listdir(general)):
        if name.endswith(".xsl"):
            sheet = os.path.join(general, name)
            cases.append(("general/" + name[:-4], sheet, sheet))
    return cases


ENCODING = re.compile(rb'(<\?xml[^>]*encoding=["\'])([^"\']+)(["\'])|(charset=)([A-Za-z0-9_.:-]+)')


def normalise_encoding(data):
    """The text of an output with the encoding it names, and the name replaced: the editor
    writes every result as UTF-8 and names UTF-8."""
    match = ENCODING.search(data)
    encoding = (match.group(2) or match.group(5)).decode() if match else "utf-8"
    try:
        text = data.decode(encoding)
    except (LookupError, UnicodeDecodeError):
        text = data.decode("utf-8", "replace")
    # A declaration without encoding means UTF-8; the editor's always names it.
    text = re.sub(r'^(<\?xml[^>]*?)\s+encoding=["\'][^"\']*["\']', r"\1", text)
    text = re.sub(r"charset=[A-Za-z0-9_.:-]+", "charset=ENC", text)
    # Characters the named encoding could not hold were written as character references.
    text = re.sub(r"&#x([0-9A-Fa-f]+);", lambda m: chr(int(m.group(1), 16)), text)
    return re.sub(r"&#([0-9]+);", lambda m: chr(int(m.group(1))), text)


def xslt_agreement(program, resave, root, jobs, verbose):
    cases = xslt_cases(root)
    classes = {}
    agree = 0
    work = tempfile.mkdtemp(prefix="tovi-agreement-")

    def one(case):
        name, sheet, source = case
        reference_code, reference, _ = run(["xsltproc", sheet, source], cwd=os.path.dirname(sheet))
        out = os.path.join(work, name.replace("/", "_") + ".out")
        if os.path.exists(out):
            os.remove(out)
        code, _, err = run([program, "--transform", sheet, source, "--output", out],
                           cwd=os.path.dirname(sheet))
        ours = open(out, "rb").read() if code == 0 and os.path.exists(out) else None
        return case, reference_code, reference, code, ours, err

    def model_output(name, sheet, source):
        """xsltproc's output for the input as the editor saves it (the very text it
        transforms), saved under its own name in a copy of its folder so that relative
        references still find their files."""
        copy = os.path.join(work, name.replace("/", "_") + ".folder")
        shutil.copytree(os.path.dirname(source), copy)
        saved = os.path.join(copy, os.path.basename(source))
        os.remove(saved)
        subprocess.run([resave], input=f"{source}\t{saved}\n".encode(), capture_output=True)
        if not os.path.exists(saved):
            return None
        code, output, _ = run(["xsltproc", sheet, saved], cwd=os.path.dirname(sheet))
        shutil.rmtree(copy, ignore_errors=True)
        return output if code == 0 else None

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for (name, sheet, source), reference_code, reference, code, ours, err in pool.map(one, cases):
            reference_ok = reference_code == 0
            if reference_ok and ours is not None and ours == reference:
                agree += 1
                continue
            if not reference_ok and ours is None:
                agree += 1
                continue
            both = reference_ok and ours is not None
            encoding_only = both and normalise_encoding(ours) == normalise_encoding(reference)
            # Only an output that differs in more than its encoding is checked against the model.
            model = model_output(name, sheet, source) if both and not encoding_only else None
            if encoding_only:
                kind = "output encoding (the editor writes UTF-8)"
            elif model is not None and normalise_encoding(model) == normalise_encoding(ours):
                kind = "the editor's model of the input (xsltproc on the editor's own save gives the same)"
            elif both:
                ours_text, reference_text = normalise_encoding(ours), normalise_encoding(reference)
                if re.sub(rb"\s+", b"", ours) == re.sub(rb"\s+", b"", reference):
                    kind = "white space only"
                elif re.sub(r"\s+", "", ours_text) == re.sub(r"\s+", "", reference_text):
                    kind = "output encoding and white space"
                else:
                    kind = "other output"
            elif reference_ok:
                kind = "editor fails, xsltproc succeeds"
            else:
                kind = "xsltproc fails, editor succeeds"
            classes.setdefault(kind, []).append((name, err.decode("utf-8", "replace").strip()))
    total = len(cases)
    print(f"XSLT: {agree} of {total} cases agree with xsltproc ({100.0 * agree / max(total, 1):.2f} %)")
    for kind, names in sorted(classes.items()):
        print(f"  {kind}: {len(names)}")
        for name, err in names:
            detail = (" -- " + err.splitlines()[0]) if (verbose and err) else ""
            print(f"    {name}{detail}")
    return agree, total


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", default=os.path.join(here, "..", "build", "bin", "tovi-xmleditor"))
    parser.add_argument("--testdata", default=os.path.join(here, "..", "..", "shared", "testdata"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--only", choices=["xsd", "xslt"])
    arguments = parser.parse_args()
    program = os.path.abspath(arguments.program)
    root = os.path.abspath(arguments.testdata)
    if arguments.only != "xslt":
        schema_agreement(program, root, arguments.jobs, arguments.verbose)
    if arguments.only != "xsd":
        xslt_agreement(program, os.path.join(os.path.dirname(program), "tovi-resave"), root,
                       arguments.jobs, arguments.verbose)


if __name__ == "__main__":
    sys.exit(main())

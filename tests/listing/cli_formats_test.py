#!/usr/bin/env python3
"""dirsheet-cli's listings read back with Python's own csv and json modules, and each
command-line option checked against a walk made here with os.scandir and fnmatch.

The tree holds names in several scripts, names with every byte a POSIX file system
allows (control characters, quotes, commas, bytes that are not UTF-8), sizes past 4 GiB,
a folder link and nested folders.

usage: cli_formats_test.py DIRSHEET-CLI
"""
import csv
import datetime
import fnmatch
import io
import json
import os
import subprocess
import sys
import tempfile

CLI = sys.argv[1]
results = {"passed": 0, "failed": 0}


def check(condition, what):
    if condition:
        results["passed"] += 1
    else:
        results["failed"] += 1
        print("FAIL:", what)


def run(*args, expect=None):
    """The listing; with the whole tree the folder link makes it incomplete (exit 1)."""
    p = subprocess.run([CLI, "-q", *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if expect is None:
        expect = 0 if "--no-follow" in args or not any(a.endswith("/tree") for a in args) else 1
    check(p.returncode == expect, "exit %d (wanted %d) for %s: %s"
          % (p.returncode, expect, args, p.stderr.decode(errors="replace")))
    return p.stdout


SCRIPT_NAMES = ["Ελληνικά", "日本語のファイル", "Русский текст", "עברית", "العربية",
                "हिन्दी", "한국어", "📁 emoji", "e\u0301 combining", "ﬁ ligature"]


def make_tree(root):
    """Returns nothing; fills `root` (bytes) with the test tree."""
    def put(rel, size):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.truncate(size)

    for i, name in enumerate(SCRIPT_NAMES):
        put(os.path.join(name.encode(), (name + ".txt").encode()), 100 + i)
    # Every byte but "/" and NUL, spread over names of at most 255 bytes.
    every = bytes(b for b in range(1, 256) if b != ord("/"))
    for start in range(0, len(every), 60):
        put(os.path.join(b"bytes", b"n" + every[start:start + 60]), start)
    put(b"punct/a,b\"c;d'e\\f|g<h>i*j?k:l.csv", 7)
    put(b"punct/line\r\nbreak.txt", 8)
    put(b"big/huge.bin", 5 * 2 ** 32 + 3)
    put(b"deep/d1/d2/d3/d4/leaf.c", 12)
    put(b"deep/d1/skip.o", 13)
    put(b"node_modules/lib/x.js", 14)
    os.makedirs(os.path.join(root, b"empty"))
    os.symlink(b"../deep/d1", os.path.join(root, b"big", b"link-to-d1"))


def reference(sources, exclude=(), max_depth=-1, follow=True):
    """What the listing must hold: per folder (pre-order not needed) its files."""
    folders = {}

    def excluded(name):
        return any(fnmatch.fnmatchcase(name.lower(), p.lower()) for p in exclude)

    seen = set()

    def walk(path, depth):
        st = os.stat(path)
        if (st.st_dev, st.st_ino) in seen:
            return
        seen.add((st.st_dev, st.st_ino))
        files = []
        folders[path] = files
        subs = []
        with os.scandir(path) as it:
            for e in it:
                if excluded(os.fsdecode(e.name)):
                    continue
                if e.is_dir(follow_symlinks=True):
                    if e.is_symlink() and not follow:
                        files.append((e.name, None, e.stat(follow_symlinks=False)))
                    elif max_depth < 0 or depth < max_depth:
                        subs.append(e.path)
                else:
                    files.append((e.name, e.stat().st_size, e.stat()))
        for s in subs:
            walk(s, depth + 1)

    for s in sources:
        walk(s, 0)
    return folders


def iso(seconds):
    return datetime.datetime.fromtimestamp(int(seconds), datetime.timezone.utc).strftime(
        "%Y-%m-%dT%H:%M:%SZ")


def csv_rows(data):
    return list(csv.reader(io.StringIO(data.decode("utf-8"), newline="")))


def jsonl(data):
    return [json.loads(line) for line in data.decode("utf-8").split("\n") if line]


def as_csv_text(name):
    return name.decode("utf-8", "replace")


def as_json_text(name):
    return os.fsdecode(name)  # bytes that are not UTF-8 as \udcXX, as the listing has them


def test_csv(root):
    ref = reference([root])
    rows = csv_rows(run("-t", "csv", "-a", "type,size,modified", os.fsdecode(root)))
    check(rows[0] == ["folder", "name", "type", "size", "modified"], "CSV header %r" % rows[0])
    got = sorted((r[0], r[1], r[3], r[4]) for r in rows[1:])
    want = sorted((as_csv_text(f), as_csv_text(n), str(size), iso(st.st_mtime))
                  for f, files in ref.items() for n, size, st in files)
    check(got == want, "CSV rows match the walk (%d against %d)" % (len(got), len(want)))
    check(all(len(r) == 5 for r in rows), "every CSV record has 5 fields")
    big = [r for r in rows if r[1] == "huge.bin"]
    check(big and big[0][3] == str(5 * 2 ** 32 + 3), "size past 4 GiB in bytes")


def test_jsonl(root):
    ref = reference([root])
    objs = jsonl(run("-t", "jsonl", "-a", "size,created,modified", os.fsdecode(root)))
    files = sorted((o["folder"], o["name"], o["size"], o["modified"])
                   for o in objs if o["kind"] == "file")
    want = sorted((as_json_text(f), as_json_text(n), size, iso(st.st_mtime))
                  for f, fl in ref.items() for n, size, st in fl)
    check(files == want, "JSON file objects match the walk")
    summaries = {o["folder"]: (o["files"], o["size"]) for o in objs if o["kind"] == "folder"}
    check(summaries == {as_json_text(f): (len(fl), sum(s for _, s, _ in fl))
                        for f, fl in ref.items()}, "JSON folder summaries")
    totals = objs[-1]
    check(totals["kind"] == "totals" and totals["files"] == len(want)
          and totals["size"] == sum(w[2] for w in want)
          and totals["not_entered"] == 1  # big/link-to-d1 or deep/d1, whichever comes second
          and totals["folders"] == len(ref) - 1 + totals["not_entered"], "JSON totals %r" % totals)
    check(all(set(o) == {"kind", "folder", "name", "size", "created", "modified"}
              for o in objs if o["kind"] == "file"), "file objects have the same keys")
    # Files come before their folder's summary, folders in pre-order (parents first).
    order = [o["folder"] for o in objs if o["kind"] == "folder"]
    check(all(any(p.startswith(q + "/") for q in order[:i]) for i, p in enumerate(order) if i),
          "every folder after its parent")


def test_exclude_and_depth(root):
    src = os.fsdecode(root)
    for args, kw, code in ((["-x", "NODE_MODULES", "-x", "*.o"],
                            {"exclude": ["NODE_MODULES", "*.o"]}, 1),
                           (["-d", "1"], {"max_depth": 1}, 0), (["-d", "0"], {"max_depth": 0}, 0),
                           (["--no-follow"], {"follow": False}, 0)):
        ref = reference([root], **kw)
        objs = jsonl(run("-t", "jsonl", "-a", "none", *args, src, expect=code))
        got = sorted((o["folder"], o["name"], o["kind"]) for o in objs if o["kind"] != "folder"
                     and o["kind"] != "totals")
        want = sorted((as_json_text(f), as_json_text(n), "file" if s is not None else "link")
                      for f, fl in ref.items() for n, s, _ in fl)
        check(got == want, "option %s lists what the walk expects" % args)
        check(sorted(o["folder"] for o in objs if o["kind"] == "folder")
              == sorted(as_json_text(f) for f in ref), "option %s enters the right folders" % args)


def test_folders_only_and_several_sources(root):
    a, b = os.path.join(root, b"deep"), os.path.join(root, b"punct")
    ref = reference([a, b])
    rows = csv_rows(run("-t", "csv", "--folders-only", os.fsdecode(a), os.fsdecode(b)))
    check(rows[0] == ["folder", "files", "size"], "folders-only header")
    check(sorted(rows[1:]) == sorted([as_csv_text(f), str(len(fl)), str(sum(s for _, s, _ in fl))]
                                     for f, fl in ref.items()), "one row per folder")
    text = run("--folders-only", os.fsdecode(a), os.fsdecode(b)).decode("utf-8")
    check(text.count("Total Folder(s):") == 1, "one totals footer for several folders")
    check("Total File(s): %d\r\n" % sum(len(fl) for fl in ref.values()) in text,
          "totals of several folders")
    # A source inside another one is not listed twice.
    objs = jsonl(run("-t", "jsonl", os.fsdecode(a), os.fsdecode(os.path.join(a, b"d1")),
                     expect=1))
    check(len([o for o in objs if o["kind"] == "folder"]) == len(reference([a])),
          "a source listed already is not listed again")


def test_text_encodings(root):
    src = os.fsdecode(os.path.join(root, b"punct"))
    utf8 = run("--encoding", "utf-8", src)
    check("line??break.txt".encode() in utf8, "control characters shown as ?")
    html = run("-t", "html", "--encoding", "utf-8", os.fsdecode(root))
    check(html.startswith(b'<meta charset="utf-8">\r\n<table>'), "UTF-8 HTML declares it")
    check("日本語のファイル.txt".encode() in html, "UTF-8 HTML keeps the name")
    check(b"a,b&quot;c;d'e\\f|g&lt;h&gt;i*j?k:l.csv" in html, "markup characters escaped")
    plain = run("-t", "html", os.fsdecode(root))
    check(not plain.startswith(b"<meta"), "the code page listing declares nothing")


def test_threads(root):
    src = os.fsdecode(root)
    for fmt in ("text", "html", "csv", "jsonl"):
        one = run("-t", fmt, "-j", "1", "-a", "type,size,created,modified", src)
        for n in ("2", "8"):
            check(run("-t", fmt, "-j", n, "-a", "type,size,created,modified", src) == one,
                  "%s on %s threads is the one-thread listing" % (fmt, n))


def main():
    with tempfile.TemporaryDirectory() as tmp:
        root = os.path.join(os.fsencode(tmp), b"tree")
        make_tree(root)
        test_csv(root)
        test_jsonl(root)
        test_exclude_and_depth(root)
        test_folders_only_and_several_sources(root)
        test_text_encodings(root)
        test_threads(root)
    print("cli_formats_test: %d passed, %d failed" % (results["passed"], results["failed"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())

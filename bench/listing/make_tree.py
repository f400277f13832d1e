#!/usr/bin/env python3
"""Makes the synthetic tree of the listing benchmark: about 200,000 files in about
20,000 folders, with two folders of 20,000 files each. Sizes are sparse (nothing is
written), so the tree costs little disk. The same seed gives the same tree.

usage: make_tree.py DIR [--files N] [--folders N] [--seed S]
"""
import argparse
import os
import random

EXTENSIONS = ["txt", "c", "h", "cpp", "png", "jpg", "html", "pdf", "zip", "log",
              "dat", "bin", "xml", "json", "md", "zzq", "qqx", "bak", "", "tar.gz"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("--files", type=int, default=200_000)
    ap.add_argument("--folders", type=int, default=20_000)
    ap.add_argument("--big", type=int, default=20_000, help="files in each of the 2 big folders")
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    rnd = random.Random(args.seed)

    root = args.dir
    os.makedirs(root, exist_ok=True)
    folders = [root]
    # Folders: each new folder goes below a random earlier one, which gives a bushy tree
    # some 8 to 12 levels deep.
    for i in range(args.folders - 1):
        parent = folders[rnd.randrange(len(folders))] if rnd.random() < 0.7 else root
        path = os.path.join(parent, "dir%05d" % i)
        os.mkdir(path)
        folders.append(path)

    def make_file(folder, n):
        ext = rnd.choice(EXTENSIONS)
        name = "file%06d" % n + ("." + ext if ext else "")
        size = int(rnd.paretovariate(1.2) * 600) if rnd.random() < 0.98 else rnd.randrange(1 << 31, 1 << 33)
        with open(os.path.join(folder, name), "wb") as f:
            f.truncate(size)

    n = 0
    big = folders[1:3] if args.big > 0 else []
    for folder in big:
        for _ in range(args.big):
            make_file(folder, n)
            n += 1
    while n < args.files:
        make_file(folders[rnd.randrange(len(folders))], n)
        n += 1
    print("%s: %d files in %d folders" % (root, n, len(folders)))


if __name__ == "__main__":
    main()

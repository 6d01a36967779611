#!/usr/bin/python3
"""Writes or changes a generated Favorites tree for bench/run.

  favorites_tree.py write COUNT DIR   COUNT shortcuts in nested folders below DIR
  favorites_tree.py change DIR        changes 1 % of the shortcuts below DIR: every 200th
                                      gets a new URL, every 200th (offset 100) a new name
"""
import os
import sys

PER_FOLDER = 50
FOLDERS_PER_PARENT = 8


def shortcut(i):
    """Relative path and file text of shortcut i: blanks and non-ASCII letters in the names,
    an icon on every fifth, folders two levels deep and a third level on some."""
    folder = i // PER_FOLDER
    path = f"Thema {folder // FOLDERS_PER_PARENT} Café/Sub {folder % FOLDERS_PER_PARENT} Grüße"
    if folder % 3 == 0:
        path += "/Tiefer Ordner"
    icon_file, icon_index = ("https://example.org/favicon.ico", "1") if i % 5 == 0 else ("", "")
    text = (
        f"[InternetShortcut]\r\nURL=https://example.org/bereich/{i % 97}/seite?id={i}\r\n"
        f"IconFile={icon_file}\r\nIconIndex={icon_index}\r\n"
    )
    return f"{path}/Seite {i} Übersicht.url", text


def write(count, root):
    made = set()
    for i in range(count):
        relative, text = shortcut(i)
        folder = os.path.join(root, os.path.dirname(relative))
        if folder not in made:
            os.makedirs(folder, exist_ok=True)
            made.add(folder)
        with open(os.path.join(root, relative), "w", encoding="utf-8", newline="") as out:
            out.write(text)


def change(root):
    files = sorted(
        os.path.join(folder, name)
        for folder, _, names in os.walk(root)
        for name in names
        if name.endswith(".url")
    )
    for n, path in enumerate(files[::100]):
        if n % 2 == 0:
            with open(path, encoding="utf-8", newline="") as shortcut_file:
                text = shortcut_file.read().replace("URL=https://", "URL=https://neu.", 1)
            with open(path, "w", encoding="utf-8", newline="") as out:
                out.write(text)
        else:
            os.rename(path, os.path.join(os.path.dirname(path), "Neu " + os.path.basename(path)))


if __name__ == "__main__":
    if sys.argv[1:2] == ["write"] and len(sys.argv) == 4:
        write(int(sys.argv[2]), sys.argv[3])
    elif sys.argv[1:2] == ["change"] and len(sys.argv) == 3:
        change(sys.argv[2])
    else:
        sys.exit(__doc__)

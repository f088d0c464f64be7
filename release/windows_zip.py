#!/usr/bin/python3
"""Writes the Windows archive of a release: the two programs, the licence and
the documents as pages a Windows user opens with a double click.

    windows_zip.py OUT.zip TOP_FOLDER SOURCE_DIR FERROVELLO_EXE TOOL_EXE

Every entry goes under TOP_FOLDER/. The Markdown documents become HTML
pages (python3-markdown) that link to one another; a link to a document the
archive does not carry keeps its words and loses its target. Text is written
with CR LF line ends. The archive is the same bytes for the same inputs:
entries sorted by name, every date that of SOURCE_DATE_EPOCH, no owner or
permission of the machine that made it.
"""

import html
import os
import re
import sys
import time
import zipfile

import markdown

# The pages of the archive: source under SOURCE_DIR, name in the archive.
PAGES = [
    ("README.md", "README.html"),
    ("docs/authoring.md", "authoring.html"),
    ("docs/script-format.md", "script-format.html"),
]

STYLE = """body { font-family: sans-serif; max-width: 50em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
table { border-collapse: collapse; } th, td { border: 1px solid #999; padding: 0.2em 0.5em; vertical-align: top; }
pre { background: #f4f4f4; padding: 0.6em; overflow-x: auto; } code { background: #f4f4f4; }
img { max-width: 100%; }"""


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def page_links(body, shipped):
    """Points links between the documents at their pages in the archive."""

    def link(match):
        target, words = match.group(1), match.group(2)
        if re.match(r"^[a-z]+:", target) or target.startswith("#"):
            return match.group(0)
        path, _, anchor = target.partition("#")
        name = os.path.basename(path)
        if name in shipped:
            return '<a href="%s%s">%s</a>' % (shipped[name], "#" + anchor if anchor else "", words)
        if name in ("", ".") or name.endswith((".png", ".svg")):
            return match.group(0)
        return words

    return re.sub(r'<a href="([^"]*)">(.*?)</a>', link, body, flags=re.S)


def page(source, shipped):
    text = open(source, encoding="utf-8").read()
    title = next((line.lstrip("# ").strip() for line in text.splitlines() if line.startswith("# ")), "Ferrovello")
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"], output_format="html")
    # A bar written "\|" to keep it inside a table's cell is a plain bar.
    body = page_links(body, shipped).replace("\\|", "|")
    return crlf(
        '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n<title>%s</title>\n'
        "<style>\n%s\n</style>\n</head>\n<body>\n%s\n</body>\n</html>\n" % (html.escape(title), STYLE, body)
    )


def pictures(source):
    text = open(source, encoding="utf-8").read()
    return re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", text)


def main(argv):
    out, top, source_dir, installer, tool = argv[1:6]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    # Zip dates start in 1980 and carry no time zone: the commit's UTC time.
    date_time = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))

    shipped = {os.path.basename(source): name for source, name in PAGES}
    shipped["LICENSE"] = "LICENSE.txt"
    entries = {
        "Ferrovello.exe": open(installer, "rb").read(),
        "scenario-tool.exe": open(tool, "rb").read(),
        "LICENSE.txt": crlf(open(os.path.join(source_dir, "LICENSE"), encoding="utf-8").read()),
    }
    for source, name in PAGES:
        path = os.path.join(source_dir, source)
        entries[name] = page(path, shipped)
        for picture in pictures(path):
            entries[os.path.basename(picture)] = open(os.path.join(os.path.dirname(path), picture), "rb").read()

    with zipfile.ZipFile(out, "w") as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(top + "/" + name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0
            archive.writestr(info, entries[name], compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

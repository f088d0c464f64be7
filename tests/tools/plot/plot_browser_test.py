#!/usr/bin/python3
"""The SVG of `scenario-tool plot` as a browser draws it: headless Chromium
through WebDriver. It draws the embedded scenario whole and in a window of
10 km around Milano, where the stations crowd, and checks the geometry the
browser reports: no text touches another (station names, kilometric posts,
axes, legend, title) and no station's line crosses another station's name.
It leaves the two pictures of the README in WORKDIR (or --screenshots DIR).

    plot_browser_test.py TOOL WORKDIR [--screenshots DIR]
"""
import os
import sys
import tempfile
import unittest

# The browser helpers live beside the view's test, in the sibling folder.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "view"))
from view_browser_test import new_driver, parse_args, run  # noqa: E402

ARGS = None

# Every text's box and every station line, as drawn.
GEOMETRY = """
const box = e => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
const texts = Array.from(document.querySelectorAll('text')).map(t => ({
  cls: t.getAttribute('class') || '', text: t.textContent, box: box(t) }));
const lines = Array.from(document.querySelectorAll('line.stazione')).map(l => ({
  name: l.nextElementSibling.textContent, x: l.getBoundingClientRect().left,
  y0: l.getBoundingClientRect().top, y1: l.getBoundingClientRect().bottom }));
return [texts, lines];
"""


def touch(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class PlotInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(ARGS.workdir, exist_ok=True)
        w = tempfile.mkdtemp(prefix="plot-", dir=ARGS.workdir)
        run([ARGS.tool, "scripts", "--out", w], 0)
        scripts = ["--line", os.path.join(w, "Ferrovello_linea.txt"), "--train", os.path.join(w, "Ferrovello_2632-.txt")]
        cls.pages = {}
        for name, window in (("plot-whole-route", []), ("plot-10-km", ["--from", "78000", "--to", "88000"])):
            page = os.path.join(w, name + ".svg")
            run([ARGS.tool, "plot", "--out", page] + scripts + window, 0)
            cls.pages[name] = page
        cls.d = new_driver(tempfile.mkdtemp(prefix="chromium-profile-", dir=w))

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()

    def show(self, page):
        self.d.get("file://" + page)
        w, h = self.d.execute_script(
            "const s = document.documentElement; return [s.width.baseVal.value, s.height.baseVal.value]")
        self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": int(w), "height": int(h), "deviceScaleFactor": 1, "mobile": False})
        return self.d.execute_script(GEOMETRY)

    def test_no_text_touches_another(self):
        for name, page in self.pages.items():
            texts, _ = self.show(page)
            names = [t for t in texts if t["cls"] == "nome"]
            self.assertGreaterEqual(len(names), 2 * 3 if name == "plot-10-km" else 2 * 16, name)
            for i, a in enumerate(texts):
                for b in texts[i + 1:]:
                    self.assertFalse(touch(a["box"], b["box"]),
                                     "%s: %r at %s touches %r at %s" % (name, a["text"], a["box"], b["text"], b["box"]))

    def test_station_lines_cross_no_other_name(self):
        for name, page in self.pages.items():
            texts, lines = self.show(page)
            self.assertTrue(lines, name)
            for line in lines:
                for t in texts:
                    if t["cls"] != "nome" or t["text"] == line["name"]:
                        continue
                    b = t["box"]
                    crosses = b[0] < line["x"] < b[2] and line["y0"] < b[3] and b[1] < line["y1"]
                    self.assertFalse(crosses, "%s: the line of %s crosses %s" % (name, line["name"], t["text"]))

    def test_screenshots(self):
        out = ARGS.screenshots or ARGS.workdir
        os.makedirs(out, exist_ok=True)
        for name, page in self.pages.items():
            self.show(page)
            path = os.path.join(out, name + ".png")
            self.d.save_screenshot(path)
            self.assertGreater(os.path.getsize(path), 20000)


def main():
    global ARGS
    ARGS, argv = parse_args("tool", "workdir")
    unittest.main(argv=argv)


if __name__ == "__main__":
    main()

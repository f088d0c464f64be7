#!/usr/bin/python3
"""The page of `scenario-tool view` in a real browser: headless Chromium
driven through WebDriver. It writes the pages of the embedded scenario, of a
faulty train script and of the generated route of 1000000 m, then checks what
a person does with them: search, click, pick a fault. Every wait is explicit.

    view_browser_test.py TOOL MAKE_SCENARIO WORKDIR [--screenshots DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

WAIT = 60  # seconds for anything the page does
BIG_WAIT = 180  # seconds for the page of the route of 1000000 m to load

ARGS = None


def run(cmd, expect):
    p = subprocess.run(cmd, capture_output=True, text=True)
    if p.returncode != expect:
        raise AssertionError("%s: status %d, expected %d\n%s%s" % (cmd, p.returncode, expect, p.stdout, p.stderr))
    return p


def new_driver(profile):
    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    # The machine has no network: without these the browser waits on
    # refused connections.
    for a in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--window-size=1400,900",
              "--force-device-scale-factor=1", "--lang=it"):
        o.add_argument(a)
    o.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    d = webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"), options=o)
    # A page of 1400 x 900 CSS pixels, whatever the window around it.
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": 1400, "height": 900, "deviceScaleFactor": 1, "mobile": False})
    d.set_page_load_timeout(BIG_WAIT)
    d.set_script_timeout(WAIT)
    return d


class ViewInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = ARGS.workdir
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        w = cls.work
        tool = ARGS.tool
        run([tool, "scripts", "--out", w], 0)
        cls.line = os.path.join(w, "Ferrovello_linea.txt")
        cls.train = os.path.join(w, "Ferrovello_2632-.txt")
        cls.page = os.path.join(w, "ferrovello.html")
        run([tool, "view", "--out", cls.page, "--line", cls.line, "--train", cls.train], 0)

        # From the binary files, without the line file: no plan to draw.
        compiled = os.path.join(w, "o")
        run([tool, "compile", "--line", cls.line, "--train", cls.train, "--out", compiled], 0)
        cls.no_plan_page = os.path.join(w, "senza_pianta.html")
        run([tool, "view", "--out", cls.no_plan_page, "--dat", os.path.join(compiled, "Ferrovello_2632.dat"),
             "--sim", os.path.join(compiled, "Ferrovello_2632.sim")], 0)

        # A second signal at 7900 m, as line 41 of the train script, and a
        # misspelt keyword at line 21, an error of the check.
        with open(cls.train, "rb") as f:
            lines = f.read().split(b"\r\n")
        assert lines[39].startswith(b"segnale,  7900,"), lines[39]
        lines.insert(40, lines[39])
        assert lines[20].startswith(b"stazione,  13900,"), lines[20]
        lines[20] = b"stazzione" + lines[20][len(b"stazione"):]
        cls.faulty_train = os.path.join(w, "treno_con_errore.txt")
        with open(cls.faulty_train, "wb") as f:
            f.write(b"\r\n".join(lines))
        cls.faulty_page = os.path.join(w, "errore.html")
        p = run([tool, "view", "--out", cls.faulty_page, "--line", cls.line, "--train", cls.faulty_train], 1)
        assert "Errore n. 16" in p.stderr, p.stderr

        big = os.path.join(w, "grande")
        os.makedirs(big)
        run([ARGS.make_scenario, "1000000", big], 0)
        cls.big_page = os.path.join(w, "grande.html")
        run([tool, "view", "--out", cls.big_page, "--line", os.path.join(big, "linea.txt"),
             "--train", os.path.join(big, "treno.txt"), "--name", "Generato", "--train-number", "1"], 0)
        print("page of the embedded scenario: %d bytes; of the route of 1000000 m: %d bytes"
              % (os.path.getsize(cls.page), os.path.getsize(cls.big_page)), file=sys.stderr)

        cls.profile = tempfile.mkdtemp(prefix="chromium-profile-", dir=w)
        cls.d = new_driver(cls.profile)

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()

    # --- helpers ---
    def open(self, page, wait=WAIT):
        self.d.get("file://" + page)
        WebDriverWait(self.d, wait).until(
            lambda d: d.execute_script("return !!(window.vista && window.vista.pronta)"))
        self.d.get_log("browser")  # what came before is checked by the test that wants it

    def panel(self):
        return self.d.find_element(By.ID, "cursore").text

    def wait_panel(self, *texts):
        WebDriverWait(self.d, WAIT).until(lambda d: all(t in self.panel() for t in texts),
                                          "the panel does not show %s: %r" % (texts, self.panel()))

    def search(self, text):
        box = self.d.find_element(By.ID, "cerca")
        box.clear()
        box.send_keys(text, Keys.ENTER)

    def cursor(self):
        return self.d.execute_script("return vista.cursore()")

    def click_profile_at(self, metre):
        canvas = self.d.find_element(By.ID, "profilo")
        x = self.d.execute_script("return vista.xDiMetro(arguments[0])", metre)
        size = canvas.size
        # From the centre of the canvas, at the height of the speed band.
        ActionChains(self.d).move_to_element_with_offset(canvas, int(round(x - size["width"] / 2)), 0).click().perform()

    def severe(self):
        return [e for e in self.d.get_log("browser") if e["level"] == "SEVERE"]

    # --- tests ---
    def test_loads_without_console_errors(self):
        for page in (self.page, self.faulty_page, self.no_plan_page):
            self.d.get("file://" + page)
            WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script("return !!(window.vista && vista.pronta)"))
            self.assertIn("Ferrovello", self.d.title)
            # Move about a little: every drawing path runs once.
            self.d.execute_script("vista.vai('VALENZA'); vista.mostra(0, 88000); vista.mostra(40000, 40200)")
            self.assertEqual(self.severe(), [], page)

    def test_search_station_moves_cursor_and_shows_its_extent_and_time(self):
        self.open(self.page)
        self.search("VALENZA")
        self.wait_panel("Stazione VALENZA", "estensione da 13650 a 14150 m", "ora 7:42:00", "sosta 60 s")
        self.assertEqual(self.cursor(), 13900)
        self.assertIn("13900 m", self.panel())
        # A window around the station, the station inside it.
        a, b = self.d.execute_script("return vista.finestra()")
        self.assertLessEqual(b - a, 5000.5)
        self.assertTrue(a <= 13900 <= b)

    def test_search_by_metre_and_by_kilometric_post(self):
        self.open(self.page)
        cases = [
            ("42950", 42950, "km 0+650"),       # second system, growing
            ("35+029", 36529, "km 35+029"),     # first system; the falling third reads 35+029 at 56871 m too
            ("km 6+550", 8050, "km 6+550"),     # the first system; the falling third reads it at 85350 m
            ("ticino", None, "Cartello"),       # a signboard's text
        ]
        for text, metre, shown in cases:
            self.search(text)
            if metre is not None:
                WebDriverWait(self.d, WAIT).until(lambda d: self.cursor() == metre, "%s: cursor not at %d" % (text, metre))
                self.wait_panel(shown)
            else:
                WebDriverWait(self.d, WAIT).until(lambda d: shown in d.find_element(By.ID, "esito").text)
        for text, also in (("35+029", "56871 m"), ("6+550", "85350 m")):
            shown = self.d.execute_script("vista.vai(arguments[0]); return document.getElementById('esito').textContent", text)
            self.assertIn("anche a ", shown)
            self.assertIn(also, shown)
        self.search("NESSUNO")
        WebDriverWait(self.d, WAIT).until(lambda d: "Nessuna" in d.find_element(By.ID, "esito").text)

    def test_click_at_the_signal_shows_its_codes(self):
        self.open(self.page)
        self.search("10000")
        self.wait_panel("10000 m")
        self.click_profile_at(7900)
        self.wait_panel("159 (da 7875 a 7925 m)", "Segnale", "codici 40 0 0, lati e ripetitore 6, tempo 0")
        self.assertAlmostEqual(self.cursor(), 7900, delta=20)
        # The cell just before the signal's approach cells shows the approach code.
        ActionChains(self.d).send_keys(Keys.ARROW_LEFT).perform()
        self.wait_panel("158 (da 7825 a 7875 m)")

    def test_keyboard_and_wheel_zoom_and_pan(self):
        self.open(self.page)
        canvas = self.d.find_element(By.ID, "profilo")
        a0, b0 = self.d.execute_script("return vista.finestra()")
        ActionChains(self.d).click(canvas).perform()
        ActionChains(self.d).send_keys("+").perform()
        WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script("return vista.finestra()")[1]
                                          - d.execute_script("return vista.finestra()")[0] < (b0 - a0) * 0.9)
        a1, b1 = self.d.execute_script("return vista.finestra()")
        ActionChains(self.d).send_keys(Keys.PAGE_DOWN).perform()
        WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script("return vista.finestra()")[0] > a1 + 1)
        self.d.execute_script(
            "arguments[0].dispatchEvent(new WheelEvent('wheel', {deltaY: -100, clientX: 500, clientY: 600, bubbles: true, cancelable: true}))",
            canvas)
        a2, b2 = self.d.execute_script("return vista.finestra()")
        self.assertLess(b2 - a2, b1 - a1)
        # Drag to the left: the window moves on along the route.
        ActionChains(self.d).move_to_element(canvas).click_and_hold().move_by_offset(-200, 0).release().perform()
        WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script("return vista.finestra()")[0] > a2 + 1)

    def test_faults_panel_jumps_to_the_place_and_shows_the_script_line(self):
        self.open(self.faulty_page)
        self.assertEqual(self.severe(), [])
        self.assertEqual(self.d.find_element(By.ID, "titolo-elenco").get_attribute("textContent"), "Errori (2)")
        items = self.d.find_elements(By.CSS_SELECTOR, "#elenco li")
        self.assertEqual(len(items), 2)
        fault, warning = items
        self.assertIn("Errore n. 16", fault.text)
        self.assertIn("treno_con_errore.txt:41:1", fault.text)
        self.assertIn("7900 m", fault.text)
        self.assertIn("è già occupata", fault.text)
        self.assertIn("riga 41: segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0", fault.text)
        fault.click()
        WebDriverWait(self.d, WAIT).until(lambda d: self.cursor() == 7900)
        self.wait_panel("159 (da 7875 a 7925 m)", "codici 40 0 0")
        self.assertIn("scelto", fault.get_attribute("class"))

        # An error of the check has a place in the script only: choosing it
        # marks it and shows its line, and leaves the cursor where it was.
        self.assertIn("Errore del controllo", warning.text)
        self.assertIn("errore", warning.get_attribute("class"))
        self.assertIn("treno_con_errore.txt:21:1", warning.text)
        self.assertIn('"stazzione" non è una parola chiave', warning.text)
        self.assertIn("riga 21: stazzione,  13900,  12,  500,", warning.text)
        warning.click()
        WebDriverWait(self.d, WAIT).until(lambda d: "scelto" in warning.get_attribute("class"))
        self.assertNotIn("scelto", fault.get_attribute("class"))
        self.assertEqual(self.cursor(), 7900)
        self.d.save_screenshot(os.path.join(self.work, "errori-e-avvisi.png"))
        # Past the fault the route holds no compiled data, and says so.
        self.d.execute_script("vista.vai('20000')")
        self.wait_panel("Percorso non compilato oltre 7900 m")

    def test_route_of_a_million_metres_loads_and_answers_a_search(self):
        started = time.monotonic()
        self.open(self.big_page, BIG_WAIT)
        loaded = self.d.execute_script("return vista.caricata")
        print("route of 1000000 m: page ready %.0f ms after navigation (%.1f s with the driver)"
              % (loaded, time.monotonic() - started), file=sys.stderr)
        self.assertEqual(self.severe(), [])
        # Figures for the report only: the time of one whole drawing of both
        # canvases, at the whole route and at 5 km.
        for a, b in ((0, 1000000), (500000, 505000)):
            ms = self.d.execute_script(
                "const t = performance.now(); for (let i = 0; i < 10; i++) vista.mostra(arguments[0], arguments[1]);"
                "return (performance.now() - t) / 10", a, b)
            print("route of 1000000 m: one drawing of %d to %d m in %.1f ms" % (a, b, ms), file=sys.stderr)
        self.search("STAZIONE 60")
        self.wait_panel("Stazione STAZIONE 60", "estensione da 475800 a 476200 m")
        self.assertEqual(self.cursor(), 476000)
        self.search("999000")
        WebDriverWait(self.d, WAIT).until(lambda d: self.cursor() == 999000)
        self.d.find_element(By.ID, "tutto").click()
        WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script("return vista.finestra()") == [0, 1000000])

    def test_screenshots(self):
        out = ARGS.screenshots or self.work
        os.makedirs(out, exist_ok=True)
        self.open(self.page)
        self.search("VALENZA")
        self.wait_panel("Stazione VALENZA")
        self.d.execute_script("document.activeElement.blur(); vista.mostra(0, 88000)")
        self.d.save_screenshot(os.path.join(out, "view-whole-route.png"))
        self.d.execute_script("vista.mostra(11500, 16500)")
        self.d.save_screenshot(os.path.join(out, "view-5-km.png"))
        for name in ("view-whole-route.png", "view-5-km.png"):
            self.assertGreater(os.path.getsize(os.path.join(out, name)), 10000)


def parse_args(*names):
    """The positional arguments `names` (one of them "workdir") and
    --screenshots, as absolute paths; the rest goes to unittest."""
    p = argparse.ArgumentParser()
    for name in names:
        p.add_argument(name)
    p.add_argument("--screenshots")
    args, rest = p.parse_known_args()
    args.workdir = os.path.abspath(args.workdir)
    if args.screenshots:
        args.screenshots = os.path.abspath(args.screenshots)
    return args, [sys.argv[0], "-v"] + rest


def main():
    global ARGS
    ARGS, argv = parse_args("tool", "make_scenario", "workdir")
    unittest.main(argv=argv)


if __name__ == "__main__":
    main()

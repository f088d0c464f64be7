#!/usr/bin/python3
"""`scenario-tool view --serve` in a real browser: headless Chromium driven
through WebDriver. The server runs on copies of the embedded scripts; the
test edits them as an author does (in place, by renaming a new file over the
old, by deleting and writing again) and checks that the open page follows
each save in place, at the same window and cursor, with a banner while the
scripts hold a fault. Also what the server refuses, and that SIGTERM and
Ctrl-C end it with status 0.

    serve_browser_test.py TOOL WORKDIR [--screenshots DIR]
"""
import argparse
import http.client
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from selenium.webdriver.support.ui import WebDriverWait

# The browser is opened as the view's browser test opens it.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "view"))
from view_browser_test import new_driver as view_driver  # noqa: E402

WAIT = 60  # seconds for anything that is not the measured follow
FOLLOW = 2  # seconds from a save to the page redrawn
ARGS = None

# The frame of the view page shown by the live page.
FRAME = "document.querySelector('iframe.vista:not(.arriva)').contentWindow"


def start_server(tool, line, train, *extra, env=None):
    p = subprocess.Popen([tool, "view", "--serve", "--line", line, "--train", train, *extra],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
    ready, _, _ = select.select([p.stdout], [], [], WAIT)
    if not ready:
        p.kill()
        raise AssertionError("the server printed no address")
    first = p.stdout.readline()
    prefix = "Pagina servita su http://127.0.0.1:"
    if not first.startswith(prefix):
        p.kill()
        raise AssertionError("unexpected first line %r; stderr %r" % (first, p.stderr.read()))
    return p, int(first[len(prefix):].split("/")[0])


def stop_server(p, sig):
    p.send_signal(sig)
    out, err = p.communicate(timeout=WAIT)
    return p.returncode, out, err


def new_driver(profile):
    """The view's browser, as its test opens it, waiting WAIT for a page."""
    d = view_driver(profile)
    d.set_page_load_timeout(WAIT)
    return d


def request(port, path, host=None, method="GET"):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=WAIT)
    c.putrequest(method, path, skip_host=True)
    c.putheader("Host", host if host is not None else "127.0.0.1:%d" % port)
    c.endheaders()
    r = c.getresponse()
    body = r.read()
    c.close()
    return r.status, body


class ServeInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = ARGS.workdir
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        subprocess.run([ARGS.tool, "scripts", "--out", cls.work], check=True, capture_output=True)
        cls.line = os.path.join(cls.work, "Ferrovello_linea.txt")
        cls.train = os.path.join(cls.work, "Ferrovello_2632-.txt")
        with open(cls.train, "rb") as f:
            cls.original = f.read()
        cls.server, cls.port = start_server(ARGS.tool, cls.line, cls.train)
        cls.profile = tempfile.mkdtemp(prefix="chromium-profile-", dir=cls.work)
        cls.d = new_driver(cls.profile)

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()
        if cls.server.poll() is None:
            cls.server.kill()
            cls.server.communicate()

    # --- helpers ---
    def frame(self, script, *args):
        return self.d.execute_script("const w = " + FRAME + "; " + script, *args)

    def open_live_page(self):
        self.d.get("http://127.0.0.1:%d/" % self.port)
        WebDriverWait(self.d, WAIT).until(lambda d: d.execute_script(
            "return !!(window.diretta && diretta.aggiornata)"))

    def shown_page(self):
        return self.d.execute_script("return diretta.aggiornata.pagina")

    def save(self, data, by_rename=False):
        """Writes the train script and returns the time of the write."""
        if by_rename:
            # As Vim and VS Code do: a new file, renamed over the old one.
            new = self.train + ".nuovo"
            with open(new, "wb") as f:
                f.write(data)
            t = time.time()
            os.replace(new, self.train)
            return t
        t = time.time()
        with open(self.train, "wb") as f:
            f.write(data)
        return t

    def wait_state(self, state, since_page, timeout=WAIT):
        """Waits for the server's state and for a page later than `since_page`."""
        WebDriverWait(self.d, timeout, poll_frequency=0.02).until(
            lambda d: d.execute_script("return diretta.stato && diretta.stato.stato") == state and
            self.shown_page() > since_page,
            "no page in state %s after page %d: %r" % (state, since_page,
                                                       self.d.execute_script("return diretta.stato")))

    def station(self, name):
        return self.frame("return JSON.parse(w.document.getElementById('dati').textContent).stazioni"
                          ".find(s => s.nome === arguments[0])", name)

    def banner(self):
        return self.d.execute_script(
            "const b = document.getElementById('banner'); return b.hidden ? null : b.innerText")

    def severe(self):
        return [e for e in self.d.get_log("browser") if e["level"] == "SEVERE"]

    def edited(self, old, new):
        self.assertIn(old, self.original)
        return self.original.replace(old, new, 1)

    # --- tests ---
    def test_the_page_follows_saves_in_place(self):
        self.open_live_page()
        self.assertIsNone(self.banner())
        valenza = self.station("VALENZA")
        self.assertEqual((valenza["posizione"], valenza["da"], valenza["a"]), (13900, 13650, 14150))
        # A window and a cursor of the author's; a mark that a reload would lose.
        self.frame("w.vista.vai('12345'); w.vista.mostra(10000, 20000)")
        self.d.execute_script("window.segno = 'stessa pagina'")
        window = self.frame("return w.vista.finestra()")

        def same_place():
            self.assertEqual(self.d.execute_script("return window.segno"), "stessa pagina")
            self.assertEqual(self.frame("return w.vista.finestra()"), window)
            self.assertEqual(self.frame("return w.vista.cursore()"), 12345)

        # VALENZA 500 m further: the new extent within two seconds.
        moved = self.edited(b"stazione,  13900,", b"stazione,  14400,")
        page = self.shown_page()
        self.save(moved)
        self.wait_state("ok", page, FOLLOW)
        valenza = self.station("VALENZA")
        self.assertEqual((valenza["posizione"], valenza["da"], valenza["a"]), (14400, 14150, 14650))
        same_place()

        # A second signal at 7900 m: the banner names the fault and its line,
        # the list shows it, and the last good route stays.
        signal_line = b"segnale,  7900,"
        at = moved.index(signal_line)
        end = moved.index(b"\r\n", at) + 2
        faulty = moved[:end] + moved[at:end] + moved[end:]
        line_number = faulty[:end].count(b"\r\n") + 1
        page = self.shown_page()
        self.save(faulty)
        self.wait_state("errori", page, FOLLOW)
        text = self.banner()
        self.assertIn("Errore n. 16 · Ferrovello_2632-.txt, riga %d" % line_number, text)
        self.assertIn("segnale,  7900,", text)
        self.assertIn("ultimo percorso compilato senza errori", text)
        self.assertIn("Errore n. 16", self.frame("return w.document.getElementById('elenco').innerText"))
        valenza = self.station("VALENZA")
        self.assertEqual((valenza["da"], valenza["a"]), (14150, 14650))
        same_place()
        # The picture of the banner over the route, for a person to look at.
        pictures = ARGS.screenshots or self.work
        os.makedirs(pictures, exist_ok=True)
        self.d.save_screenshot(os.path.join(pictures, "serve-banner.png"))

        # Mended: the banner goes.
        page = self.shown_page()
        self.save(moved)
        self.wait_state("ok", page, FOLLOW)
        self.assertIsNone(self.banner())
        self.assertEqual(self.frame("return w.document.getElementById('sezione-elenco').hidden"), True)
        same_place()

        # Saved by renaming a new file over the old: followed too.
        page = self.shown_page()
        self.save(self.original, by_rename=True)
        self.wait_state("ok", page, FOLLOW)
        self.assertEqual(self.station("VALENZA")["posizione"], 13900)
        same_place()

        # The script gone: said on the page, the route kept; back: followed.
        os.remove(self.train)
        WebDriverWait(self.d, WAIT).until(lambda d: "non c’è più" in (self.banner() or ""))
        self.assertIn("Ferrovello_2632-.txt", self.banner())
        self.assertEqual(self.station("VALENZA")["posizione"], 13900)
        page = self.shown_page()
        self.save(moved)
        self.wait_state("ok", page, FOLLOW)
        self.assertIsNone(self.banner())
        self.assertEqual(self.station("VALENZA")["posizione"], 14400)
        same_place()
        self.assertEqual(self.severe(), [])
        self.save(self.original)

    def test_only_the_page_its_data_and_its_events_are_served(self):
        status, body = request(self.port, "/")
        self.assertEqual(status, 200)
        self.assertIn(b"EventSource('/eventi')", body)
        status, body = request(self.port, "/vista?v=1")
        self.assertEqual(status, 200)
        self.assertIn(b'<script id="dati"', body)
        cases = [
            ("/Ferrovello_2632-.txt", None, "GET", 404),
            ("/../Ferrovello_linea.txt", None, "GET", 404),
            ("/vista/../../etc/passwd", None, "GET", 404),
            ("/%2e%2e/Ferrovello_linea.txt", None, "GET", 404),
            ("/", "esempio.it", "GET", 403),                       # a name of another site, pointed here
            ("/vista", "esempio.it:%d" % self.port, "GET", 403),
            ("/", "127.0.0.1:%d" % (self.port + 1), "GET", 403),   # another port
            ("/", "", "GET", 403),
            ("/", "localhost:%d" % self.port, "GET", 200),
            ("/", None, "POST", 405),
        ]
        for path, host, method, expected in cases:
            with self.subTest(path=path, host=host, method=method):
                self.assertEqual(request(self.port, path, host, method)[0], expected)

    def test_it_listens_on_loopback_only(self):
        try:
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.connect(("192.0.2.1", 9))  # no packet is sent: only the route is looked up
            address = s.getsockname()[0]
            s.close()
        except OSError:
            self.skipTest("no address other than loopback")
        if address.startswith("127."):
            self.skipTest("no address other than loopback")
        with self.assertRaises(OSError):
            socket.create_connection((address, self.port), timeout=5).close()

    def test_sigterm_and_ctrl_c_end_it_with_status_0(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                p, port = start_server(ARGS.tool, self.line, self.train)
                self.assertEqual(request(port, "/")[0], 200)
                status, out, err = stop_server(p, sig)
                self.assertEqual(status, 0, err)
                self.assertIn("Server chiuso", out)
                with self.assertRaises(OSError):
                    socket.create_connection(("127.0.0.1", port), timeout=5).close()

    def test_open_hands_the_address_to_the_desktop(self):
        # xdg-open as the desktop has it, replaced by one that notes its arguments.
        bin_folder = os.path.join(self.work, "bin")
        os.makedirs(bin_folder, exist_ok=True)
        noted = os.path.join(self.work, "xdg-open.txt")
        with open(os.path.join(bin_folder, "xdg-open"), "w") as f:
            f.write("#!/bin/sh\necho \"$@\" > '%s'\n" % noted)
        os.chmod(os.path.join(bin_folder, "xdg-open"), 0o755)
        env = dict(os.environ, PATH=bin_folder + os.pathsep + os.environ.get("PATH", ""))
        p, port = start_server(ARGS.tool, self.line, self.train, "--open", env=env)
        status, _, err = stop_server(p, signal.SIGTERM)
        self.assertEqual(status, 0, err)
        with open(noted) as f:
            self.assertEqual(f.read(), "http://127.0.0.1:%d/\n" % port)

    def test_a_port_taken_is_an_error(self):
        p = subprocess.run([ARGS.tool, "view", "--serve", "--port", str(self.port), "--line", self.line,
                            "--train", self.train], capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(p.returncode, 1)
        self.assertIn("Impossibile aprire il server sulla porta %d" % self.port, p.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("workdir")
    parser.add_argument("--screenshots")
    ARGS, rest = parser.parse_known_args()
    ARGS.tool = os.path.abspath(ARGS.tool)
    ARGS.workdir = os.path.abspath(ARGS.workdir)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

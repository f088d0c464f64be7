#!/usr/bin/python3
"""The benchmark of `scenario-tool view --serve`, in headless Chromium:

1. from the write of the train script to the view page redrawn in the open
   page, measured by the browser's clock against the time of the write
   (both the machine's wall clock), over SAVES saves that move the station
   VALENZA to and fro, each after the page has settled;
2. the processor time the server takes while it idles with the page open,
   over IDLE seconds (Linux: /proc/PID/stat).

Prints two lines "NAME VALUE" for bench/run:
    follow_median_ms 48.1
    idle_cpu_ms_per_s 0.00

    serve_latency.py TOOL WORKDIR [SAVES] [IDLE]
"""
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    tool, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    saves = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    idle = float(sys.argv[4]) if len(sys.argv) > 4 else 10
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run([tool, "scripts", "--out", work], check=True, capture_output=True)
    line = os.path.join(work, "Ferrovello_linea.txt")
    train = os.path.join(work, "Ferrovello_2632-.txt")
    with open(train, "rb") as f:
        original = f.read()
    moved = original.replace(b"stazione,  13900,", b"stazione,  14400,", 1)
    assert moved != original

    server = subprocess.Popen([tool, "view", "--serve", "--line", line, "--train", train],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    select.select([server.stdout], [], [], 60)
    address = server.stdout.readline().split(" su ")[1].split()[0]

    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
              "--user-data-dir=" + tempfile.mkdtemp(dir=work), "--window-size=1400,900"):
        o.add_argument(a)
    d = webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"), options=o)
    try:
        d.get(address)
        WebDriverWait(d, 60).until(lambda x: x.execute_script("return !!(window.diretta && diretta.aggiornata)"))
        times = []
        for i in range(saves):
            page = d.execute_script("return diretta.aggiornata.pagina")
            time.sleep(0.3)  # the page and the server at rest
            written = time.time()
            with open(train, "wb") as f:
                f.write(moved if i % 2 == 0 else original)
            WebDriverWait(d, 30, poll_frequency=0.01).until(
                lambda x: x.execute_script("return diretta.aggiornata.pagina") > page)
            times.append(d.execute_script("return diretta.aggiornata.ora") - written * 1000)

        time.sleep(1)
        before = cpu_seconds(server.pid)
        time.sleep(idle)
        spent = cpu_seconds(server.pid) - before
    finally:
        d.quit()
        server.terminate()
        server.communicate(timeout=30)
    print("follow_median_ms %.1f" % statistics.median(times))
    print("follow_max_ms %.1f" % max(times))
    print("idle_cpu_ms_per_s %.2f" % (spent * 1000 / idle))


if __name__ == "__main__":
    main()

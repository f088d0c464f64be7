#!/usr/bin/python3
"""A flood on `scenario-tool view --serve`, measured by hand: KIND is
`half` (connections that send half a request and wait) or `streams` (event
streams held open). COUNT connections are held open for SECONDS;
each one the server closes is opened again at once, so the pressure stays.
Meanwhile the server's processor use is sampled from /proc and the live page
is fetched once a second on a new connection, with its time.

    serve_flood.py PORT SERVER_PID KIND COUNT SECONDS
"""
import os
import resource
import selectors
import socket
import sys
import time


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def fds(pid):
    return len(os.listdir("/proc/%d/fd" % pid))


def main():
    port, pid, kind, count, seconds = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), float(sys.argv[5])
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, max(soft, count + 100)), hard))
    host = "Host: 127.0.0.1:%d\r\n" % port
    payload = ("GET / HTTP/1.1\r\n" + host).encode() if kind == "half" else \
        ("GET /eventi HTTP/1.1\r\n" + host + "\r\n").encode()
    sel = selectors.DefaultSelector()
    opened = 0

    def open_one():
        nonlocal opened
        s = socket.socket()
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.setblocking(False)
        try:
            s.connect(("127.0.0.1", port))
        except BlockingIOError:
            pass
        sel.register(s, selectors.EVENT_WRITE, "new")
        opened += 1

    for _ in range(count):
        open_one()
    start = time.time()
    cpu0 = cpu_seconds(pid)
    last_fetch = 0
    fetches = []
    max_fds = 0
    while time.time() - start < seconds:
        for key, _ in sel.select(0.05):
            s = key.fileobj
            if key.data == "new":
                try:
                    s.send(payload)
                    sel.modify(s, selectors.EVENT_READ, "held")
                except OSError:
                    sel.unregister(s)
                    s.close()
                    open_one()
            else:
                # Held: what the server sends is drained, its close answered
                # by a new connection.
                try:
                    data = s.recv(65536)
                except OSError:
                    data = b""
                if not data:
                    sel.unregister(s)
                    s.close()
                    open_one()
        max_fds = max(max_fds, fds(pid))
        if time.time() - last_fetch >= 1:
            last_fetch = time.time()
            t = time.time()
            try:
                c = socket.create_connection(("127.0.0.1", port), timeout=10)
                c.sendall(("GET / HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n").encode())
                body = b""
                while True:
                    b = c.recv(65536)
                    if not b:
                        break
                    body += b
                c.close()
                fetches.append((body.startswith(b"HTTP/1.1 200"), time.time() - t))
            except OSError:
                fetches.append((False, time.time() - t))
    elapsed = time.time() - start
    cpu = cpu_seconds(pid) - cpu0
    ok = sum(1 for f in fetches if f[0])
    print("%s x%d for %.0f s: connections opened %d, server CPU %.1f %%, server descriptors at most %d, "
          "page fetched %d/%d, slowest %.3f s" % (kind, count, elapsed, opened, 100 * cpu / elapsed, max_fds,
                                                  ok, len(fetches), max((f[1] for f in fetches), default=0)))


if __name__ == "__main__":
    main()

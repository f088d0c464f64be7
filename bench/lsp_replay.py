#!/usr/bin/env python3
"""Replays edits through the protocol of `scenario-tool lsp`, as a person
types, with the diagnostics' delay set to 0, and prints one line of figures
as JSON:

  latency_ms   median time from a change written to the diagnostics of its
               version read back, over EDITS changes one at a time;
  burst_ms     (with --burst) time from the last of 100 changes written 20 ms
               apart to the diagnostics of that last version; and how many
               diagnostics were published for the 100 versions;
  peak_bytes   the server's peak resident memory (VmHWM) before it exits.

  lsp_replay.py TOOL LINE_SCRIPT TRAIN_SCRIPT [--edits N] [--burst]

The train script is opened and edited; the line script is found beside it
by the installer's names or by the folder's pair file.
"""
import json
import os
import statistics
import subprocess
import sys
import time


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


class Server:
    def __init__(self, tool):
        self.p = subprocess.Popen([tool, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.buffer = b""

    def send(self, message):
        self.p.stdin.write(frame(message))
        self.p.stdin.flush()

    def read(self):
        while True:
            end = self.buffer.find(b"\r\n\r\n")
            if end >= 0:
                length = int(self.buffer[:end].split(b":")[1])
                if len(self.buffer) >= end + 4 + length:
                    body = self.buffer[end + 4:end + 4 + length]
                    self.buffer = self.buffer[end + 4 + length:]
                    return json.loads(body)
            chunk = os.read(self.p.stdout.fileno(), 1 << 20)
            if not chunk:
                raise SystemExit("the server ended early")
            self.buffer += chunk

    # The diagnostics of `version` of `uri`, and the versions published before.
    def diagnostics_of(self, uri, version):
        seen = []
        while True:
            m = self.read()
            if m.get("method") == "textDocument/publishDiagnostics" and m["params"]["uri"] == uri:
                seen.append(m["params"].get("version"))
                if m["params"].get("version") == version:
                    return m["params"]["diagnostics"], seen

    def peak(self):
        with open("/proc/%d/status" % self.p.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
        return 0


def main():
    args = sys.argv[1:]
    tool, line, train = args[0], os.path.abspath(args[1]), os.path.abspath(args[2])
    edits = int(args[args.index("--edits") + 1]) if "--edits" in args else 30
    burst = "--burst" in args
    with open(train, encoding="latin-1") as f:
        text = f.read()
    # The edit: the speed of the first "velocita" line, one value and another.
    sep = "\r\n" if "\r\n" in text else "\n"
    lines = text.split(sep)
    row = next(i for i, l in enumerate(lines) if l.startswith("velocita"))
    head, _, value = lines[row].rpartition(",")
    variants = []
    for k in range(2):
        copy = list(lines)
        copy[row] = head + ",  " + str(int(value) - 5 * k)
        variants.append(sep.join(copy))
    uri = "file://" + train
    s = Server(tool)
    s.send({"jsonrpc": "2.0", "id": 1, "method": "initialize",
            "params": {"processId": os.getpid(), "initializationOptions": {"ritardo": 0}, "capabilities": {}}})
    s.send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    s.send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
            "params": {"textDocument": {"uri": uri, "languageId": "text", "version": 1, "text": text}}})
    first, _ = s.diagnostics_of(uri, 1)
    version = 1
    latencies = []

    def change(v, t):
        s.send({"jsonrpc": "2.0", "method": "textDocument/didChange",
                "params": {"textDocument": {"uri": uri, "version": v}, "contentChanges": [{"text": t}]}})

    for n in range(edits):
        version += 1
        start = time.perf_counter()
        change(version, variants[n % 2])
        s.diagnostics_of(uri, version)
        latencies.append((time.perf_counter() - start) * 1000)
    result = {"latency_ms": round(statistics.median(latencies), 2), "edits": edits,
              "diagnostics_on_open": len(first)}
    if burst:
        start_version = version + 1
        for n in range(100):
            version += 1
            change(version, variants[n % 2])
            if n < 99:
                time.sleep(0.02)
        last = time.perf_counter()
        _, seen = s.diagnostics_of(uri, version)
        result["burst_ms"] = round((time.perf_counter() - last) * 1000, 2)
        result["burst_published"] = len([v for v in seen if v is not None and v >= start_version])
    result["peak_bytes"] = s.peak()
    s.send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    s.send({"jsonrpc": "2.0", "method": "exit"})
    s.p.stdin.close()
    status = s.p.wait()
    result["status"] = status
    print(json.dumps(result))


main()

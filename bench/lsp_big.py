#!/usr/bin/env python3
"""Writes the messages of a client that opens one line script just under
the scripts' 16 MiB limit and asks for its symbols, to a file given as
`scenario-tool lsp`'s standard input:

  lsp_big.py OUT KIND

KIND is the filler line: x (no keyword), empty, or curve (a curve whose
fields are words). Before the filler the script gives the route's length.
"""
import json
import sys

LIMIT = 16 << 20
FILLERS = {"x": "x", "empty": "", "curve": "curvas4, a, b"}


def frame(message):
    body = json.dumps(message, separators=(",", ":")).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def text(filler):
    head = "[generale]\r\nlunghezza percorso, 100000\r\n[fine]\r\n"
    line = filler + "\r\n"
    return head + line * ((LIMIT - len(head)) // len(line))


def main():
    out, kind = sys.argv[1], sys.argv[2]
    uri = "untitled:grande"
    messages = [
        {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"initializationOptions": {"ritardo": 0}}},
        {"jsonrpc": "2.0", "method": "initialized", "params": {}},
        {"jsonrpc": "2.0", "method": "textDocument/didOpen",
         "params": {"textDocument": {"uri": uri, "languageId": "scenario", "version": 1, "text": text(FILLERS[kind])}}},
        {"jsonrpc": "2.0", "id": 2, "method": "textDocument/documentSymbol", "params": {"textDocument": {"uri": uri}}},
        {"jsonrpc": "2.0", "id": 3, "method": "shutdown"},
        {"jsonrpc": "2.0", "method": "exit"},
    ]
    with open(out, "wb") as f:
        for m in messages:
            f.write(frame(m))


main()

#!/usr/bin/env python3
"""Serves the playground built by web/build.sh on this machine only.

    python3 web/serve.py PORT

serves build-web/ at http://127.0.0.1:PORT/ until Ctrl+C. PORT 0 takes a free
port; the first line printed names the address either way.

Every response carries the two headers that make the page cross-origin
isolated, without which browsers give a page no SharedArrayBuffer: the worker
that runs a macro waits on one for the input line and reads Stop from it.
"""
import http.server
import pathlib
import sys

SITE = pathlib.Path(__file__).resolve().parent.parent / "build-web"


class PlaygroundHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".js": "text/javascript",
        ".wasm": "application/wasm",
        ".json": "application/json",
        ".qrn": "text/plain; charset=shift_jis",
    }

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=str(SITE), **kwargs)

    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        # A rebuilt site is seen at the next load, never a stale mix of old and new.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):
        pass


def main():
    if len(sys.argv) != 2 or not sys.argv[1].isdigit():
        sys.exit("usage: python3 web/serve.py PORT")
    if not (SITE / "index.html").is_file():
        sys.exit(f"{SITE} holds no playground: build it with web/build.sh first")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), PlaygroundHandler)
    print(f"Serving the playground at http://127.0.0.1:{server.server_port}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()

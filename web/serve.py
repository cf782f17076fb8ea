#!/usr/bin/env python3
"""Serves the web build on 127.0.0.1 (static files with the right types for WebAssembly).

For the browser test it can also log every request with its status (--log) and accept the
test page's results as a POST to /result (--result FILE).
"""
import argparse
import http.server
import os
import sys

TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".html": "text/html",
         ".ogg": "audio/ogg", ".gz": "application/octet-stream", ".txt": "text/plain",
         ".syncs": "text/plain", ".png": "image/png"}


def handler_class(root, log_path, result_path):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def guess_type(self, path):
            return TYPES.get(os.path.splitext(path)[1], "application/octet-stream")

        def end_headers(self):
            self.send_header("Cache-Control", "no-store")
            super().end_headers()

        def log_request(self, code="-", size="-"):
            if log_path:
                with open(log_path, "a", encoding="utf-8") as log:
                    log.write(f"{int(code) if str(code).isdigit() else code} {self.path}\n")

        def log_message(self, fmt, *args):
            pass

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            if self.path != "/result" or not result_path:
                self.send_error(404)
                return
            tmp = result_path + ".tmp"
            with open(tmp, "wb") as out:
                out.write(body)
            os.replace(tmp, result_path)
            self.send_response(204)
            self.end_headers()

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("root", help="the site folder (holds index.html)")
    parser.add_argument("--port", type=int, default=8177, help="0 picks a free port")
    parser.add_argument("--log", help="append 'STATUS PATH' for every request")
    parser.add_argument("--result", help="where a POST to /result is written")
    parser.add_argument("--port-file", help="write the port in use here")
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.root, "index.html")):
        sys.exit(f"serve.py: no index.html in {args.root}; build the site with scripts/web")
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", args.port), handler_class(args.root, args.log, args.result))
    port = server.server_address[1]
    if args.port_file:
        with open(args.port_file, "w", encoding="utf-8") as f:
            f.write(f"{port}\n")
    print(f"tarnwick: serving {args.root} at http://127.0.0.1:{port}/ (Ctrl+C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()

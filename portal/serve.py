#!/usr/bin/env python3
"""Serves the Corvela demo portal on loopback (127.0.0.1 only).

The pages come from this folder. /files/demo.bin is made up on the fly and sent in
chunks with a pause between them, so that a download's progress can be watched.
Inside lumen the portal is reached as www.corvela.localhost:PORT: the engine
resolves every *.localhost name to the loopback address.
"""

import argparse
import errno
import http.server
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent
DOWNLOAD_PATH = "/files/demo.bin"
DOWNLOAD_NAME = "corvela-demo.bin"
CHUNK_SIZE = 64 * 1024
CHUNK_COUNT = 128  # 8 MiB
CHUNK_PAUSE = 0.04  # seconds: the whole download takes about five


class PortalHandler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=str(ROOT), **kwargs)

    def do_GET(self):
        if self.request_path() == DOWNLOAD_PATH:
            self.send_download(with_body=True)
        else:
            super().do_GET()

    def do_HEAD(self):
        if self.request_path() == DOWNLOAD_PATH:
            self.send_download(with_body=False)
        else:
            super().do_HEAD()

    def request_path(self):
        return self.path.split("?", 1)[0].split("#", 1)[0]

    def send_head(self):
        # The server's own source is not part of the portal.
        if self.request_path().endswith(".py"):
            self.send_error(404)
            return None
        return super().send_head()

    def list_directory(self, path):
        self.send_error(404)
        return None

    def end_headers(self):
        # Pages change while someone works on them: the engine must ask again every time.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def send_download(self, with_body):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(CHUNK_SIZE * CHUNK_COUNT))
        self.send_header("Content-Disposition", f'attachment; filename="{DOWNLOAD_NAME}"')
        self.end_headers()
        if not with_body:
            return
        chunk = bytes(range(256)) * (CHUNK_SIZE // 256)
        try:
            for _ in range(CHUNK_COUNT):
                self.wfile.write(chunk)
                self.wfile.flush()
                time.sleep(CHUNK_PAUSE)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the download was cancelled


def bind(port):
    try:
        return http.server.ThreadingHTTPServer(("127.0.0.1", port), PortalHandler)
    except OSError as error:
        if error.errno != errno.EADDRINUSE or port == 0:
            raise
    print(f"Port {port} is taken; using a free one.", file=sys.stderr)
    return http.server.ThreadingHTTPServer(("127.0.0.1", 0), PortalHandler)


def main():
    parser = argparse.ArgumentParser(description="Serve the Corvela demo portal on loopback.")
    parser.add_argument("port", nargs="?", type=int, default=8765,
                        help="port to listen on (default 8765; a taken port falls back to a free one)")
    parser.add_argument("--port-file", type=Path,
                        help="write the port listened on to this file once the server is ready")
    arguments = parser.parse_args()

    server = bind(arguments.port)
    port = server.server_address[1]
    if arguments.port_file:
        # Renamed into place, so that a reader never sees half of it.
        partial = arguments.port_file.with_name(arguments.port_file.name + ".partial")
        partial.write_text(f"{port}\n")
        partial.replace(arguments.port_file)
    print(f"Serving the portal on http://127.0.0.1:{port}/ "
          f"(inside lumen: www.corvela.localhost:{port})", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()

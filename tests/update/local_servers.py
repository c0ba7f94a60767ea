#!/usr/bin/env python3
"""Runs a test program next to throw-away local web servers on 127.0.0.1.

Usage: local_servers.py [--slow-name-lookup] COMMAND [ARGS...]

Starts these listeners and passes their ports to COMMAND in the environment:
  TABULORA_TEST_MIXED_PORT      TLS (certificate the test trusts) or plain HTTP on one port
  TABULORA_TEST_UNTRUSTED_PORT  TLS (certificate nobody trusts) or plain HTTP on one port
  TABULORA_TEST_PLAIN_PORT      plain HTTP only; a TLS handshake is cut off
  TABULORA_TEST_CLOSED_PORT     a port nothing listens on
  TABULORA_TEST_SILENT_PORT     accepts connections and never sends or reads a byte (TLS
                                handshakes included)
  TABULORA_TEST_TRICKLE_PORT    TLS (trusted) or plain HTTP; answers every request with a
                                status line and then an endless trickle of header lines, one
                                every TRICKLE_PAUSE_S seconds
  TABULORA_TEST_RECORDER_PORT   TLS (trusted) or plain HTTP; answers every request with a valid
                                check answer and counts the requests (see /control/recorded)
  TABULORA_TEST_TRUSTED_CERT    the trusted certificate, DER in base64
COMMAND also gets a fresh WINEPREFIX of its own, removed afterwards.

With --slow-name-lookup, COMMAND runs in a mount namespace of its own whose /etc/resolv.conf
names a local name server that takes questions and never answers, and TABULORA_TEST_SLOW_NAME
holds a name to look up there. That needs root (port 53, mount); without it the variable is not
set and a note says why.

Paths served by the mixed, untrusted and plain listeners (any method): /echo (the request's
exact bytes), /status500, /silent (never answers), /big/N (N bytes), /charset/latin1,
/charset/none, /charset/utf8, /redirect/NNN (status NNN pointing at the recorder listener, same
scheme), /flood/continue (interim answers as fast as the connection takes them), /raw/NAME (one of
the malformed answers in RAW_ANSWERS), /php/check2.php and /php/feedback.php (the scripted
answer), /control/answer (sets that answer from the form fields status, body and location),
/control/requests (count, transport and body of the requests to the scripted paths),
/control/recorded (the number of requests the recorder listener has seen).
"""
import base64
import os
import shutil
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import urllib.parse

COMMAND_TIMEOUT_S = 900
SILENT_HOLD_S = 30
TRICKLE_PAUSE_S = 0.2
TRICKLE_LIMIT_S = 120  # a client that never gives up is cut off after this long
CONTINUE = b"HTTP/1.1 100 Continue\r\n\r\n"
RECORDED_ANSWER = (b"<version>9.9</version>\r\n<url>https://recorder.example/</url>\r\n\r\n"
                   b"<result>0</result>\r\n\r\n<important></important>\r\n")
# Malformed answers: a five-digit status would read as 200 by its first three digits; two
# lengths that disagree; a transfer coding that only contains the word "chunked".
RAW_ANSWERS = {
    "status2000": b"HTTP/1.1 2000 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok",
    "two-lengths": b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 4\r\nConnection: close\r\n\r\nokok",
    "same-length-twice": b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok",
    "not-chunked": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: xchunked\r\nConnection: close\r\n\r\n2\r\nok\r\n0\r\n\r\n",
}
stopping = threading.Event()


class CheckScript:
    """The answer of /php/check2.php and the requests it received."""

    def __init__(self):
        self.lock = threading.Lock()
        self.status = 200
        self.body = b""
        self.location = ""
        self.requests = []  # (transport, body)
        self.recorded = 0   # requests the recorder listener has seen

    def set(self, status, body, location):
        with self.lock:
            self.status, self.body, self.location = status, body, location

    def record(self, transport, body):
        with self.lock:
            self.requests.append((transport, body))
            return self.status, self.body, self.location

    def count_recorded(self):
        with self.lock:
            self.recorded += 1

    def summary(self):
        with self.lock:
            transport, body = self.requests[-1] if self.requests else ("", b"")
            return b"%d\n%s\n%s" % (len(self.requests), transport.encode(), body)


script = CheckScript()
recorder_port = 0


def make_certificate(folder, name):
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=DNS:127.0.0.1,IP:127.0.0.1",
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return key, cert


def read_request(conn):
    """Reads one request; returns (path, raw bytes, body) or None."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(body) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        body += chunk
    parts = head.split(b"\r\n", 1)[0].split(b" ")
    path = parts[1].decode("latin-1") if len(parts) > 1 else "/"
    return path, head + b"\r\n\r\n" + body, body


def respond(conn, status, body, content_type="text/plain", location=""):
    reason = {200: "OK", 500: "Internal Server Error"}.get(status, "Status")
    head = "HTTP/1.1 %d %s\r\n" % (status, reason)
    if content_type:
        head += "Content-Type: %s\r\n" % content_type
    if location:
        head += "Location: %s\r\n" % location
    head += "Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
    conn.sendall(head.encode("latin-1") + body)


def trickle(conn):
    """A head that never ends, a line at a time, until the client goes away (or much later)."""
    conn.sendall(b"HTTP/1.1 200 OK\r\n")
    for number in range(int(TRICKLE_LIMIT_S / TRICKLE_PAUSE_S)):
        if stopping.wait(TRICKLE_PAUSE_S):
            return
        conn.sendall(b"X-Trickle: %d\r\n" % number)


def flood(conn):
    """Interim answers as fast as the client takes them, until it goes away (or 64 MiB)."""
    block = CONTINUE * 1000
    for _ in range(64 * 1024 * 1024 // len(block)):
        conn.sendall(block)


def recorder_url(transport, path):
    return "%s://127.0.0.1:%d%s" % (transport, recorder_port, path)


def serve(conn, path, raw, body, transport):
    if path == "/echo":
        respond(conn, 200, raw, "application/octet-stream")
    elif path == "/status500":
        respond(conn, 500, b"server broke")
    elif path == "/silent":
        stopping.wait(SILENT_HOLD_S)
    elif path.startswith("/big/"):
        respond(conn, 200, b"x" * int(path[5:]))
    elif path == "/charset/latin1":
        respond(conn, 200, b"caf\xe9", "text/plain; charset=iso-8859-1")
    elif path == "/charset/none":
        respond(conn, 200, b"caf\xe9", "text/plain")
    elif path == "/charset/utf8":
        respond(conn, 200, "caf\u00e9".encode(), "text/plain; charset=utf-8")
    elif path.startswith("/redirect/"):
        respond(conn, int(path[10:]), b"moved", location=recorder_url(transport, "/php/check2.php"))
    elif path == "/flood/continue":
        flood(conn)
    elif path.startswith("/raw/") and path[5:] in RAW_ANSWERS:
        conn.sendall(RAW_ANSWERS[path[5:]])
    elif path in ("/php/check2.php", "/php/feedback.php"):
        status, answer, location = script.record(transport, body)
        respond(conn, status, answer, location=location.replace("RECORDER", recorder_url(transport, "")))
    elif path == "/control/answer":
        fields = urllib.parse.parse_qs(body.decode("utf-8"), keep_blank_values=True)
        script.set(int(fields.get("status", ["200"])[0]), fields.get("body", [""])[0].encode(),
                   fields.get("location", [""])[0])
        respond(conn, 200, b"OK")
    elif path == "/control/requests":
        respond(conn, 200, script.summary())
    elif path == "/control/recorded":
        respond(conn, 200, b"%d" % script.recorded)
    else:
        respond(conn, 404, b"no such path")


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(15)
        try:
            first = conn.recv(1, socket.MSG_PEEK)
            transport = "http"
            if first == b"\x16":  # a TLS handshake record
                if self.server.tls is None:
                    return
                conn = self.server.tls.wrap_socket(conn, server_side=True)
                transport = "https"
            request = read_request(conn)
            if request:
                self.server.answer(conn, request, transport)
        except (OSError, ssl.SSLError, ValueError):
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, tls, answer=None):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls = tls
        self.answer = answer or (lambda conn, request, transport: serve(conn, *request, transport))


def answer_by_trickling(conn, request, transport):
    trickle(conn)


def answer_as_recorder(conn, request, transport):
    script.count_recorded()
    respond(conn, 200, RECORDED_ANSWER)


class SilentHandler(socketserver.BaseRequestHandler):
    """Holds the connection open without a word until the client leaves or the run ends."""

    def handle(self):
        stopping.wait(TRICKLE_LIMIT_S)


class SilentServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), SilentHandler)


def tls_context(key, cert):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


SLOW_NAME = "never-answered.test"


def silent_name_server():
    """A UDP socket on port 53 of a loopback address: it takes questions and never answers."""
    for third in range(90, 110):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            sock.bind(("127.83.%d.%d" % (third, os.getpid() % 250 + 2), 53))
            return sock
        except OSError:
            sock.close()
    return None


def in_slow_name_namespace(command, folder):
    """The command, run where every name lookup goes to a name server that never answers; None
    when this machine does not allow it."""
    if shutil.which("unshare") is None or subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "true"], stderr=subprocess.DEVNULL).returncode:
        return None, None
    server = silent_name_server()
    if server is None:
        return None, None
    resolv = os.path.join(folder, "resolv.conf")
    with open(resolv, "w") as f:
        f.write("nameserver %s\noptions timeout:30 attempts:1\n" % server.getsockname()[0])
    wrapped = ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
               'mount --bind "$0" /etc/resolv.conf && exec "$@"', resolv] + command
    return wrapped, server


def unused_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    command = sys.argv[1:]
    slow_name_lookup = command[:1] == ["--slow-name-lookup"]
    if slow_name_lookup:
        command = command[1:]
    if not command:
        sys.exit(__doc__)
    folder = tempfile.mkdtemp(prefix="tabulora-upd-")
    servers = []
    name_server = None
    try:
        trusted_key, trusted_cert = make_certificate(folder, "trusted")
        untrusted = make_certificate(folder, "untrusted")
        global recorder_port
        trusted = tls_context(trusted_key, trusted_cert)
        mixed = Server(trusted)
        other = Server(tls_context(*untrusted))
        plain = Server(None)
        trickling = Server(trusted, answer_by_trickling)
        recorder = Server(trusted, answer_as_recorder)
        recorder_port = recorder.server_address[1]
        silent = SilentServer()
        servers = [mixed, other, plain, trickling, recorder, silent]
        for server in servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        with open(trusted_cert) as f:
            der = ssl.PEM_cert_to_DER_cert(f.read())
        prefix = os.path.join(folder, "wineprefix")
        env = dict(os.environ,
                   WINEPREFIX=prefix,
                   TABULORA_TEST_MIXED_PORT=str(mixed.server_address[1]),
                   TABULORA_TEST_UNTRUSTED_PORT=str(other.server_address[1]),
                   TABULORA_TEST_PLAIN_PORT=str(plain.server_address[1]),
                   TABULORA_TEST_CLOSED_PORT=str(unused_port()),
                   TABULORA_TEST_SILENT_PORT=str(silent.server_address[1]),
                   TABULORA_TEST_TRICKLE_PORT=str(trickling.server_address[1]),
                   TABULORA_TEST_RECORDER_PORT=str(recorder_port),
                   TABULORA_TEST_TRUSTED_CERT=base64.b64encode(der).decode())
        if slow_name_lookup:
            wrapped, name_server = in_slow_name_namespace(command, folder)
            if wrapped:
                command = wrapped
                env["TABULORA_TEST_SLOW_NAME"] = SLOW_NAME
            else:
                print("local_servers.py: no slow name lookup here (needs root for a mount namespace "
                      "and port 53)", file=sys.stderr)
        child = subprocess.Popen(command, env=env, start_new_session=True)
        try:
            code = child.wait(timeout=COMMAND_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            print("local_servers.py: the command ran out of time", file=sys.stderr)
            code = 1
        if os.path.isdir(prefix) and shutil.which("wineserver"):
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL, timeout=60)
        return code
    finally:
        stopping.set()
        if name_server:
            name_server.close()
        for server in servers:
            server.shutdown()
            server.server_close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

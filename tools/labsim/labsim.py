#!/usr/bin/env python3
"""Lab simulator: a stand-in for the photo lab's web server, for tests and
for running the kiosk on a desk without a lab.

    python3 tools/labsim/labsim.py FOLDER [--port N] [--login L --password P]
                                          [--tls CERT KEY]

FOLDER is the simulator's own storage (the file-transfer page reads and writes
there). It listens on 127.0.0.1 only. The first line on standard output is
"LABSIM_PORT=<port>" (useful with --port 0, which picks a free port); every
other diagnostic goes to standard error.

Services are modules of this folder: every module that defines ROUTES, a dict
mapping a URL path (matched without regard to case) to a handler
``handler(req) -> Reply``, is loaded at start. See filetransfer.py.

Test control, both over HTTP and over standard input (one JSON object a line,
answered by one JSON line on standard output):

    POST /__control   {"cmd": "fault", "rule": {...}}       add a fault rule
                      {"cmd": "clear_faults"}
                      {"cmd": "credentials", "login": L, "password": P}
                      {"cmd": "credentials"}                  (no check)
                      {"cmd": "journal"}                      -> {"journal": [...]}
                      {"cmd": "clear_journal"}
                      {"cmd": "ping"}
    GET  /__journal   the journal as a JSON array

Fault rules (first match wins; "times" limits how often a rule fires):
    {"kind": "reply", "status": 500, "reason": "...", "body": "...",
     "headers": [["Name", "value"]]}       canned reply, the page does nothing
    {"kind": "slow", "chunk": 1024, "delay_ms": 50}   body sent in slow pieces
    {"kind": "cut", "after": 100}          announce the whole body, send
                                           "after" bytes, close the connection
    {"kind": "hang"}                       read the request, never answer
    {"kind": "close"}                      close without any reply
    {"kind": "refuse_credentials"}         every credential is wrong
  Optional match keys: "path" (exact, any case), "method", "action" (the
  query's action word), "times" (count, default unlimited).

End of standard input (the test that started it went away) stops the server.
"""
import argparse
import base64
import glob
import hashlib
import importlib
import json
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from common import Reply, credential, parse_multipart  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
JOURNAL_BODY_LIMIT = 64 * 1024


class Request:
    """A received request as handlers see it."""

    def __init__(self, server, method, raw_path, headers, body):
        self.server = server
        self.method = method
        self.raw_path = raw_path
        split = urllib.parse.urlsplit(raw_path)
        self.path = urllib.parse.unquote(split.path)
        self.query_string = split.query
        self.query = dict(urllib.parse.parse_qsl(split.query, keep_blank_values=True))
        self.headers = headers            # [(name, value)] in the order received
        self.body = body
        self.parts = None
        self.form_error = None
        self.flags = set()                # fault kinds that handlers honour
        self.notes = {}                   # what handlers want in the journal
        ctype = self.header("Content-Type") or ""
        if ctype.lower().startswith("multipart/form-data"):
            try:
                self.parts = parse_multipart(body, ctype)
            except ValueError as e:
                self.form_error = str(e)

    def header(self, name):
        for n, v in self.headers:
            if n.lower() == name.lower():
                return v
        return None

    def part(self, name):
        for p in self.parts or []:
            if p.name == name:
                return p
        return None

    def check_credentials(self):
        """True when the request may proceed: no login configured, or the
        query's logincred matches the configured login and password."""
        login, password = self.server.state.credentials()
        given = self.query.get("logincred")
        if "refuse_credentials" in self.flags:
            ok = False
        elif login is None:
            ok = True
        else:
            ok = given == credential(login, password)
        self.notes["credentials"] = "ok" if ok else "refused"
        return ok


class State:
    """Everything the tests may change or read, behind one lock."""

    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.journal = []
        self.faults = []
        self.login = None
        self.password = None
        self.stopping = threading.Event()

    def credentials(self):
        with self.lock:
            return self.login, self.password

    def take_fault(self, req, action):
        with self.lock:
            for rule in self.faults:
                if "path" in rule and rule["path"].lower() != req.path.lower():
                    continue
                if "method" in rule and rule["method"].upper() != req.method:
                    continue
                if "action" in rule and rule["action"].upper() != (action or "").upper():
                    continue
                if "times" in rule:
                    rule["times"] -= 1
                    if rule["times"] <= 0:
                        self.faults.remove(rule)
                return dict(rule)
        return None

    def record(self, entry):
        with self.lock:
            entry["seq"] = len(self.journal) + 1
            self.journal.append(entry)

    def control(self, cmd):
        """Applies one control command; returns the JSON answer."""
        if not isinstance(cmd, dict):
            return {"ok": False, "error": "a control command is a JSON object"}
        name = cmd.get("cmd")
        with self.lock:
            if name == "ping":
                return {"ok": True}
            if name == "fault":
                rule = cmd.get("rule") or {}
                if not isinstance(rule, dict):
                    return {"ok": False, "error": "a fault rule is a JSON object"}
                rule = dict(rule)
                if rule.get("kind") not in ("reply", "slow", "cut", "hang", "close",
                                            "refuse_credentials"):
                    return {"ok": False, "error": "unknown fault kind"}
                error = check_rule_values(rule)
                if error:
                    return {"ok": False, "error": error}
                self.faults.append(rule)
                return {"ok": True}
            if name == "clear_faults":
                self.faults.clear()
                return {"ok": True}
            if name == "credentials":
                self.login = cmd.get("login")
                self.password = cmd.get("password", "")
                return {"ok": True}
            if name == "journal":
                return {"ok": True, "journal": list(self.journal)}
            if name == "clear_journal":
                self.journal.clear()
                return {"ok": True}
        for hook in CONTROL_HOOKS:
            answer = hook(cmd)
            if answer is not None:
                return answer
        return {"ok": False, "error": "unknown command"}


# The numeric values of a fault rule, and the types they must have.
RULE_NUMBERS = {"status": int, "times": int, "after": int, "chunk": int, "delay_ms": (int, float)}


def check_rule_values(rule):
    """The problem of a rule whose values would fail when it fires, or None."""
    for key, kind in RULE_NUMBERS.items():
        if key in rule and (isinstance(rule[key], bool) or not isinstance(rule[key], kind)):
            return "fault rule value %s is not a number" % key
    if "status" in rule and not 100 <= rule["status"] <= 999:
        return "fault rule status out of range"
    headers = rule.get("headers", [])
    if not isinstance(headers, list) or not all(
            isinstance(h, list) and len(h) == 2 and all(isinstance(x, str) for x in h) for h in headers):
        return "fault rule headers are [name, value] pairs"
    for key in ("body", "reason", "content_type", "body_b64", "path", "method", "action"):
        if key in rule and not isinstance(rule[key], str):
            return "fault rule value %s is not a string" % key
    if "body_b64" in rule:
        try:
            base64.b64decode(rule["body_b64"], validate=True)
        except ValueError:
            return "fault rule body_b64 is not base64"
    return None


# Control commands of the service modules (their control_command(cmd), which
# answers a dict, or None for a command that is not theirs).
CONTROL_HOOKS = []


def load_routes():
    routes = {}
    prefixes = []
    for path in sorted(glob.glob(os.path.join(HERE, "*.py"))):
        name = os.path.splitext(os.path.basename(path))[0]
        if name in ("labsim", "common") or name.startswith("test_"):
            continue
        module = importlib.import_module(name)
        for key, handler in getattr(module, "ROUTES", {}).items():
            routes[key.lower()] = handler
        for key, handler in getattr(module, "PREFIX_ROUTES", {}).items():
            prefixes.append((key.lower(), handler))
        if hasattr(module, "control_command"):
            CONTROL_HOOKS.append(module.control_command)
    # Longest prefix first, so a more precise service wins.
    prefixes.sort(key=lambda p: -len(p[0]))
    return routes, prefixes


def find_route(server, path):
    lower = path.lower()
    handler = server.routes.get(lower)
    if handler is None:
        for prefix, h in server.prefix_routes:
            if lower.startswith(prefix):
                return h
    return handler


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LabSim/1.0"

    def log_message(self, fmt, *args):
        sys.stderr.write("labsim: %s\n" % (fmt % args))

    def do_GET(self):
        self.serve()

    def do_POST(self):
        self.serve()

    def do_PUT(self):
        self.serve()

    def do_DELETE(self):
        self.serve()

    def read_body(self):
        if (self.headers.get("Transfer-Encoding") or "").lower() == "chunked":
            out = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(out)
                out += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def serve(self):
        state = self.server.state
        try:
            body = self.read_body()
        except ValueError:
            # The body cannot be found in the stream: answer, then close.
            self.close_connection = True
            return self.send(Reply(400, "Invalid Content-Length or chunk size", reason="Bad Request"))
        req = Request(self.server, self.command, self.path, list(self.headers.items()), body)

        if req.path == "/__control":
            try:
                answer = state.control(json.loads(body or b"{}"))
            except ValueError:
                answer = {"ok": False, "error": "invalid JSON"}
            return self.send(Reply(200 if answer.get("ok") else 400, json.dumps(answer),
                                   "application/json"))
        if req.path == "/__journal":
            return self.send(Reply(200, json.dumps(state.control({"cmd": "journal"})["journal"]),
                                   "application/json"))

        action = req.query.get("action")
        fault = state.take_fault(req, action)
        kind = fault["kind"] if fault else None
        if kind == "refuse_credentials":
            req.flags.add(kind)

        if kind in ("reply", "hang", "close"):
            reply = None
            if kind == "reply":
                reply = Reply(fault.get("status", 500), self.fault_body(fault), fault.get(
                    "content_type", "text/plain; charset=utf-8"), fault.get("reason"),
                    [tuple(h) for h in fault.get("headers", [])])
        else:
            handler = find_route(self.server, req.path)
            if handler is None:
                reply = Reply(404, "Not found: " + req.path, reason="Not Found")
            else:
                try:
                    reply = handler(req)
                except Exception as e:  # a simulator bug must not kill the server
                    reply = Reply(500, "Simulator error: %r" % e)

        self.journal(req, reply, fault)
        if kind == "hang":
            # Keep the connection open and silent until the client gives up
            # or the simulator stops.
            self.close_connection = True
            while not state.stopping.is_set():
                try:
                    self.connection.settimeout(0.2)
                    if self.connection.recv(1, socket.MSG_PEEK) == b"":
                        break
                except socket.timeout:
                    continue
                except OSError:
                    break
            return
        if kind == "close":
            self.close_connection = True
            return
        self.send(reply, fault)

    @staticmethod
    def fault_body(fault):
        if "body_b64" in fault:
            return base64.b64decode(fault["body_b64"])
        return fault.get("body", "")

    def journal(self, req, reply, fault):
        entry = {
            "time": time.time(),
            "method": req.method,
            "path": req.path,
            "query_string": req.query_string,
            "query": req.query,
            "headers": [[n, v] for n, v in req.headers],
            "body_size": len(req.body),
            "status": reply.status if reply else None,
            "fault": fault["kind"] if fault else None,
        }
        if len(req.body) <= JOURNAL_BODY_LIMIT:
            entry["body"] = req.body.decode("utf-8", "replace")
        if req.parts is not None:
            entry["parts"] = [{
                "name": p.name, "filename": p.filename, "content_type": p.content_type,
                "size": len(p.data), "sha256": hashlib.sha256(p.data).hexdigest(),
                "value": p.data.decode("utf-8", "replace") if p.filename is None else None,
            } for p in req.parts]
        if req.form_error:
            entry["form_error"] = req.form_error
        entry.update(req.notes)
        self.server.state.record(entry)

    def send(self, reply, fault=None):
        self.send_response(reply.status, reply.reason)
        for name, value in reply.headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(reply.body)))
        self.end_headers()
        body = reply.body
        kind = fault["kind"] if fault else None
        try:
            if kind == "cut":
                self.wfile.write(body[:int(fault.get("after", 0))])
                self.wfile.flush()
                self.close_connection = True
                self.connection.shutdown(socket.SHUT_RDWR)
                return
            if kind == "slow":
                chunk = max(1, int(fault.get("chunk", 1024)))
                delay = float(fault.get("delay_ms", 50)) / 1000.0
                for i in range(0, len(body), chunk):
                    self.wfile.write(body[i:i + chunk])
                    self.wfile.flush()
                    if state_stopping(self):
                        break
                    time.sleep(delay)
                return
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


def state_stopping(handler):
    return handler.server.state.stopping.is_set()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def control_from_stdin(server):
    """Reads control commands from standard input; its end stops the server."""
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        try:
            answer = server.state.control(json.loads(line))
        except ValueError:
            answer = {"ok": False, "error": "invalid JSON"}
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()
    server.state.stopping.set()
    threading.Thread(target=server.shutdown, daemon=True).start()


def main(argv=None):
    parser = argparse.ArgumentParser(description="Photo lab simulator (127.0.0.1 only)")
    parser.add_argument("folder", help="storage folder of the simulated lab")
    parser.add_argument("--port", type=int, default=8080, help="0 picks a free port")
    parser.add_argument("--login", help="login whose credential the pages require")
    parser.add_argument("--password", default="", help="password of --login")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="serve HTTPS with this certificate chain and key (PEM)")
    parser.add_argument("--no-stdin", action="store_true",
                        help="ignore standard input (run in the background)")
    args = parser.parse_args(argv)

    folder = os.path.abspath(args.folder)
    os.makedirs(folder, exist_ok=True)
    sys.path.insert(0, HERE)
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = State(folder)
    server.state.login = args.login
    server.state.password = args.password
    server.routes, server.prefix_routes = load_routes()
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        # The handshake runs in the connection's own thread, so a client
        # that refuses the certificate cannot stall the accepting loop.
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)

    sys.stdout.write("LABSIM_PORT=%d\n" % server.server_address[1])
    sys.stdout.flush()
    if not args.no_stdin:
        threading.Thread(target=control_from_stdin, args=(server,), daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        server.state.stopping.set()
        server.server_close()


if __name__ == "__main__":
    main()

"""Shared pieces of the lab simulator's services: replies, multipart bodies,
credentials and safe storage paths."""
import hashlib
import os

CREDENTIAL_SALT = "vobzn\u00e9"


class Reply:
    """What a handler answers. body is bytes."""

    def __init__(self, status=200, body=b"", content_type="text/plain; charset=utf-8",
                 reason=None, headers=None):
        self.status = status
        self.reason = reason
        self.body = body.encode("utf-8") if isinstance(body, str) else body
        self.headers = list(headers or [])
        if content_type and not any(n.lower() == "content-type" for n, _ in self.headers):
            self.headers.insert(0, ("Content-Type", content_type))


class Part:
    """One part of a multipart/form-data body."""

    def __init__(self, name, filename, content_type, data):
        self.name = name
        self.filename = filename
        self.content_type = content_type
        self.data = data


def header_param(value, key):
    """A parameter (boundary=, name=, filename=) of a header value."""
    for piece in value.split(";")[1:]:
        k, _, v = piece.strip().partition("=")
        if k.strip().lower() == key:
            v = v.strip()
            if len(v) >= 2 and v[0] == '"' and v[-1] == '"':
                v = v[1:-1].replace('\\"', '"').replace("\\\\", "\\")
            return v
    return None


def parse_multipart(body, content_type):
    """Splits a multipart/form-data body; raises ValueError when malformed."""
    boundary = header_param(content_type, "boundary")
    if not boundary:
        raise ValueError("multipart body without boundary")
    delim = b"--" + boundary.encode("latin-1")
    parts = []
    pieces = body.split(delim)
    if len(pieces) < 3:
        raise ValueError("multipart body without parts")
    for piece in pieces[1:]:
        if piece.startswith(b"--"):
            break
        if piece.startswith(b"\r\n"):
            piece = piece[2:]
        if piece.endswith(b"\r\n"):
            piece = piece[:-2]
        head, sep, data = piece.partition(b"\r\n\r\n")
        if not sep:
            raise ValueError("multipart part without header end")
        headers = {}
        for line in head.decode("utf-8", "replace").split("\r\n"):
            n, _, v = line.partition(":")
            headers[n.strip().lower()] = v.strip()
        disp = headers.get("content-disposition", "")
        parts.append(Part(header_param(disp, "name"), header_param(disp, "filename"),
                          headers.get("content-type"), data))
    return parts


def credential(login, password):
    return hashlib.md5((password + CREDENTIAL_SALT + login).encode("utf-8")).hexdigest()


def storage_path(root, relative):
    """The absolute path of a storage path below root ("/" or "\\" separated,
    leading separators ignored; empty means root itself), or None when it
    holds a NUL or a ".." that would climb out."""
    rel = (relative or "").replace("\\", "/").lstrip("/")
    if "\0" in rel:
        return None
    pieces = [p for p in rel.split("/") if p not in ("", ".")]
    if any(p == ".." for p in pieces):
        return None
    return os.path.join(root, *pieces) if pieces else root

"""The lab's file-transfer page "/FileTransfer.aspx".

Query keys: "file" (storage path, "/" separated), "action" (the action word)
and "logincred" (MD5 of password + salt + login, checked when the simulator
has a login). Replies are status 200 with a text or the file's bytes:

    GET     the file's bytes; 404 when it does not exist
    PUT     multipart part "uploadedfile" stored at "file"        -> "OK"
    LIST    count line, then one storage path per entry (CR LF); "-1" when
            the folder does not exist
    LISTD   like LIST, each entry "path<TAB>size<TAB>modified<TAB>D|F"
    LISTDR  like LISTD, every entry below the folder
    RENAME  form field "RenameTo": the new storage path            -> "OK"
    MKDIR   creates the folder and its parents (existing is fine)  -> "OK"
    RMDIR   removes an empty folder                                -> "OK"
    DEL     removes a file                                         -> "OK"
    SIZE    the file's size in bytes; "-1" when it does not exist

Refusals: 400 for a missing key, an unknown action or a path with "..",
403 for a wrong credential, 404 for a missing source, 409 for a conflict.
"""
import datetime
import os
import tempfile

from common import Reply, storage_path

PAGE = "/FileTransfer.aspx"
ACTIONS = ("GET", "PUT", "LIST", "LISTD", "LISTDR", "RENAME", "MKDIR", "RMDIR", "DEL", "SIZE")


def _clean(rel):
    return "/".join(p for p in (rel or "").replace("\\", "/").split("/") if p not in ("", "."))


def _text(body, status=200, reason=None):
    return Reply(status, body, reason=reason)


def _entries(root, folder_rel, folder_abs, recursive):
    out = []
    for name in sorted(os.listdir(folder_abs)):
        abs_path = os.path.join(folder_abs, name)
        rel = folder_rel + "/" + name if folder_rel else name
        out.append((rel, abs_path))
        if recursive and os.path.isdir(abs_path):
            out.extend(_entries(root, rel, abs_path, True))
    return out


def _detail(rel, abs_path):
    st = os.stat(abs_path)
    stamp = datetime.datetime.fromtimestamp(st.st_mtime).strftime("%Y-%m-%dT%H:%M:%S")
    kind = "D" if os.path.isdir(abs_path) else "F"
    size = 0 if kind == "D" else st.st_size
    return "%s\t%d\t%s\t%s" % (rel, size, stamp, kind)


def _list(root, rel, target, details, recursive):
    if not os.path.isdir(target):
        return _text("-1")
    entries = _entries(root, _clean(rel), target, recursive)
    lines = [_detail(r, a) if details else r for r, a in entries]
    return _text("\r\n".join([str(len(lines))] + lines))


def _store(target, data):
    """Writes a file through a temporary file renamed into place."""
    os.makedirs(os.path.dirname(target), exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(target), prefix=".upload-")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.replace(tmp, target)
    except BaseException:
        if os.path.exists(tmp):
            os.remove(tmp)
        raise


def page(req):
    root = req.server.state.folder
    action = (req.query.get("action") or "").upper()
    if "file" not in req.query or not action:
        return _text("Missing file or action", 400, "Bad Request")
    if action not in ACTIONS:
        return _text("Unsupported action: " + action, 400, "Bad Request")
    if not req.check_credentials():
        return _text("Access denied", 403, "Forbidden")
    rel = req.query["file"]
    target = storage_path(root, rel)
    if target is None:
        return _text("Invalid path", 400, "Bad Request")
    req.notes["file"] = _clean(rel)

    if action == "GET":
        if not os.path.isfile(target):
            return _text("File not found", 404, "Not Found")
        with open(target, "rb") as f:
            return Reply(200, f.read(), "application/octet-stream")
    if action == "SIZE":
        return _text(str(os.path.getsize(target)) if os.path.isfile(target) else "-1")
    if action in ("LIST", "LISTD", "LISTDR"):
        return _list(root, rel, target, action != "LIST", action == "LISTDR")
    if action == "PUT":
        part = req.part("uploadedfile")
        if part is None or part.filename is None:
            return _text("No uploaded file", 400, "Bad Request")
        if target == root or os.path.isdir(target):
            return _text("Target is a directory", 409, "Conflict")
        _store(target, part.data)
        return _text("OK")
    if action == "RENAME":
        field = req.part("RenameTo")
        if field is None:
            return _text("No RenameTo field", 400, "Bad Request")
        new_rel = field.data.decode("utf-8", "replace")
        req.notes["rename_to"] = new_rel
        new_target = storage_path(root, new_rel)
        if new_target is None or new_target == root:
            return _text("Invalid path", 400, "Bad Request")
        if target == root or not os.path.exists(target):
            return _text("Source not found", 404, "Not Found")
        if os.path.exists(new_target):
            return _text("Destination exists", 409, "Conflict")
        os.makedirs(os.path.dirname(new_target), exist_ok=True)
        os.rename(target, new_target)
        return _text("OK")
    if action == "MKDIR":
        if os.path.exists(target) and not os.path.isdir(target):
            return _text("A file has this name", 409, "Conflict")
        os.makedirs(target, exist_ok=True)
        return _text("OK")
    if action == "RMDIR":
        if target == root or not os.path.isdir(target):
            return _text("Directory not found", 404, "Not Found")
        if os.listdir(target):
            return _text("Directory not empty", 409, "Conflict")
        os.rmdir(target)
        return _text("OK")
    # DEL
    if not os.path.isfile(target):
        return _text("File not found", 404, "Not Found")
    os.remove(target)
    return _text("OK")


ROUTES = {PAGE: page}

"""A stand-in for the social network the kiosk takes customers' photos from:
its Graph API, its OAuth log-in dialog, and the lab's redirect page that
hands the log-in result to the kiosk's browser.

    /graph/<version>/me                      the logged-in user (id, name)
    /graph/<version>/me/albums               his albums, paged
    /graph/<version>/<album id>/photos       photos of an album, paged
                                             (fields name, picture, images,
                                             created_time)
    /graph/<version>/oauth/access_token      code -> access token
    /graph/pictures/<name>.png?w=W&h=H       a W x H PNG picture (one colour)
    /dialog/oauth/                           the log-in dialog: a log-in form,
                                             then the permission question
    /facebook.aspx                           the lab's redirect page: hidden
                                             inputs facebookZebState, ...Code,
                                             ...Error, ...ErrorReason,
                                             ...ErrorDesc carrying the result

Every Graph request but the token exchange needs a valid "access_token";
errors are JSON "error" objects with the Graph's shape. Paging links are
absolute and carry the token. A log-in sets the session cookie "gsim_sid";
a browser that still has it is not asked for the password again.

Control (standard input or POST /__control), all with "cmd": "social":

    {"cmd": "social", "op": "reset"}          the default world, no sessions
    {"cmd": "social", "op": "world", "world": {...}}   replace the world
    {"cmd": "social", "op": "state"}          tokens, codes, sessions issued
    {"cmd": "social", "op": "album_pages", "album": "900", "pages": 250,
     "per_page": 1, "loop": false}            an album of generated pages
                                              (loop: "next" names page 1)

The world: {"app_id", "app_secret", "users": {id: {"name", "login",
"password", "albums": [{"id", "name", "photos": [{"id", "name", "created_time",
"ext", "sizes": [[w, h], ...]}]}]}}, "per_page"}. A photo member set to null
is left out of the replies.
"""
import copy
import html
import json
import secrets
import struct
import threading
import urllib.parse
import zlib

from common import Reply

APP_ID = "4711"
APP_SECRET = "simsecret"


def default_world():
    return {
        "app_id": APP_ID,
        "app_secret": APP_SECRET,
        "per_page": 25,
        "users": {
            "153": {
                "name": "Alice Example", "login": "alice", "password": "wonderland",
                "albums": [
                    {"id": "720", "name": "Holidays", "photos": [
                        {"id": "934", "name": "Beach", "created_time": "2016-08-01T12:34:56+0200",
                         "ext": ".png", "sizes": [[2048, 1536], [960, 720], [320, 240]]},
                        {"id": "935", "name": "Hills", "created_time": "2016-08-02T08:00:00-0200",
                         "ext": ".png", "sizes": [[800, 600]]},
                        {"id": "936", "name": "", "created_time": None,
                         "ext": ".png", "sizes": [[1024, 768], [256, 192]]},
                    ]},
                    {"id": "721", "name": "Family", "photos": [
                        {"id": "940", "name": "Granny", "created_time": "2015-12-24T18:00:00+0000",
                         "ext": ".png", "sizes": [[600, 800], [240, 320]]},
                    ]},
                ],
            },
            "154": {
                "name": "Bob Example", "login": "bob", "password": "builder",
                "albums": [
                    {"id": "730", "name": "Cars", "photos": [
                        {"id": "950", "name": "Red", "created_time": "2017-01-01T00:00:00+0000",
                         "ext": ".png", "sizes": [[640, 480]]},
                    ]},
                ],
            },
        },
    }


class SocialState:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset()

    def reset(self):
        self.world = default_world()
        self.codes = {}      # code -> (user id, client id, redirect uri)
        self.tokens = {}     # token -> user id
        self.sessions = {}   # session id -> user id
        self.generated = {}  # album id -> {"pages", "per_page", "loop"}
        self.exchanges = []  # token requests, in order

    def user_of_token(self, token):
        if token == self.world["app_id"] + "|" + self.world["app_secret"]:
            return None
        return self.tokens.get(token)


STATE = SocialState()


# ----------------------------------------------------------------- replies

def graph_error(status, message, kind="OAuthException", code=190):
    return Reply(status, json.dumps({"error": {"message": message, "type": kind, "code": code}}),
                 "application/json; charset=utf-8")


def json_reply(obj):
    return Reply(200, json.dumps(obj), "application/json; charset=utf-8")


def base_url(req):
    host = req.header("Host") or "127.0.0.1"
    return "http://" + host


_PNG_CACHE = {}


def png(width, height, colour):
    """A one-colour PNG picture, made with the standard library."""
    key = (width, height, colour)
    if key in _PNG_CACHE:
        return _PNG_CACHE[key]

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    row = b"\x00" + bytes(colour) * width
    raw = row * height
    data = (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6))
            + chunk(b"IEND", b""))
    if len(_PNG_CACHE) < 64:
        _PNG_CACHE[key] = data
    return data


def picture_url(req, photo_id, width, height, ext):
    return "%s/graph/pictures/%s_%dx%d%s?w=%d&h=%d&oh=sig" % (
        base_url(req), urllib.parse.quote(photo_id, safe=""), width, height, ext, width, height)


def photo_json(req, photo):
    ext = photo.get("ext") or ".png"
    sizes = photo.get("sizes") or []
    out = {"id": photo["id"]}
    if photo.get("name") is not None:
        out["name"] = photo["name"]
    if photo.get("created_time") is not None:
        out["created_time"] = photo["created_time"]
    smallest = min(sizes, key=lambda s: s[0] * s[1]) if sizes else [100, 100]
    out["picture"] = picture_url(req, photo["id"], min(smallest[0], 130), min(smallest[1], 130), ext)
    out["images"] = [{"width": w, "height": h, "source": picture_url(req, photo["id"], w, h, ext)}
                     for w, h in sizes]
    for key in ("picture", "images"):
        if key in photo and photo[key] is None:
            del out[key]
    return out


def page_of(req, items, offset, per_page, loop=False):
    """One page of a list, with an absolute "next" link carrying the token."""
    chunk = items[offset:offset + per_page]
    page = {"data": chunk}
    if offset + per_page < len(items):
        query = dict(req.query)
        query["offset"] = "0" if loop else str(offset + per_page)
        page["paging"] = {"next": base_url(req) + req.path + "?" + urllib.parse.urlencode(query)}
    return page


# ------------------------------------------------------------------- graph

def graph(req):
    parts = req.path.split("/")
    # "", "graph", version, ...
    if len(parts) >= 4 and parts[2] == "pictures":
        return picture(req, parts[3])
    if len(parts) < 4 or not parts[2].startswith("v"):
        return graph_error(400, "Unknown path components: " + req.path, "OAuthException", 2500)
    rest = "/".join(parts[3:])
    if rest == "oauth/access_token":
        return access_token(req)
    with STATE.lock:
        token = req.query.get("access_token", "")
        user_id = STATE.user_of_token(token)
        if user_id is None:
            return graph_error(400, "Invalid OAuth access token.")
        user = STATE.world["users"].get(user_id)
        if user is None:
            return graph_error(400, "Invalid OAuth access token.")
        offset = int(req.query.get("offset", "0") or 0)
        per_page = int(STATE.world.get("per_page", 25))
        if rest == "me":
            return json_reply({"id": user_id, "name": user["name"]})
        if rest == "me/albums":
            items = [{"id": a["id"], "name": a["name"], "created_time": "2016-01-01T00:00:00+0000"}
                     for a in user["albums"]]
            return json_reply(page_of(req, items, offset, per_page))
        if rest.endswith("/photos") and rest.count("/") == 1:
            album_id = rest.split("/")[0]
            gen = STATE.generated.get(album_id)
            if gen is not None:
                return generated_page(req, album_id, gen, offset)
            for album in user["albums"]:
                if album["id"] == album_id:
                    items = [photo_json(req, p) for p in album["photos"]]
                    return json_reply(page_of(req, items, offset, per_page))
            return graph_error(404, "Unsupported get request. Object with ID '%s' does not exist" % album_id,
                               "GraphMethodException", 100)
    return graph_error(400, "Unknown path components: /" + rest, "OAuthException", 2500)


def generated_page(req, album_id, gen, offset):
    per_page = gen["per_page"]
    total = gen["pages"] * per_page
    items = [photo_json(req, {"id": "%s%05d" % (album_id, i), "name": "Photo %d" % i,
                              "created_time": "2016-08-01T12:00:00+0000", "ext": ".png",
                              "sizes": [[64, 48]]})
             for i in range(offset, min(offset + per_page, total))]
    page = {"data": items}
    if offset + per_page < total:
        query = dict(req.query)
        query["offset"] = "0" if gen.get("loop") else str(offset + per_page)
        page["paging"] = {"next": base_url(req) + req.path + "?" + urllib.parse.urlencode(query)}
    return json_reply(page)


def picture(req, name):
    try:
        w = int(req.query.get("w", "0"))
        h = int(req.query.get("h", "0"))
    except ValueError:
        return Reply(400, "bad size")
    if not (0 < w <= 8192 and 0 < h <= 8192):
        return Reply(400, "bad size")
    colour = (40 + (w * 7) % 200, 90 + (h * 3) % 150, 160)
    return Reply(200, png(w, h, colour), "image/png")


def access_token(req):
    q = req.query
    with STATE.lock:
        STATE.exchanges.append(dict(q))
        world = STATE.world
        if q.get("client_id") != world["app_id"] or q.get("client_secret") != world["app_secret"]:
            return graph_error(400, "Error validating client secret.", "OAuthException", 1)
        entry = STATE.codes.pop(q.get("code", ""), None)
        if entry is None:
            return graph_error(400, "This authorization code has expired.", "OAuthException", 100)
        user_id, client_id, redirect = entry
        if client_id != q.get("client_id") or redirect != q.get("redirect_uri"):
            return graph_error(400, "Error validating verification code. Please make sure your redirect_uri "
                                    "is identical to the one you used in the OAuth dialog request",
                               "OAuthException", 100)
        token = "EAA" + secrets.token_urlsafe(24)
        STATE.tokens[token] = user_id
    return json_reply({"access_token": token, "token_type": "bearer", "expires_in": 5183944})


# ------------------------------------------------------------ OAuth dialog

FORM_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Log in</title></head>
<body style="font-family: sans-serif; margin: 16px; background: #f0f2f5">
<div style="background: #fff; padding: 16px; border-radius: 8px; max-width: 420px; margin: auto">
<h2 id="heading" style="color: #1877f2">Log in to continue</h2>
<p id="message" style="color: #b00">%(message)s</p>
<form id="loginform" method="post" action="/dialog/oauth/login">
%(hidden)s
<p><input id="email" name="email" placeholder="Login" style="width: 95%%; padding: 8px"></p>
<p><input id="pass" name="pass" type="password" placeholder="Password" style="width: 95%%; padding: 8px"></p>
<p><button id="loginbutton" type="submit" style="padding: 8px 24px">Log in</button></p>
</form></div></body></html>
"""

CONSENT_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Permissions</title></head>
<body style="font-family: sans-serif; margin: 16px; background: #f0f2f5">
<div style="background: #fff; padding: 16px; border-radius: 8px; max-width: 420px; margin: auto">
<h2 id="heading">Continue as <span id="username">%(name)s</span>?</h2>
<p>The photo kiosk asks to see your photos (%(scope)s).</p>
<form id="consentform" method="post" action="/dialog/oauth/confirm">
%(hidden)s
<button id="allow" name="answer" value="allow" type="submit" style="padding: 8px 24px">Continue</button>
<button id="deny" name="answer" value="deny" type="submit" style="padding: 8px 24px">Cancel</button>
</form></div></body></html>
"""

DIALOG_KEYS = ("client_id", "redirect_uri", "state", "scope", "response_type", "display")


def hidden_fields(values):
    return "\n".join('<input type="hidden" name="%s" value="%s">' % (k, html.escape(values.get(k, ""), quote=True))
                     for k in DIALOG_KEYS)


def form_values(req):
    if req.method == "POST":
        return dict(urllib.parse.parse_qsl(req.body.decode("utf-8", "replace"), keep_blank_values=True))
    return dict(req.query)


def session_user(req):
    cookie = req.header("Cookie") or ""
    for piece in cookie.split(";"):
        name, _, value = piece.strip().partition("=")
        if name == "gsim_sid":
            return STATE.sessions.get(value)
    return None


def html_reply(text, headers=None):
    return Reply(200, text, "text/html; charset=utf-8", headers=headers)


def redirect(location, headers=None):
    return Reply(302, "", "text/plain", headers=[("Location", location)] + list(headers or []))


def dialog_check(values):
    """The problem of a dialog request, or None."""
    if values.get("client_id") != STATE.world["app_id"]:
        return "Invalid App ID"
    if values.get("response_type") != "code":
        return "Unsupported response type"
    uri = values.get("redirect_uri", "")
    if not uri.startswith("http://127.0.0.1") and not uri.startswith("https://127.0.0.1"):
        return "URL blocked: the redirect address is not allowed"
    return None


def dialog(req):
    lower = req.path.lower().rstrip("/")
    values = form_values(req)
    with STATE.lock:
        problem = dialog_check(values)
        if problem:
            return Reply(400, "<html><body><p id='message'>%s</p></body></html>" % html.escape(problem),
                         "text/html; charset=utf-8")
        if lower == "/dialog/oauth":
            user_id = session_user(req)
            if user_id is None:
                return html_reply(FORM_PAGE % {"message": "", "hidden": hidden_fields(values)})
            return consent(values, user_id)
        if lower == "/dialog/oauth/login":
            for user_id, user in STATE.world["users"].items():
                if user["login"] == values.get("email") and user["password"] == values.get("pass"):
                    sid = secrets.token_hex(16)
                    STATE.sessions[sid] = user_id
                    return consent(values, user_id, [("Set-Cookie", "gsim_sid=%s; Path=/; HttpOnly" % sid)])
            return html_reply(FORM_PAGE % {"message": "Wrong login or password.", "hidden": hidden_fields(values)})
        if lower == "/dialog/oauth/confirm":
            user_id = session_user(req)
            if user_id is None:
                return html_reply(FORM_PAGE % {"message": "", "hidden": hidden_fields(values)})
            target = values["redirect_uri"]
            sep = "&" if "?" in target else "?"
            if values.get("answer") == "allow":
                code = secrets.token_urlsafe(18)
                STATE.codes[code] = (user_id, values["client_id"], values["redirect_uri"])
                query = {"code": code, "state": values.get("state", "")}
            else:
                query = {"error": "access_denied", "error_code": "200", "error_reason": "user_denied",
                         "error_description": "Permissions error", "state": values.get("state", "")}
            return redirect(target + sep + urllib.parse.urlencode(query))
    return Reply(404, "Not found")


def consent(values, user_id, headers=None):
    user = STATE.world["users"][user_id]
    return html_reply(CONSENT_PAGE % {"name": html.escape(user["name"]), "scope": html.escape(values.get("scope", "")),
                                      "hidden": hidden_fields(values)}, headers)


# ----------------------------------------------------- lab's redirect page

REDIRECT_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Facebook</title></head>
<body style="font-family: sans-serif; margin: 24px">
<p id="done">Please wait...</p>
<input type="hidden" id="facebookZebState" value="%(state)s">
<input type="hidden" id="facebookZebCode" value="%(code)s">
<input type="hidden" id="facebookZebError" value="%(error)s">
<input type="hidden" id="facebookZebErrorReason" value="%(reason)s">
<input type="hidden" id="facebookZebErrorDesc" value="%(desc)s">
</body></html>
"""


def lab_redirect(req):
    q = req.query
    esc = lambda k: html.escape(q.get(k, ""), quote=True)  # noqa: E731
    return html_reply(REDIRECT_PAGE % {"state": esc("state"), "code": esc("code"), "error": esc("error"),
                                       "reason": esc("error_reason"), "desc": esc("error_description")})


# ----------------------------------------------------------------- control

def control_command(cmd):
    if cmd.get("cmd") != "social":
        return None
    op = cmd.get("op")
    with STATE.lock:
        if op == "reset":
            STATE.reset()
            return {"ok": True}
        if op == "world":
            world = cmd.get("world")
            if not isinstance(world, dict) or not isinstance(world.get("users"), dict):
                return {"ok": False, "error": "a world has users"}
            merged = default_world()
            merged.update(copy.deepcopy(world))
            STATE.world = merged
            return {"ok": True}
        if op == "state":
            return {"ok": True, "tokens": dict(STATE.tokens), "codes": len(STATE.codes),
                    "sessions": len(STATE.sessions), "exchanges": list(STATE.exchanges),
                    "app_id": STATE.world["app_id"], "app_secret": STATE.world["app_secret"]}
        if op == "album_pages":
            try:
                STATE.generated[str(cmd["album"])] = {"pages": int(cmd.get("pages", 1)),
                                                      "per_page": max(1, int(cmd.get("per_page", 1))),
                                                      "loop": bool(cmd.get("loop", False))}
            except (KeyError, ValueError, TypeError):
                return {"ok": False, "error": "album_pages needs album, pages, per_page"}
            return {"ok": True}
    return {"ok": False, "error": "unknown social operation"}


ROUTES = {"/facebook.aspx": lab_redirect, "/LumServer/facebook.aspx": lab_redirect}
PREFIX_ROUTES = {"/graph/": graph, "/dialog/oauth": dialog}

"""Pages that let tests look at the HTTP client itself.

    /__echo            JSON of the request: method, path, query, headers in
                       the order received, body (text), content_type
    /__bytes?size=N    N bytes of a repeating pattern (byte i is i % 251)
    /__redirect?n=K    K redirects (302) in a row, then the echo page
    /__cookie?set=a=b  sets the cookie a=b; the echo shows what comes back
    /__text?charset=C&text=T   T encoded in C, Content-Type text/plain; charset=C
"""
import json
import urllib.parse

from common import Reply


def echo(req):
    return Reply(200, json.dumps({
        "method": req.method,
        "path": req.path,
        "query": req.query,
        "headers": [[n, v] for n, v in req.headers],
        "body": req.body.decode("utf-8", "replace"),
        "content_type": req.header("Content-Type"),
    }), "application/json")


def pattern(size):
    block = bytes(i % 251 for i in range(251))
    return (block * (size // 251 + 1))[:size]


def bytes_page(req):
    size = int(req.query.get("size", "0"))
    return Reply(200, pattern(size), "application/octet-stream")


def redirect(req):
    n = int(req.query.get("n", "0"))
    if n <= 0:
        return echo(req)
    return Reply(302, "", reason="Found",
                 headers=[("Location", "/__redirect?" + urllib.parse.urlencode({"n": n - 1}))])


def cookie(req):
    name, _, value = req.query.get("set", "").partition("=")
    return Reply(200, "set", headers=[("Set-Cookie", "%s=%s; Path=/" % (name, value))])


def text(req):
    charset = req.query.get("charset", "utf-8")
    return Reply(200, req.query.get("text", "").encode(charset),
                 "text/plain; charset=" + charset)


ROUTES = {
    "/__echo": echo,
    "/__bytes": bytes_page,
    "/__redirect": redirect,
    "/__cookie": cookie,
    "/__text": text,
}

"""Web pages of the demonstration shop that the kiosk shows in its embedded
browser.

    /shop/privacy?lang=L   the shop's privacy policy, an HTML page naming the
                           language asked for (the kiosk puts its interface
                           language into the address)

To make the kiosk open it, a test sets the photographer's (or the kiosk
account's) privacy address to this page with the lab service's "set"
command, e.g. "http://127.0.0.1:<port>/shop/privacy?lang=[langCode]".
"""
import html

from common import Reply

PAGE = """<!DOCTYPE html>
<html lang="%(lang)s"><head><meta charset="utf-8"><title>Privacy policy</title></head>
<body style="font-family: sans-serif; margin: 24px">
<h1 id="title">Privacy policy of the demo shop</h1>
<p id="lang">Language: %(lang)s</p>
<p>Your pictures are used only to print your order and are deleted when the
next customer starts.</p>
</body></html>
"""


def privacy(req):
    lang = html.escape(req.query.get("lang", ""))
    return Reply(200, PAGE % {"lang": lang}, "text/html; charset=utf-8")


ROUTES = {"/shop/privacy": privacy}

"""The check a real collection host makes on a signed upload: the "signature" header must be the
last 8 hex digits of md5("quenblat*timestamp=" + the "timestamp" header + events × 1024). The
stand-in records the verdict instead of refusing, so a test sees both the request and the result."""

import hashlib
import json

UPLOAD_PATH = "/collect/collection/biz/upload"


def upload_signature_valid(headers, body):
    """headers: the request's header object (get by name); body: its bytes."""
    timestamp = headers.get("timestamp")
    signature = headers.get("signature")
    if timestamp is None or signature is None:
        return False
    try:
        events = json.loads(body.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        return False
    if not isinstance(events, list):
        return False
    text = "quenblat*timestamp=" + timestamp.strip() + str(len(events) * 1024)
    return hashlib.md5(text.encode("utf-8")).hexdigest()[-8:] == signature.strip()

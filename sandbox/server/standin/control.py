"""/__control/…: lets a running test change faults and files and ask about content, without a
restart. Answers are JSON; a refused change answers 400 and changes nothing."""

import hashlib
import json
from urllib.parse import parse_qs

from .faults import FaultError
from .scenario import ScenarioError


def _faults(app, query, document):
    return app.faults.snapshot()


def _set_faults(app, query, document):
    if parse_qs(query).get("merge") == ["1"]:
        app.faults.merge(document)
    else:
        app.faults.replace(document)
    return app.faults.snapshot()


def _clear_faults(app, query, document):
    app.faults.replace({})
    return {}


def _set_files(app, query, document):
    app.scenario.set_files(document)
    return {"ok": True}


def _clear_files(app, query, document):
    app.scenario.clear_files()
    return {"ok": True}


def _digest(app, query, document):
    target = parse_qs(query).get("path", [""])[0]
    content = app.scenario.lookup(target)
    if content is None:
        raise LookupError(f"nothing at {target}")
    sha, md5 = hashlib.sha256(), hashlib.md5()
    for chunk in content.chunks(0, content.size):
        sha.update(chunk)
        md5.update(chunk)
    return {"path": target, "size": content.size, "sha256": sha.hexdigest(), "md5": md5.hexdigest()}


def _ports(app, query, document):
    return app.ports


ROUTES = {
    ("GET", "/__control/faults"): _faults,
    ("POST", "/__control/faults"): _set_faults,
    ("DELETE", "/__control/faults"): _clear_faults,
    ("POST", "/__control/files"): _set_files,
    ("DELETE", "/__control/files"): _clear_files,
    ("GET", "/__control/digest"): _digest,
    ("GET", "/__control/ports"): _ports,
}


def handle(handler, path, query, body):
    route = ROUTES.get((handler.command, path))
    if route is None:
        handler.send_json(404, {"error": f"no control {handler.command} {path}"})
        return
    try:
        # An empty body means an empty table; anything else must be the right JSON type.
        document = json.loads(body) if body else {}
        answer = route(handler.app, query, document)
    except LookupError as e:
        handler.send_json(404, {"error": str(e)})
    except (ValueError, FaultError, ScenarioError) as e:
        handler.send_json(400, {"error": str(e)})
    else:
        handler.send_json(200, answer)

"""Faults: how a path misbehaves. One table, keyed by path, read from the scenario's faults.json
and replaceable at run time through /__control/faults.

Keys: an exact decoded path ("/cdn/player_files/en/vantrel"), a prefix ending in "*" ("/cdn/*"
fails the whole CDN role), or "*" for every path. The longest matching key wins, so an exact path
overrides its role's wildcard.

A fault is an object with any of these members (see README.md for how they combine):
  delay           seconds to wait before answering
  redirect        answer with this many redirects before the content; redirect_status (302),
                  redirect_to (final target, a path or an address with {{listener}} placeholders),
                  redirect_loop (true: redirect back and forth for ever)
  status          answer this status with a small HTML page instead of the content
  html            true: answer 200 with an HTML page instead of the content
  ignore_range    true: a ranged request gets 200 and the whole body
  no_length       true: no Content-Length; the body ends when the connection closes
  rate            send the body at this many bytes per second
  stall_after     send this many body bytes, then nothing more until the client gives up
  reset_after     send this many body bytes, then reset the connection
  times           apply to this many requests only, then the path behaves normally again
"""

import threading

FIELDS = {
    "delay": (int, float),
    "redirect": int,
    "redirect_status": int,
    "redirect_to": str,
    "redirect_loop": bool,
    "status": int,
    "html": bool,
    "ignore_range": bool,
    "no_length": bool,
    "rate": int,
    "stall_after": int,
    "reset_after": int,
    "times": int,
    "comment": str,
}

REDIRECT_STATUSES = (301, 302, 303, 307, 308)


class FaultError(Exception):
    pass


def validate(table):
    if not isinstance(table, dict):
        raise FaultError("faults: expected an object of path -> fault")
    for key, fault in table.items():
        if fault is None:
            continue  # removal, in a merge
        if not (key == "*" or key.startswith("/")):
            raise FaultError(f"faults: key {key!r} is neither a path nor '*'")
        if not isinstance(fault, dict):
            raise FaultError(f"faults[{key}]: expected an object")
        for name, value in fault.items():
            kind = FIELDS.get(name)
            if kind is None:
                raise FaultError(f"faults[{key}]: unknown member {name!r}")
            # bool is an int in Python: keep true from passing as a byte count.
            if not isinstance(value, kind) or (isinstance(value, bool) and kind is not bool):
                raise FaultError(f"faults[{key}].{name}: wrong type {type(value).__name__}")
            if kind is int and value < 0:
                raise FaultError(f"faults[{key}].{name}: must not be negative")
        if "status" in fault and not 200 <= fault["status"] <= 599:
            raise FaultError(f"faults[{key}].status: not an HTTP status")
        if fault.get("redirect_status", 302) not in REDIRECT_STATUSES:
            raise FaultError(f"faults[{key}].redirect_status: not a redirect status")
        if fault.get("rate") == 0:
            raise FaultError(f"faults[{key}].rate: must be positive")
        if "stall_after" in fault and "reset_after" in fault:
            raise FaultError(f"faults[{key}]: stall_after and reset_after exclude each other")
    return table


class FaultTable:
    def __init__(self, table=None):
        self._lock = threading.Lock()
        self._table = {}
        self._used = {}
        if table:
            self.replace(table)

    def replace(self, table):
        validate(table)
        with self._lock:
            self._table = {k: dict(v) for k, v in table.items() if v is not None}
            self._used = {}

    def merge(self, table):
        validate(table)
        with self._lock:
            for key, fault in table.items():
                self._used.pop(key, None)
                if fault is None:
                    self._table.pop(key, None)
                else:
                    self._table[key] = dict(fault)

    def snapshot(self):
        with self._lock:
            return {k: dict(v) for k, v in self._table.items()}

    def _match(self, path):
        if path in self._table:
            return path
        best = None
        for key in self._table:
            if key.endswith("*") and path.startswith(key[:-1]):
                if best is None or len(key) > len(best):
                    best = key
        return best

    def peek(self, path):
        """The fault for a path without using up one of its `times` (for the hops of a redirect
        chain, which belong to the request that started it)."""
        with self._lock:
            key = self._match(path)
            return dict(self._table[key]) if key is not None else None

    def take(self, path):
        """The fault for a new request to a path, counting it against `times`."""
        with self._lock:
            key = self._match(path)
            if key is None:
                return None
            fault = self._table[key]
            times = fault.get("times")
            if times is not None:
                used = self._used.get(key, 0)
                if used >= times:
                    return None
                self._used[key] = used + 1
            return dict(fault)

"""Host roles and listeners, read from roles.json: the one table that the program's test flavour
mirrors. Everything else in the stand-in asks this module what a path prefix means."""

import json
import os
import re

ROLES_FILE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "roles.json")


class Roles:
    def __init__(self, path=ROLES_FILE):
        with open(path, encoding="utf-8") as f:
            table = json.load(f)
        self.listeners = [dict(entry) for entry in table["listeners"]]
        self.telemetry = {(t["method"], t["path"]): t for t in table["telemetry"]}
        # Fixed prefixes by their first path segment; families ("/api-{lang}") as patterns.
        self._fixed = {}
        self._families = []
        for role in table["roles"]:
            segment = role["prefix"].lstrip("/")
            if "{lang}" in segment:
                head, tail = segment.split("{lang}")
                pattern = re.compile(re.escape(head) + r"[A-Za-z0-9_]{1,8}" + re.escape(tail) + r"\Z")
                self._families.append((pattern, role))
            else:
                self._fixed[segment] = role

    def folders_for(self, segment):
        """Scenario folders that serve a first path segment, most specific first; None when the
        segment names no role (the request is then answered 404 as a wrong address)."""
        role = self._fixed.get(segment)
        if role is not None:
            return [segment]
        for pattern, role in self._families:
            if pattern.match(segment):
                # One shared folder answers every language unless the scenario has its own.
                return [segment, role["fallback_folder"]] if role.get("fallback_folder") else [segment]
        return None

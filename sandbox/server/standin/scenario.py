"""The scenario: what the maker's servers hold for one test or demo.

A scenario folder mirrors the addresses: <folder>/<role folder>/<path>, e.g. cdn/player_files/en/vantrel.
A file named <path>.tmpl is served at <path> with {{listener}} replaced by that listener's base
address ("https://localhost:40123") and {{port:listener}} by its port, so answers can point at the
stand-in itself although its ports are chosen at start. scenario.json may add "files": entries
served from memory (see Scenario.set_files); the same entries can be changed at run time.
"""

import base64
import hashlib
import json
import mimetypes
import os
import re
import threading

# One period of generated content. A prime length, so that a transfer that resumes or appends at a
# wrong offset yields different bytes at almost any offset.
GENERATED_PERIOD = 65521
# Files are read and sent in blocks of this size.
READ_BLOCK = 256 * 1024

_PLACEHOLDER = re.compile(r"\{\{(port:)?([a-z_]+)\}\}")


class ScenarioError(Exception):
    """A scenario that cannot be served as written: reported, never guessed around."""


class Content:
    """One answer body. chunks(start, end) yields the bytes of [start, end)."""

    content_type = "application/octet-stream"
    file_path = None  # set when the bytes come straight from a file (lets plain HTTP use sendfile)

    def __init__(self, size):
        self.size = size


class BytesContent(Content):
    def __init__(self, data, content_type=None):
        super().__init__(len(data))
        self._data = bytes(data)
        self.content_type = content_type or sniff_type("", self._data[:64])

    def chunks(self, start, end):
        view = memoryview(self._data)
        for pos in range(start, end, READ_BLOCK):
            yield view[pos:min(end, pos + READ_BLOCK)]


class FileContent(Content):
    def __init__(self, path, content_type=None):
        super().__init__(os.path.getsize(path))
        self.file_path = path
        if content_type is None:
            with open(path, "rb") as f:
                content_type = sniff_type(path, f.read(64))
        self.content_type = content_type

    def chunks(self, start, end):
        with open(self.file_path, "rb") as f:
            f.seek(start)
            pos = start
            while pos < end:
                block = f.read(min(READ_BLOCK, end - pos))
                if not block:
                    raise ScenarioError(f"{self.file_path} shrank while it was being served")
                pos += len(block)
                yield block


class GeneratedContent(Content):
    """Deterministic bytes of any size without a file: packages of hundreds of megabytes for
    progress and throughput tests, reproducible by generated_bytes()."""

    _buffers = {}
    _buffers_lock = threading.Lock()

    def __init__(self, size, seed):
        super().__init__(size)
        self.seed = str(seed)

    @classmethod
    def _buffer(cls, seed):
        with cls._buffers_lock:
            buffer = cls._buffers.get(seed)
            if buffer is None:
                period = bytearray()
                counter = 0
                while len(period) < GENERATED_PERIOD:
                    period += hashlib.sha256(f"{seed}:{counter}".encode()).digest()
                    counter += 1
                del period[GENERATED_PERIOD:]
                # Whole periods adding up to at least one read block past any starting point.
                repeats = READ_BLOCK // GENERATED_PERIOD + 2
                buffer = cls._buffers[seed] = bytes(period) * repeats
            return buffer

    def chunks(self, start, end):
        view = memoryview(self._buffer(self.seed))
        pos = start
        while pos < end:
            offset = pos % GENERATED_PERIOD
            n = min(end - pos, READ_BLOCK)
            yield view[offset:offset + n]
            pos += n


def generated_bytes(seed, size, start=0):
    """The bytes a generated entry serves from `start` to `size`."""
    content = GeneratedContent(size, seed)
    return b"".join(bytes(c) for c in content.chunks(start, size))


def sniff_type(path, head):
    guessed, _ = mimetypes.guess_type(path) if path else (None, None)
    if guessed:
        return guessed
    # The maker's JSON answers have no extension ("vantrel") or ".data".
    stripped = head.lstrip()
    if stripped[:1] in (b"{", b"["):
        return "application/json"
    return "application/octet-stream"


def render_template(text, bases):
    """bases: listener name -> (scheme, port)."""
    def substitute(match):
        name = match.group(2)
        if name not in bases:
            raise ScenarioError(f"unknown placeholder {match.group(0)}")
        scheme, port = bases[name]
        return str(port) if match.group(1) else f"{scheme}://localhost:{port}"
    return _PLACEHOLDER.sub(substitute, text)


def content_from_entry(entry, where):
    """An entry: {"text": str} | {"base64": str} | {"size": int, "seed": str} | {"file": absolute
    path}, each with an optional "content_type". "file" serves a built program (such as the
    stand-in offline installer) without copying it into the scenario."""
    if not isinstance(entry, dict):
        raise ScenarioError(f"{where}: an entry must be an object")
    kinds = [k for k in ("text", "base64", "size", "file") if k in entry]
    unknown = set(entry) - {"text", "base64", "size", "file", "seed", "content_type"}
    if len(kinds) != 1 or unknown:
        raise ScenarioError(f"{where}: needs exactly one of text, base64, size, file (unknown: {sorted(unknown)})")
    for name in ("text", "base64", "file", "seed", "content_type"):
        if name in entry and not isinstance(entry[name], str):
            raise ScenarioError(f"{where}: {name} must be a string")
    content_type = entry.get("content_type")
    if "text" in entry:
        return BytesContent(entry["text"].encode("utf-8"), content_type)
    if "base64" in entry:
        return BytesContent(base64.b64decode(entry["base64"], validate=True), content_type)
    if "file" in entry:
        if not os.path.isabs(entry["file"]) or not os.path.isfile(entry["file"]):
            raise ScenarioError(f"{where}: file must be the absolute path of an existing file")
        return FileContent(entry["file"], content_type or "application/octet-stream")
    size = entry["size"]
    if not isinstance(size, int) or isinstance(size, bool) or size < 0:
        raise ScenarioError(f"{where}: size must be a non-negative integer")
    content = GeneratedContent(size, entry.get("seed", "corvane"))
    if content_type:
        content.content_type = content_type
    return content


def _path_segments(path):
    segments = path.split("/")[1:]
    for segment in segments:
        if segment in ("", ".", "..") or "\\" in segment or "\0" in segment:
            return None
    return segments


class Scenario:
    def __init__(self, root, roles, bases):
        self._root = os.path.realpath(root) if root else None
        self._roles = roles
        self._bases = bases
        self._lock = threading.Lock()
        self._files = {}
        if self._root and not os.path.isdir(self._root):
            raise ScenarioError(f"no scenario folder {root}")
        self.initial_faults = {}
        if self._root:
            config = self._read_json("scenario.json")
            if config:
                unknown = set(config) - {"files", "comment"}
                if unknown:
                    raise ScenarioError(f"scenario.json: unknown members {sorted(unknown)}")
                self.set_files(config.get("files", {}))
            self.initial_faults = self._read_json("faults.json") or {}

    def _read_json(self, name):
        path = os.path.join(self._root, name)
        if not os.path.exists(path):
            return None
        try:
            with open(path, encoding="utf-8") as f:
                return json.load(f)
        except ValueError as e:
            raise ScenarioError(f"{name}: {e}") from e

    def set_files(self, entries):
        """Adds or replaces in-memory entries by absolute path; a null entry removes one."""
        if not isinstance(entries, dict):
            raise ScenarioError("files: expected an object of path -> entry")
        parsed = {}
        for path, entry in entries.items():
            if not path.startswith("/"):
                raise ScenarioError(f"files: {path!r} is not an absolute path")
            parsed[path] = None if entry is None else content_from_entry(entry, path)
        with self._lock:
            for path, content in parsed.items():
                if content is None:
                    self._files.pop(path, None)
                else:
                    self._files[path] = content

    def clear_files(self):
        with self._lock:
            self._files.clear()

    def lookup(self, path):
        """The content for a decoded URL path, or None (404). Raises ScenarioError for a broken
        template."""
        with self._lock:
            content = self._files.get(path)
        if content is not None or not self._root:
            return content
        segments = _path_segments(path)
        if not segments or len(segments) < 2:
            return None
        folders = self._roles.folders_for(segments[0])
        if segments[-1].endswith(".tmpl"):
            return None  # a template is served only rendered, at its own name without ".tmpl"
        for folder in folders or []:
            candidate = os.path.join(self._root, folder, *segments[1:])
            if os.path.isfile(candidate):
                return FileContent(candidate)
            if os.path.isfile(candidate + ".tmpl"):
                with open(candidate + ".tmpl", encoding="utf-8") as f:
                    text = render_template(f.read(), self._bases)
                data = text.encode("utf-8")
                return BytesContent(data, sniff_type(candidate, data[:64]))
        return None

    def knows_role(self, path):
        segments = path.split("/")
        return len(segments) > 1 and self._roles.folders_for(segments[1]) is not None

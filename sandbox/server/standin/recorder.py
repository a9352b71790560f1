"""Every request the stand-in receives, as one JSON object per line, flushed at once so that a test
can read the file while the server runs."""

import base64
import json
import threading
import time


class Recorder:
    def __init__(self, path):
        self._lock = threading.Lock()
        self._seq = 0
        self._file = open(path, "a", encoding="utf-8") if path else None

    def record(self, entry, body=b""):
        """entry: the request's fields; body: its bytes, stored as text when they are UTF-8."""
        with self._lock:
            self._seq += 1
            line = {"seq": self._seq, "time": round(time.time(), 6)}
            line.update(entry)
            line["body_length"] = len(body)
            try:
                line["body"] = body.decode("utf-8")
            except UnicodeDecodeError:
                line["body_base64"] = base64.b64encode(body).decode("ascii")
            if self._file:
                self._file.write(json.dumps(line, ensure_ascii=False) + "\n")
                self._file.flush()
            return self._seq

    def close(self):
        with self._lock:
            if self._file:
                self._file.close()
                self._file = None

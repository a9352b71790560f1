"""The stand-in of the maker's servers: start it, steer it, read what it received.

    from standin import StandIn
    with StandIn(scenario="path/to/scenario", certs="path/to/certs") as server:
        server.url("/cdn/player_files/en/vantrel")          # https://localhost:<port>/cdn/...
        server.set_faults({"/cdn/*": {"status": 500}})
        ...
        posts = server.requests(method="POST")
"""

from .client import MAKE_CERTS, SERVER_SCRIPT, StandIn, StandInError, header, make_certs
from .scenario import generated_bytes

__all__ = ["MAKE_CERTS", "SERVER_SCRIPT", "StandIn", "StandInError", "generated_bytes", "header", "make_certs"]

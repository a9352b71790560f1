#pragma once
// Reading the head of an HTTP answer: its length and, for a resumed download, which part of the
// file it carries. The texts come from the server, so these are strict and fuzzed.

#include <cstdint>
#include <string_view>

namespace utility {

// A Content-Length value as a byte count; -1 when it is empty, not a plain decimal number
// (spaces and tabs around it allowed) or too large for 63 bits.
[[nodiscard]] int64_t parseContentLength(std::wstring_view text);

struct ContentRange {
    int64_t first = 0;
    int64_t last = 0;
    int64_t total = -1;  // -1 when the server wrote "*"
};

// "bytes <first>-<last>/<total or *>" with first <= last < total. The unsatisfied form
// "bytes */<total>" is not a range and gives false.
[[nodiscard]] bool parseContentRange(std::wstring_view text, ContentRange& range);

// The start of a Range value of the form "bytes=<start>-" (the only form this program sends);
// -1 for anything else.
[[nodiscard]] int64_t parseRangeStart(std::wstring_view value);

// Whether a 2xx answer fits the request: a 206 is only good when the request asked for
// `requestedFrom` (-1: no Range sent) and the Content-Range starts exactly there. Any other
// status carries the whole body and is always consistent.
[[nodiscard]] bool isConsistentRangeAnswer(int64_t requestedFrom, int status, std::wstring_view contentRange);

}  // namespace utility

// The two loops that every file system reads a file with, over its system's own "read some bytes"
// (a count, 0 at the end, below 0 on failure), so that POSIX and Windows read and compare alike.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace korvane {

// Reads a file of `size` bytes into `out.text`. `failure()` gives the reason of a failed read,
// `outOfMemory` the reason when the memory cannot be had. A file that ends early is Short.
template <class ReadSome, class Failure>
void readAllInto(ReadOutcome& out, std::size_t size, ReadSome readSome, Failure failure,
                 const std::string& outOfMemory) {
    try {
        out.text.resize(size);
    } catch (const std::exception&) {  // std::bad_alloc or std::length_error
        out.status = ReadStatus::OpenFailed;
        out.reason = outOfMemory;
        return;
    }
    std::size_t got = 0;
    while (got < size) {
        const long long n = readSome(out.text.data() + got, size - got);
        if (n < 0) {
            out.status = ReadStatus::OpenFailed;
            out.reason = failure();
            out.text.clear();
            return;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got < size) {
        out.status = ReadStatus::Short;
        out.text.clear();
    }
}

// Compares an open file, already known to have `expected.size()` bytes, with `expected`, a megabyte at
// a time.
template <class ReadSome, class Failure>
void compareAllWith(CompareOutcome& out, std::string_view expected, ReadSome readSome, Failure failure) {
    std::vector<char> chunk(std::size_t{1} << 20);
    std::size_t done = 0;
    while (true) {
        const long long n = readSome(chunk.data(), chunk.size());
        if (n < 0) {
            out.status = CompareStatus::OpenFailed;
            out.reason = failure();
            return;
        }
        const auto got = static_cast<std::size_t>(n);
        if (got == 0) {
            break;
        }
        if (got > expected.size() - done ||
            expected.compare(done, got, std::string_view(chunk.data(), got)) != 0) {
            out.status = CompareStatus::Different;  // the file differs, or grew while it was read
            return;
        }
        done += got;
    }
    out.status = done == expected.size() ? CompareStatus::Same : CompareStatus::Different;
}

}  // namespace korvane

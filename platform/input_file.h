// Opening the demo's input files: regular files only, never blocking, with a size bound.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Upper bounds on what each loader reads, in bytes: far above any real asset of the kind
// (the generated ones are below 1 MiB), low enough that a hostile file cannot fill memory.
constexpr std::size_t kMaxObjBytes = 256u << 20;
constexpr std::size_t kMaxPathBytes = 16u << 20;
constexpr std::size_t kMax3dsBytes = 64u << 20;
constexpr std::size_t kMaxPngBytes = 256u << 20;

// Opens `path` for reading when it is a regular file (a symbolic link to one is followed) of
// at most `maxBytes`. The open itself never blocks: a FIFO or a device is opened without
// waiting for a writer and then refused, as is a directory. Returns null with *reason set
// ("not found", "a directory, not a regular file", "larger than N bytes", ...) otherwise.
// The stream is in binary mode; the caller closes it.
std::FILE* openInputFile(const char* path, std::size_t maxBytes, std::string* reason);

// Reads the whole of a file opened as above into *bytes, refusing it when more than
// `maxBytes` arrive (a file that grows while it is read). False with *reason on failure.
bool readInputFile(std::FILE* file, std::size_t maxBytes, std::string* bytes,
                   std::string* reason);

// A piece of a file's text as it may appear in an error line: printable ASCII as it is,
// every other byte (control characters, escape sequences, UTF-8) and the backslash written
// as \xHH, cut after `maxChars` characters of the text with "..." appended.
std::string printableToken(std::string_view text, std::size_t maxChars = 32);

} // namespace platform

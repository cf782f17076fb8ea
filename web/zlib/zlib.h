// The one zlib call the core uses (uncompress), for the web build, where zlib is not
// available: implemented by web/inflate.cpp with the same results for the same input.
#pragma once

#include <cstddef>

using Bytef = unsigned char;
using uLong = unsigned long;
using uLongf = unsigned long;

constexpr int Z_OK = 0;
constexpr int Z_MEM_ERROR = -4;
constexpr int Z_BUF_ERROR = -5;
constexpr int Z_DATA_ERROR = -3;

// Inflates one zlib stream (header, deflate data, Adler-32) from `source` into `dest`.
// On entry *destLen is the room in dest; on return the bytes produced. Z_OK when the stream
// ends inside the room and its checksum matches; Z_BUF_ERROR when it does not fit or the
// input ends early; Z_DATA_ERROR when it is malformed.
int uncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen);

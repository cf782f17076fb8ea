// 16-bit PCM WAV encoding: a 44-byte RIFF header ("fmt " chunk of 16 bytes, "data" chunk).
#include "host/wav.h"

#include <cstdio>

#include "host/output_file.h"

namespace tw {

namespace {
void put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
    put16(o, v & 0xffff);
    put16(o, v >> 16);
}
void tag(std::vector<uint8_t>& o, const char* t) {
    o.insert(o.end(), t, t + 4);
}
} // namespace

std::vector<uint8_t> encodeWav(const int16_t* samples, size_t frames, int channels, int rate) {
    std::vector<uint8_t> o;
    uint64_t dataBytes = static_cast<uint64_t>(frames) * channels * 2;
    if (channels < 1 || rate < 1 || dataBytes > 0xffffffffull - 36) return o;
    o.reserve(44 + dataBytes);
    tag(o, "RIFF");
    put32(o, static_cast<uint32_t>(36 + dataBytes));
    tag(o, "WAVE");
    tag(o, "fmt ");
    put32(o, 16);
    put16(o, 1); // PCM
    put16(o, static_cast<uint32_t>(channels));
    put32(o, static_cast<uint32_t>(rate));
    put32(o, static_cast<uint32_t>(rate * channels * 2));
    put16(o, static_cast<uint32_t>(channels * 2));
    put16(o, 16);
    tag(o, "data");
    put32(o, static_cast<uint32_t>(dataBytes));
    size_t count = frames * static_cast<size_t>(channels);
    for (size_t i = 0; i < count; ++i) put16(o, static_cast<uint16_t>(samples[i]));
    return o;
}

bool writeWavFile(const std::string& path, const int16_t* samples, size_t frames, int channels,
                  int rate) {
    std::vector<uint8_t> bytes = encodeWav(samples, frames, channels, rate);
    if (bytes.empty()) return false;
    std::string error;
    return writeFileSafely(
        path,
        [&](const std::string& temp) {
            std::FILE* f = std::fopen(temp.c_str(), "wb");
            if (!f) return false;
            bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
            ok = (std::fclose(f) == 0) && ok;
            return ok;
        },
        error);
}

} // namespace tw

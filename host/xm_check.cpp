// The XM module check: every length in the headers lies inside the file.
#include "host/xm_check.h"

#include <cstring>

#include "base/bytes.h"

namespace tw {

bool checkXmLayout(const uint8_t* data, size_t size, std::string& why) {
    auto need = [&](uint64_t end, const char* what) {
        if (end <= size) return true;
        why = std::string("file is truncated (") + what + " ends past the end of the file)";
        return false;
    };
    if (size < 64 || std::memcmp(data, "Extended Module: ", 17) != 0) {
        why = "not an XM module (no \"Extended Module: \" header)";
        return false;
    }
    uint64_t headerSize = readU32(data + 60);
    if (!need(60 + headerSize, "header") || !need(80, "header")) return false;
    if (headerSize < 20) {
        why = "header size field is too small";
        return false;
    }
    unsigned patterns = readU16(data + 70);
    unsigned instruments = readU16(data + 72);
    uint64_t pos = 60 + headerSize;
    for (unsigned p = 0; p < patterns; ++p) {
        if (!need(pos + 9, "a pattern header")) return false;
        uint64_t patHeader = readU32(data + pos);
        uint64_t packed = readU16(data + pos + 7);
        if (patHeader < 9) {
            why = "pattern header size field is too small";
            return false;
        }
        pos += patHeader + packed;
        if (!need(pos, "pattern data")) return false;
    }
    for (unsigned i = 0; i < instruments; ++i) {
        if (!need(pos + 29, "an instrument header")) return false;
        uint64_t insSize = readU32(data + pos);
        unsigned samples = readU16(data + pos + 27);
        uint64_t sampleHeader = 40;
        if (samples > 0) {
            if (!need(pos + 33, "an instrument header")) return false;
            sampleHeader = readU32(data + pos + 29);
            if (sampleHeader < 18) {
                why = "sample header size field is too small";
                return false;
            }
        }
        if (insSize < 29) insSize = 29;
        pos += insSize;
        if (!need(pos, "an instrument header")) return false;
        uint64_t dataBytes = 0;
        for (unsigned s = 0; s < samples; ++s) {
            if (!need(pos + sampleHeader, "a sample header")) return false;
            dataBytes += readU32(data + pos);
            pos += sampleHeader;
        }
        pos += dataBytes;
        if (!need(pos, "sample data")) return false;
    }
    return true;
}

} // namespace tw

// Load-problem reporting: lines on standard error, traces on request, capturable by tests.
#include "base/report.h"

#include <cstdarg>
#include <cstdio>

namespace tw {

namespace {
ReportCapture* gCapture = nullptr;
bool gVerbose = false;
} // namespace

ReportCapture::ReportCapture() : lines() {
    gCapture = this;
}
ReportCapture::~ReportCapture() {
    gCapture = nullptr;
}

void reportBox(const char* caption, const std::string& text) {
    if (gCapture) {
        gCapture->lines.push_back(std::string(caption) + "|" + text);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
}

void reportOut(const std::string& text) {
    if (gCapture) {
        gCapture->lines.push_back(text);
        return;
    }
    std::fputs(text.c_str(), stderr);
}

void reportTrace(const std::string& text) {
    if (gCapture || gVerbose) reportOut(text);
}

void setVerbose(bool verbose) {
    gVerbose = verbose;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace tw

// Where readers report load problems: the "message box" (caption + text) and the plain
// standard-output diagnostics. Nothing here stops the program; the caller carries on.
#pragma once

#include <string>
#include <vector>

namespace tw {

// A load problem worth the user's attention: one line "caption: text" on standard error.
// It never blocks or stops anything; the presentation keeps running with what it has.
void reportBox(const char* caption, const std::string& text);

// A diagnostic for standard output (already formatted, newline included). Printed as given.
void reportOut(const std::string& text);

// Tests capture reports instead of printing them. While a capture is active every report is
// appended to it (boxes as "caption|text", outputs as text) and nothing is printed.
struct ReportCapture {
    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;
    std::vector<std::string> lines;
};

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace tw

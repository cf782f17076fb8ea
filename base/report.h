// Where readers report load problems: one line per problem on standard error, naming the file;
// routine traces only when asked for (--verbose). Nothing here stops the program: the caller
// carries on with what it has.
#pragma once

#include <string>
#include <vector>

namespace tw {

// A load problem worth the user's attention: one line "caption: text" on standard error.
// It never blocks or stops anything; the presentation keeps running with what it has.
void reportBox(const char* caption, const std::string& text);

// A diagnostic line (already formatted, newline included) on standard error.
void reportOut(const std::string& text);

// A routine trace (such as the SIV reader's sizes): printed on standard error only when
// setVerbose(true) was called.
void reportTrace(const std::string& text);
void setVerbose(bool verbose);

// Tests capture reports instead of printing them. While a capture is active every report is
// appended to it (boxes as "caption|text", lines and traces as text) and nothing is printed.
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

// Reading one file with the presentation's own readers and describing the result as JSON.
#include "tools/inspect/inspect.h"

#include <algorithm>
#include <cstring>

#include "base/file_bytes.h"
#include "tools/inspect/formats.h"
#include "tools/inspect/json.h"

namespace tw {

namespace {

// Each distinct message once: one file may be met by more than one reader.
void messages(Json& j, const std::vector<std::string>& lines) {
    j.beginArray("messages");
    std::vector<std::string> seen;
    for (std::string line : lines) {
        while (!line.empty() && line.back() == '\n') line.pop_back();
        if (std::find(seen.begin(), seen.end(), line) != seen.end()) continue;
        seen.push_back(line);
        j.value(nullptr, line);
    }
    j.endArray();
}

bool endsWith(const std::string& s, const char* suffix) {
    std::string x(suffix);
    if (s.size() < x.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        char c = s[s.size() - x.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != x[i]) return false;
    }
    return true;
}

bool hasMagic(const FileFormat& f, const std::vector<uint8_t>& file) {
    return f.magicSize > 0 && file.size() >= f.magicSize &&
           std::memcmp(file.data(), f.magic, f.magicSize) == 0;
}

// The row that describes the file: by its magic first, then by its name's ending. A file
// whose ending names a format with a magic it lacks gets that format's refusal instead.
const FileFormat* describer(const std::string& path, const std::vector<uint8_t>& file,
                            std::string& error) {
    for (const FileFormat& f : fileFormats())
        if (f.describe && hasMagic(f, file)) return &f;
    std::string known;
    for (const FileFormat& f : fileFormats()) {
        if (!f.describe) continue;
        if (endsWith(path, f.extension)) {
            if (f.magicSize == 0) return &f;
            error = f.withoutMagic;
            return nullptr;
        }
        known += known.empty() ? "" : ", ";
        known += f.extension;
    }
    // "a, b, c" -> "a, b or c"
    size_t last = known.rfind(", ");
    if (last != std::string::npos) known.replace(last, 2, " or ");
    error = "unknown kind of file (expected a " + known + " file)";
    return nullptr;
}

} // namespace

bool inspectFile(const std::string& path, std::string& json, std::string& error,
                 const std::vector<std::string>& lines) {
    std::vector<uint8_t> file;
    switch (readFileBytes(path, file)) {
    case FileRead::CannotOpen:
        error = "cannot open the file";
        return false;
    case FileRead::CannotRead:
        error = "cannot read the file";
        return false;
    case FileRead::Ok:
        break;
    }
    const FileFormat* format = describer(path, file, error);
    if (!format) return false;
    Json j;
    j.beginObject();
    j.value("file", path).value("size", static_cast<long long>(file.size()));
    if (!format->describe(file, path, j, error, lines)) return false;
    messages(j, lines);
    j.endObject();
    json = j.finish();
    return true;
}

} // namespace tw

// Whole files read into memory, for the readers that take bytes.
#include "base/file_bytes.h"

#include <cstdio>
#include <memory>
#include <new>

#include "base/report.h"

namespace tw {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

FileRead readFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return FileRead::CannotOpen;
    std::FILE* f = file.get();
    if (std::fseek(f, 0, SEEK_END) != 0) return FileRead::CannotRead;
    const long size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return FileRead::CannotRead;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return FileRead::CannotRead;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        bytes.clear();
        return FileRead::CannotRead;
    }
    return FileRead::Ok;
}

bool readFileOrReport(const std::string& path, std::vector<uint8_t>& bytes) {
    if (readFileBytes(path, bytes) != FileRead::CannotOpen) return true;
    reportBox("ERROR!", format("Cant open %s", path.c_str()));
    return false;
}

} // namespace tw

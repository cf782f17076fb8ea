// A minimal JSON writer for the inspector: objects and arrays as nested, indented text.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace tw {

// A minimal JSON writer: objects and arrays as nested text, commas placed by a stack of
// "first item" flags.
class Json {
  public:
    std::string text;

    Json& beginObject(const char* key = nullptr) { return open(key, '{'); }
    Json& endObject() { return close('}'); }
    Json& beginArray(const char* key = nullptr) { return open(key, '['); }
    Json& endArray() { return close(']'); }
    Json& value(const char* key, const std::string& s) {
        item(key);
        quote(s);
        return *this;
    }
    Json& value(const char* key, const char* s) { return value(key, std::string(s)); }
    Json& value(const char* key, long long n) {
        item(key);
        text += std::to_string(n);
        return *this;
    }
    Json& value(const char* key, int n) { return value(key, static_cast<long long>(n)); }
    Json& value(const char* key, unsigned n) { return value(key, static_cast<long long>(n)); }
    Json& value(const char* key, bool b) {
        item(key);
        text += b ? "true" : "false";
        return *this;
    }
    Json& value(const char* key, float f) {
        item(key);
        if (!std::isfinite(f)) {
            text += "null";
        } else {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
            text += buf;
        }
        return *this;
    }
    Json& vec3(const char* key, float x, float y, float z) {
        beginArray(key);
        value(nullptr, x).value(nullptr, y).value(nullptr, z);
        return endArray();
    }
    std::string finish() { return text + "\n"; }

  private:
    std::vector<bool> first_;

    void item(const char* key) {
        if (!first_.empty()) {
            if (!first_.back()) text += ",";
            first_.back() = false;
            text += '\n';
            text.append(first_.size() * 2, ' ');
        }
        if (key) {
            quote(key);
            text += ": ";
        }
    }
    Json& open(const char* key, char c) {
        item(key);
        text += c;
        first_.push_back(true);
        return *this;
    }
    Json& close(char c) {
        bool empty = first_.back();
        first_.pop_back();
        if (!empty) {
            text += '\n';
            text.append(first_.size() * 2, ' ');
        }
        text += c;
        return *this;
    }
    void quote(const std::string& s) {
        text += '"';
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                text += '\\';
                text += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                text += buf;
            } else {
                text += static_cast<char>(c);
            }
        }
        text += '"';
    }
};

} // namespace tw

// tarnwick-inspect run as a user would: JSON for every kind of file it knows, a clear
// message and a non-zero exit for files it cannot read.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tools/write/tga_writer.h"

namespace tw {
namespace {

const std::string kTool = std::string(TW_BINARY_DIR) + "/tools/tarnwick-inspect";

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun inspect(const std::string& file) {
    ToolRun r;
    std::string cmd = "'" + kTool + "' '" + file + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool has(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

class Inspect : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kTool)) GTEST_SKIP() << "tarnwick-inspect not built";
    }
};

TEST_F(Inspect, DescribesEveryKindOfFile) {
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"data/tunnel.siv",
         {"\"kind\": \"siv\"", "\"objects\": 2", "\"positionKeys\"", "\"flags\": \"0x2\""}},
        {"data/scene03.3ds",
         {"\"kind\": \"3ds\"", "\"reflectionMap\": \"s08_back32.tga\"", "\"flags\": \"0x5a\"",
          "\"kind\": \"target\""}},
        {"data/spike.3ds", {"\"readable\": true"}},
        {"data/eye.tga", {"\"width\": 320", "\"texture\": false"}}};
    for (const auto& [file, wants] : cases) {
        ToolRun run = inspect(file);
        EXPECT_EQ(run.status, 0) << run.out;
        for (const char* want : wants) EXPECT_TRUE(has(run.out, want)) << want << " in " << run.out;
    }
}

TEST_F(Inspect, UnreadableFilesExitNonZeroWithAReason) {
    std::string dir = ::testing::TempDir();
    ASSERT_TRUE(
        writeFile(dir + "inspect_bad.siv", {'Z', 'S', 'I', 'V', 1, 0, 0, 0, 1, 0, 0, 0, 9}));
    ASSERT_TRUE(writeFile(dir + "inspect_bad.3ds", {0x4C, 0x4D, 6, 0, 0, 0}));
    ASSERT_TRUE(writeFile(dir + "inspect_bad.tga", {1, 2, 3}));
    ASSERT_TRUE(writeFile(dir + "inspect_bad.txt", {1, 2, 3}));
    const std::pair<std::string, std::string> cases[] = {
        {dir + "inspect_missing.siv", "cannot open"},
        {dir + "inspect_bad.siv", "decompression error"},
        {dir + "inspect_bad.3ds", "not a 3DS file"},
        {dir + "inspect_bad.tga", "not a readable"},
        {dir + "inspect_bad.txt", "unknown kind"},
    };
    for (const auto& [file, reason] : cases) {
        ToolRun r = inspect(file);
        EXPECT_NE(r.status, 0) << file;
        EXPECT_TRUE(has(r.out, reason)) << file << ": " << r.out;
    }
    EXPECT_NE(inspect("").status, 0);
}

} // namespace
} // namespace tw

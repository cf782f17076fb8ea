// Finding the data set (the search order, with temporary folders) and the options that pick
// where a run starts: --scene by number or name, --from, --loop and their refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/data_search.h"
#include "host/options.h"
#include "host/scene_lookup.h"
#include "tests/support/fakes.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// A folder tree with a data set in some of: cwd, bin (the executable's folder),
// share/tarnwick (beside bin), xdg1/tarnwick, xdg2/tarnwick; "junk" holds an unrelated data/.
struct Tree {
    test::TempDir dir;
    std::string at(const std::string& sub) const { return dir.path + "/" + sub; }
    void give(const std::string& sub) const {
        fs::create_directories(at(sub) + "/data");
        std::ofstream(at(sub) + "/data/vekt51.xm") << "x";
    }
    DataSearchInput input() const {
        DataSearchInput in;
        in.workingDir = at("cwd");
        in.exeDir = at("bin");
        xdg = at("xdg1") + ":relative/ignored::" + at("xdg2");
        in.xdgDataDirs = xdg.c_str();
        return in;
    }
    mutable std::string xdg;
};

TEST(DataSearch, TakesTheFirstFolderThatHoldsTheDataSet) {
    // Each row: the folders holding a data set; the one the search must pick.
    const struct {
        std::vector<const char*> holders;
        const char* expected;
    } rows[] = {
        {{"cwd", "bin", "share/tarnwick", "xdg1/tarnwick"}, "cwd"},
        {{"bin", "share/tarnwick", "xdg2/tarnwick"}, "bin"},
        {{"share/tarnwick", "xdg1/tarnwick"}, "share/tarnwick"},
        {{"xdg2/tarnwick", "xdg1/tarnwick"}, "xdg1/tarnwick"},
        {{"xdg2/tarnwick"}, "xdg2/tarnwick"},
    };
    for (const auto& row : rows) {
        Tree t;
        fs::create_directories(t.at("cwd/data")); // an empty data/ does not count
        for (const char* h : row.holders) t.give(h);
        std::string root, error;
        EXPECT_TRUE(findDataRoot(t.input(), root, error)) << error;
        EXPECT_EQ(root, t.at(row.expected)) << row.expected;
    }
}

TEST(DataSearch, ExplicitChoicesComeFirstAndAreNotSecondGuessed) {
    Tree t;
    t.give("cwd");
    t.give("opt");
    fs::create_directories(t.at("bare/data")); // data/ without the module: still taken
    std::ofstream(t.at("file")) << "x";
    const struct {
        const char* option;
        const char* env;
        bool ok;
        const char* expected; // root, or a piece of the error
    } rows[] = {
        {"opt", "cwd", true, "opt"},
        {nullptr, "opt", true, "opt"},
        {nullptr, "bare", true, "bare"},
        {nullptr, "", true, "cwd"}, // empty: as if unset
        {nullptr, "file", false, "is not a folder"},
        {nullptr, "missing", false, "is not a folder"},
        {nullptr, "cwd/data", false, "holds no data/ folder"},
        {"file", nullptr, false, "--data "},
    };
    for (const auto& row : rows) {
        DataSearchInput in = t.input();
        if (row.option) in.option = t.at(row.option);
        std::string env = row.env && *row.env ? t.at(row.env) : "";
        if (row.env) in.env = env.c_str();
        std::string root, error;
        ASSERT_EQ(findDataRoot(in, root, error), row.ok) << error;
        if (row.ok) {
            EXPECT_EQ(root, t.at(row.expected));
        } else {
            EXPECT_NE(error.find(row.expected), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
        }
    }
}

TEST(DataSearch, NothingFoundNamesEveryPlaceTried) {
    Tree t;
    DataSearchInput in = t.input();
    std::string root, error;
    EXPECT_FALSE(findDataRoot(in, root, error));
    for (const char* place : {"cwd", "bin", "share/tarnwick", "xdg1/tarnwick", "xdg2/tarnwick"})
        EXPECT_NE(error.find(t.at(place)), std::string::npos) << place << ": " << error;
    EXPECT_EQ(error.find("relative"), std::string::npos) << error;
    // Without XDG_DATA_DIRS the standard folders are searched.
    in.xdgDataDirs = nullptr;
    std::vector<std::string> dirs = dataCandidates(in);
    ASSERT_EQ(dirs.size(), 5u);
    EXPECT_EQ(dirs[3], "/usr/local/share/tarnwick");
    EXPECT_EQ(dirs[4], "/usr/share/tarnwick");
}

bool parse(std::vector<const char*> args, Options& o, std::string& error) {
    args.insert(args.begin(), "tarnwick");
    return parseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

TEST(StartOptions, ScenesByNumberOrNameSetTheRange) {
    const struct {
        std::vector<const char*> args;
        double from, to;
    } rows[] = {
        {{"--scene", "1"}, 0, 177},
        {{"--scene", "Greetings"}, 115.5, 177},
        {{"--scene", "11", "--frames", "d"}, 172.5, 177},
        {{"--scene", "warp", "--frames", "d"}, 18.5, 31.5},
        {{"--scene", "warp", "--to", "20", "--frames", "d"}, 18.5, 20},
        {{"--from", "150", "--loop"}, 150, 177},
    };
    for (const auto& row : rows) {
        Options o;
        std::string error;
        ASSERT_TRUE(parse(row.args, o, error)) << error;
        EXPECT_DOUBLE_EQ(o.from, row.from) << row.args[1];
        EXPECT_DOUBLE_EQ(o.to, row.to) << row.args[1];
    }
    std::string listing = sceneListing();
    EXPECT_NE(listing.find(" 5  twist       57.00   70.00\n"), std::string::npos) << listing;
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 12);
}

TEST(StartOptions, BadStartsAreRefusedWithOneLine) {
    const struct {
        std::vector<const char*> args;
        const char* says;
    } rows[] = {
        {{"--scene", "0"}, "unknown scene \"0\""},
        {{"--scene", "12"}, "from 1 to 11"},
        {{"--scene", "eyes"}, "eye, warp"},
        {{"--scene", ""}, "unknown scene"},
        {{"--from", "177"}, "inside the run"},
        {{"--from", "-1"}, "from 0 to 177"},
        {{"--from", "178", "--frames", "d"}, "from 0 to 177"},
        {{"--from", "3", "--scene", "2"}, "one of --from and --scene"},
        {{"--loop", "--frames", "d"}, "--loop applies to live play"},
        {{"--loop", "--stills", "x.png"}, "--loop applies to live play"},
        {{"--loop", "--capture", "x.mp4"}, "--loop applies to live play"},
        {{"--to", "5"}, "--to applies to offline runs"},
    };
    for (const auto& row : rows) {
        Options o;
        std::string error;
        EXPECT_FALSE(parse(row.args, o, error)) << row.args[0] << " " << row.args[1];
        EXPECT_NE(error.find(row.says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

} // namespace
} // namespace tw

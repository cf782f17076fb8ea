// Finding the data set (the search order, with temporary folders) and the options that pick
// where a run starts: --scene by number or name, --from, --loop and their refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/data_search.h"
#include "host/options.h"
#include "host/scene_lookup.h"
#include "tests/support/fakes.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// Folders standing for the working directory (cwd), the executable's (bin), the install's
// share/tarnwick and two XDG_DATA_DIRS entries; give() puts a data set in one.
struct Tree {
    test::TempDir dir;
    std::string xdg = at("xdg1") + ":relative/ignored::" + at("xdg2");
    std::string at(const std::string& sub) const { return dir.path + "/" + sub; }
    void give(const std::string& sub) const {
        fs::create_directories(at(sub) + "/data");
        std::ofstream(at(sub) + "/data/vekt51.xm") << "x";
    }
    DataSearchInput input() const {
        fs::create_directories(at("cwd/data")); // an empty data/ does not count
        return {"", nullptr, at("cwd"), at("bin"), xdg.c_str()};
    }
};

TEST(DataSearch, TakesTheFirstFolderThatHoldsTheDataSetOrNamesEveryPlaceTried) {
    const std::vector<std::vector<std::string>> rows = {
        // The folders holding a data set; the first is the one to be found.
        {"cwd", "bin", "share/tarnwick", "xdg1/tarnwick"},
        {"bin", "share/tarnwick", "xdg2/tarnwick"},
        {"share/tarnwick", "xdg1/tarnwick"},
        {"xdg1/tarnwick", "xdg2/tarnwick"},
        {"xdg2/tarnwick"},
    };
    for (const auto& holders : rows) {
        Tree t;
        for (const std::string& h : holders) t.give(h);
        std::string root, error;
        EXPECT_TRUE(findDataRoot(t.input(), root, error)) << error;
        EXPECT_EQ(root, t.at(holders[0]));
    }
    Tree t;
    std::string root, error;
    EXPECT_FALSE(findDataRoot(t.input(), root, error));
    for (const char* place : {"cwd", "bin", "share/tarnwick", "xdg1/tarnwick", "xdg2/tarnwick"})
        EXPECT_NE(error.find(t.at(place)), std::string::npos) << place << ": " << error;
    EXPECT_EQ(error.find("relative"), std::string::npos) << error;
    DataSearchInput unset = t.input();
    unset.xdgDataDirs = nullptr; // the standard folders
    std::vector<std::string> dirs = dataCandidates(unset);
    EXPECT_EQ(std::vector<std::string>(dirs.begin() + 3, dirs.end()),
              (std::vector<std::string>{"/usr/local/share/tarnwick", "/usr/share/tarnwick"}));
}

TEST(DataSearch, ExplicitChoicesComeFirstAndAreNotSecondGuessed) {
    Tree t;
    t.give("cwd");
    t.give("opt");
    fs::create_directories(t.at("bare/data")); // data/ without the module: still taken
    std::ofstream(t.at("file")) << "x";
    const struct {
        const char *option, *env;
        bool ok;
        const char* expected; // root, or a piece of the one-line error
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
        std::string env = row.env && *row.env ? t.at(row.env) : "", root, error;
        if (row.env) in.env = env.c_str();
        ASSERT_EQ(findDataRoot(in, root, error), row.ok) << error;
        if (row.ok) {
            EXPECT_EQ(root, t.at(row.expected));
        } else {
            EXPECT_TRUE(error.find(row.expected) != std::string::npos &&
                        error.find('\n') == std::string::npos)
                << error;
        }
    }
}

bool parse(std::vector<const char*> args, Options& o, std::string& error) {
    args.insert(args.begin(), "tarnwick");
    return parseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

TEST(StartOptions, ScenesByNumberOrNameSetTheRangeAndBadStartsAreRefused) {
    const struct {
        std::vector<const char*> args;
        double from, to;
        const char* refusal; // null: accepted with this range
    } rows[] = {
        {{"--scene", "1"}, 0, 177, nullptr},
        {{"--scene", "Greetings"}, 115.5, 177, nullptr},
        {{"--scene", "warp", "--frames", "d"}, 18.5, 31.5, nullptr},
        {{"--scene", "warp", "--to", "20", "--frames", "d"}, 18.5, 20, nullptr},
        {{"--from", "150", "--loop"}, 150, 177, nullptr},
        {{"--scene", "0"}, 0, 0, "unknown scene \"0\""},
        {{"--scene", "12"}, 0, 0, "from 1 to 11"},
        {{"--scene", "eyes"}, 0, 0, "eye, warp"},
        {{"--scene", ""}, 0, 0, "unknown scene"},
        {{"--from", "177"}, 0, 0, "inside the run"},
        {{"--from", "-1"}, 0, 0, "from 0 to 177"},
        {{"--from", "3", "--scene", "2"}, 0, 0, "one of --from and --scene"},
        {{"--loop", "--frames", "d"}, 0, 0, "--loop applies to live play"},
        {{"--loop", "--stills", "x.png"}, 0, 0, "--loop applies to live play"},
        {{"--to", "5"}, 0, 0, "--to applies to offline runs"},
    };
    for (const auto& row : rows) {
        Options o;
        std::string error;
        ASSERT_EQ(parse(row.args, o, error), !row.refusal) << row.args[1] << ": " << error;
        if (!row.refusal) {
            EXPECT_EQ(std::pair(o.from, o.to), std::pair(row.from, row.to)) << row.args[1];
        } else {
            EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        }
    }
    std::string listing = sceneListing();
    EXPECT_NE(listing.find("\n5 twist 57.00 70.00 61.60\n"), std::string::npos) << listing;
}

} // namespace
} // namespace tw

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The README lists src/'s folders top to bottom; a folder may include only
// itself and folders listed after it.
std::vector<std::string> ReadLayers(const std::string& readme) {
    std::istringstream in(readme);
    std::string line;
    while (std::getline(in, line) && line != "### Layers") {
    }
    while (std::getline(in, line) && line.rfind("```", 0) != 0) {
    }
    std::vector<std::string> layers;
    while (std::getline(in, line) && line.rfind("```", 0) != 0) {
        const std::string folder = line.substr(0, line.find(' '));
        if (!folder.empty()) layers.push_back(folder);
    }
    return layers;
}

// The listed folder a path under src/ belongs to: the longest listed prefix,
// so platform/sdl/x.cpp is platform/sdl's and platform/Platform.h platform's.
// -1 when none fits.
int LayerOf(const std::vector<std::string>& layers, const std::string& path) {
    int best = -1;
    size_t bestLen = 0;
    for (size_t i = 0; i < layers.size(); ++i) {
        const std::string prefix = layers[i] + "/";
        if (path.rfind(prefix, 0) == 0 && prefix.size() > bestLen) {
            best = static_cast<int>(i);
            bestLen = prefix.size();
        }
    }
    return best;
}

struct SourceFile {
    std::string path;  // relative to src/
    std::string text;
};

// One line per include that goes up the list, per file in no listed folder,
// and per include of src/'s own folders that no listed folder holds.
std::vector<std::string> Violations(const std::vector<std::string>& layers, const std::vector<SourceFile>& files,
                                    const std::vector<std::string>& srcFolders) {
    std::vector<std::string> out;
    for (const SourceFile& f : files) {
        const int own = LayerOf(layers, f.path);
        if (own < 0) {
            out.push_back("src/" + f.path + ": its folder is not in the README's layer list");
            continue;
        }
        std::istringstream in(f.text);
        std::string line;
        for (int no = 1; std::getline(in, line); ++no) {
            const std::string tag = "#include \"";
            const size_t at = line.find(tag);
            if (at == std::string::npos || line.find_first_not_of(" \t") != at) continue;
            const size_t end = line.find('"', at + tag.size());
            if (end == std::string::npos) continue;
            const std::string target = line.substr(at + tag.size(), end - at - tag.size());
            const std::string top = target.substr(0, target.find('/'));
            if (target.find('/') == std::string::npos ||
                std::find(srcFolders.begin(), srcFolders.end(), top) == srcFolders.end())
                continue;  // a header beside the file, or a library's
            const int to = LayerOf(layers, target);
            const std::string where = "src/" + f.path + ":" + std::to_string(no) + ": includes \"" + target + "\"";
            if (to < 0)
                out.push_back(where + ", in no listed folder");
            else if (to < own)
                out.push_back(where + ", and " + layers[to] + " lies above " + layers[own]);
        }
    }
    return out;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(LayersTest, TheCheckFindsUpwardIncludesAndUnlistedFolders) {
    const std::vector<std::string> layers = {"app", "platform/sdl", "game", "world", "core", "platform"};
    const std::vector<std::string> folders = {"app", "platform", "game", "world", "core"};
    struct Case {
        const char* rule;
        SourceFile file;
        std::vector<std::string> expected;
    } cases[] = {
        {"a folder may include itself and anything below", {"game/Main.cpp", "#include \"game/Flow.h\"\n#include \"world/Game.h\"\n#include \"platform/Platform.h\"\n"}, {}},
        {"an include upwards is named with its file and line",
         {"core/GameState.cpp", "// the state\n#include <array>\n#include \"game/Flow.h\"\n"},
         {"src/core/GameState.cpp:3: includes \"game/Flow.h\", and game lies above core"}},
        {"the interfaces may not include a back end above them",
         {"platform/Platform.h", "#include \"platform/sdl/SdlWindow.h\"\n"},
         {"src/platform/Platform.h:1: includes \"platform/sdl/SdlWindow.h\", and platform/sdl lies above platform"}},
        {"a back end stands above the interfaces", {"platform/sdl/Win.cpp", "#include \"platform/Platform.h\"\n"}, {}},
        {"a file in an unlisted folder is reported", {"extra/X.cpp", "#include \"core/GameState.h\"\n"},
         {"src/extra/X.cpp: its folder is not in the README's layer list"}},
        {"library and local headers are not folders of src/", {"world/Game.cpp", "#include \"SDL.h\"\n#include \"nlohmann/json.hpp\"\n"}, {}},
        {"commented-out includes do not count", {"core/A.h", "// #include \"game/Flow.h\"\n"}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Violations(layers, {c.file}, folders), c.expected) << c.rule;
}

TEST(LayersTest, NoFolderIncludesOneAboveIt) {
    const fs::path root = MOLFO_SOURCE_DIR;
    const std::vector<std::string> layers = ReadLayers(ReadAll(root / "README.md"));
    ASSERT_GE(layers.size(), 10u) << "the README's maintainer section lists src/'s folders under ### Layers";

    std::vector<std::string> folders;
    for (const auto& e : fs::directory_iterator(root / "src"))
        if (e.is_directory()) folders.push_back(e.path().filename().string());
    std::vector<SourceFile> files;
    for (const auto& e : fs::recursive_directory_iterator(root / "src")) {
        const std::string ext = e.path().extension().string();
        if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        files.push_back({fs::relative(e.path(), root / "src").generic_string(), ReadAll(e.path())});
    }
    ASSERT_GT(files.size(), 50u) << "the sources were found";

    std::string report;
    for (const std::string& v : Violations(layers, files, folders)) report += v + "\n";
    EXPECT_TRUE(report.empty()) << "every folder includes only folders below it in the README's list:\n" << report;

    for (const std::string& layer : layers)
        EXPECT_TRUE(fs::is_directory(root / "src" / layer)) << "the README lists src/" << layer << ", which exists";
}

}  // namespace

#include "driver/Driver.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "core/AssetCheck.h"
#include "driver/Session.h"

namespace molfo {

int RunHeadless(const HeadlessOptions& options) {
    const std::vector<std::string> problems = CheckAssets(options.dataDir);
    if (!problems.empty()) {
        for (const std::string& p : problems) std::cerr << "molfo: " << p << "\n";
        return 1;
    }
    InputScript script;
    std::string error;
    if (options.inputPath.empty()) {
        // Without a script the game is started from the title and left to play itself.
        ParseInputScript("title: press SHIFT\n", script, error);
    } else {
        std::ifstream in(options.inputPath, std::ios::binary);
        if (!in) {
            std::cerr << "molfo: cannot read input script " << options.inputPath << "\n";
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        if (!ParseInputScript(text.str(), script, error)) {
            std::cerr << "molfo: " << options.inputPath << ": " << error << "\n";
            return 2;
        }
    }
    std::ofstream dump;
    if (!options.dumpPath.empty()) {
        dump.open(options.dumpPath, std::ios::binary | std::ios::trunc);
        if (!dump) {
            std::cerr << "molfo: cannot write dump " << options.dumpPath << "\n";
            return 2;
        }
    }
    HeadlessSession session(options.dataDir, std::move(script));
    session.frameLimit = options.frames;
    if (options.stage < 1 || options.stage > 5) {
        std::cerr << "molfo: --stage takes 1..5\n";
        return 2;
    }
    session.practiceStage = options.stage;
    session.practiceBoss = options.boss;
    if (dump.is_open()) session.onDump = [&dump](const nlohmann::ordered_json& j) { dump << j.dump() << '\n'; };
    session.Run();
    if (dump.is_open() && !dump.flush()) {
        std::cerr << "molfo: writing the dump " << options.dumpPath << " failed\n";
        return 2;
    }
    if (session.timedOut) {
        std::cerr << "molfo: headless run stopped after " << session.timeLimitMs / 1000
                  << " s of game time (the input script left the game waiting)\n";
        return 3;
    }
    return 0;
}

}  // namespace molfo

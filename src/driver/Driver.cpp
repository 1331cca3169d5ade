#include "driver/Driver.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "driver/Session.h"

namespace molfo {

int RunHeadless(const HeadlessOptions& options) {
    InputScript script;
    if (!options.inputPath.empty()) {
        std::ifstream in(options.inputPath, std::ios::binary);
        if (!in) {
            std::cerr << "molfo: cannot read input script " << options.inputPath << "\n";
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
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

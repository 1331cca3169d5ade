// The program: the game in a window, or headless with --headless.
#include <CLI/CLI.hpp>

#include "driver/Driver.h"

int main(int argc, char** argv) {
    CLI::App app{"Molfo: a vertical shooter"};
    molfo::HeadlessOptions h;
    bool headless = false;
    app.add_flag("--headless", headless, "run without a window");
    app.add_option("--data-dir", h.dataDir, "folder that holds sys/");
    app.add_option("--input", h.inputPath, "input script (headless)");
    app.add_option("--frames", h.frames, "stop after N frames (headless)");
    app.add_option("--dump", h.dumpPath, "JSON Lines state dump (headless)");
    CLI11_PARSE(app, argc, argv);
    return molfo::RunHeadless(h);
}

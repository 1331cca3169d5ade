// molfo-server: the online table. Takes recordings, has the game verify each
// by replaying it, and ranks only what the replay reached.
#include <limits.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "core/Printable.h"
#include "core/UserFolders.h"
#include "server/Api.h"
#include "server/Intake.h"
#include "server/Options.h"

namespace {

using namespace molfo::server;

std::string OwnFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    return std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path().string();
}

std::string DefaultDatabase() {
    const std::string data = molfo::XdgFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? std::string() : data + "/molfo-server/runs.sqlite";
}

std::string HostName() {
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return "localhost";
    return buf;
}

int Fail(const std::string& line) {
    std::cerr << "molfo-server: " << molfo::Printable(line, 400) << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    ServerOptions o;
    o.database = DefaultDatabase();
    const std::string own = OwnFolder();
    // Where the build or the package put them; a game found nowhere is
    // looked for beside the server, which the start-up error then names.
    o.game = FindBeside(own, MOLFO_GAME_FROM_SERVER, false);
    if (o.game.empty()) o.game = own + "/molfo";
    o.page = FindBeside(own, MOLFO_PAGE_FROM_SERVER, true);
    o.workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    CLI::App app;
    bool version = false;
    DescribeOptions(app, o, version);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        std::cerr << "molfo-server: " << molfo::Printable(e.what(), 300) << " (see molfo-server --help)\n";
        return 2;
    }
    if (version) {
        std::cout << "molfo-server " << MOLFO_VERSION << "\n";
        return 0;
    }
    std::string host;
    int port = 0;
    if (!ParseListen(o.listen, host, port)) return Fail("--listen takes HOST:PORT, such as 127.0.0.1:8090 or [::1]:8090");
    if (o.database.empty()) return Fail("no database given and no user data folder for one (set HOME or XDG_DATA_HOME)");

    // Every signal that ends the server is taken by one thread, which stops
    // the server in order; the verifiers die with it in any case.
    sigset_t ending;
    sigemptyset(&ending);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, sig);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const std::string gameVersion = Verifier::GameVersion(o.game, error);
    if (gameVersion.empty()) return Fail(error + " (give the game's program with --game)");
    if (!Verifier::CanLimit(o.limits, error)) return Fail(error);
    std::unique_ptr<Store> store;
    try {
        store = OpenStore(o.database);
    } catch (const StoreError& e) {
        return Fail(e.what());
    }
    HttpLimits limits;
    limits.request = std::chrono::seconds(o.clientTimeout);
    HttpServer http(limits);
    if (!http.Bind(host, port)) return Fail("cannot listen on " + o.listen);

    Metrics metrics;
    const Verifier verifier(o.game, o.limits, gameVersion);
    const int64_t leaseMs = (int64_t{o.limits.wallSeconds} + kLeaseMarginSeconds) * 1000;
    Workers workers(*store, verifier, metrics, HostName() + ":" + host + ":" + std::to_string(http.Port()), o.workers,
                    leaseMs);
    ApiOptions api;
    api.version = gameVersion;
    api.pageDir = o.page;
    api.defaultName = RankingName(o.defaultName, kDefaultName);
    api.submitPerMinute = o.submitPerMinute;
    api.submitBurst = o.submitBurst;
    api.pendingPerAddress = o.pendingPerAddress;
    api.behindProxy = o.behindProxy;
    Api routes(api, *store, workers, metrics);
    if (!routes.Mount(http)) return Fail("cannot serve the page folder " + o.page);

    if (const int stale = Verifier::RemoveStale(); stale > 0)
        std::cerr << "molfo-server: removed " << stale << " scratch folders of verifiers that died with their server\n";
    workers.Start();
    std::thread signals([&http, ending] {
        int sig = 0;
        sigwait(&ending, &sig);
        http.Stop();
    });
    std::cerr << "molfo-server: verifying molfo " << gameVersion << " with " << o.workers << " workers; listening on http://"
              << (host.find(':') != std::string::npos ? "[" + host + "]" : host) << ":" << http.Port() << "/" << std::endl;
    http.Serve();
    workers.Stop();
    signals.join();
    std::cerr << "molfo-server: stopped" << std::endl;
    return 0;
}

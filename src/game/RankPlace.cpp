#include "game/RankPlace.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Printable.h"
#include "core/UserFolders.h"

namespace molfo {

namespace fs = std::filesystem;

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool FolderWritable(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return false;
    std::string probe = Join(folder, ".molfo-write-XXXXXX");
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

bool PlayerMayWrite(const std::string& folder) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(folder, ec);
    if (ec) return false;
    const fs::path usr("/usr");
    if (std::mismatch(usr.begin(), usr.end(), real.begin(), real.end()).first == usr.end()) return false;
    return FolderWritable(folder);
}

std::string UserDataFolder() {
    const std::string base = XdgFolder("XDG_DATA_HOME", ".local/share");
    if (base.empty()) return {};
    const fs::path folder = fs::path(base) / "molfo";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) return {};
    return folder.string() + "/";
}

std::string UserRankFile(const std::string& dataDir, const std::string& userDir) {
    if (userDir.empty()) return {};
    const std::string mine = Join(userDir, "rank.hms");
    const std::string beside = Join(Join(dataDir, "sys"), "rank.hms");
    std::error_code ec;
    if (!fs::exists(mine, ec) && fs::is_regular_file(beside, ec)) {
        // A failed copy only means the first game starts a fresh list.
        fs::copy_file(beside, mine, fs::copy_options::skip_existing, ec);
    }
    return mine;
}

std::string RankFileFor(const std::string& dataDir) {
    const std::string sys = dataDir.empty() ? std::string("sys") : Join(dataDir, "sys");
    if (PlayerMayWrite(sys)) return {};
    const std::string user = UserDataFolder();
    if (user.empty())
        std::fprintf(stderr,
                     "molfo: %s is not the player's to write and there is no user data folder; "
                     "the ranking will not be saved\n",
                     Printable(sys, 200).c_str());
    return UserRankFile(dataDir, user);
}

}  // namespace molfo

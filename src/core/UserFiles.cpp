#include "core/UserFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace molfo {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string FindDataDir(const std::string& programFolder, const std::string& fromBin) {
    if (IsFolder(Join(programFolder, "sys"))) return programFolder;
    size_t from = 0;
    while (from <= fromBin.size()) {
        const size_t colon = std::min(fromBin.find(':', from), fromBin.size());
        const std::string rel = fromBin.substr(from, colon - from);
        from = colon + 1;
        if (rel.empty()) continue;
        const fs::path installed = (fs::path(programFolder) / rel).lexically_normal();
        if (IsFolder((installed / "sys").string())) return installed.string();
    }
    return programFolder;
}

std::string ChoosePicturesFolder(const std::string& xdgAnswer, const std::string& home, const std::string& fallback) {
    // xdg-user-dir answers with the home folder itself when no picture
    // folder is set up; that is no better than the guesses below.
    const auto same = [](const std::string& a, const std::string& b) {
        std::error_code ec;
        return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
    };
    if (IsFolder(xdgAnswer) && !same(xdgAnswer, home)) return xdgAnswer;
    if (!home.empty() && IsFolder(Join(home, "Pictures"))) return Join(home, "Pictures");
    return fallback;
}

std::string AskXdgPictures() {
    FILE* p = popen("xdg-user-dir PICTURES 2>/dev/null", "r");
    if (p == nullptr) return {};
    std::string out;
    char buf[512];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string ScreenshotName(const std::tm& local) {
    char name[64];
    std::strftime(name, sizeof name, "molfo-%Y-%m-%d-%H%M%S.png", &local);
    return name;
}

std::string FreeScreenshotPath(const std::string& folder, const std::tm& local) {
    const std::string name = ScreenshotName(local);
    std::string path = Join(folder, name);
    const std::string stem = name.substr(0, name.size() - 4);
    for (int n = 2; Exists(path) && n < 1000; ++n) path = Join(folder, stem + "-" + std::to_string(n) + ".png");
    return path;
}

}  // namespace molfo

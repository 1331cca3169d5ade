#include "online/CurlLib.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace molfo::online {

namespace {

// dlerror's words, without the file's name they begin with.
std::string LastDlError(const std::string& file) {
    const char* e = dlerror();
    std::string words = e != nullptr ? e : "no reason given";
    if (words.starts_with(file + ": ")) words.erase(0, file.size() + 2);
    return words;
}

}  // namespace

bool LoadCurl(const char* file, CurlApi& api, std::string& error) {
    const std::string cannot = "cannot load " + std::string(file) + ": ";
    // Local: none of curl's symbols, nor its libraries', can stand in for
    // another library's in the rest of the game.
    void* lib = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        error = cannot + LastDlError(file);
        return false;
    }
    CurlApi found;
    bool complete = true;
    std::string missing;
    // dlsym's void* to a function pointer: what POSIX guarantees works.
#define MOLFO_CURL_LOOK_UP(name)                                                        \
    if (complete) {                                                                     \
        found.name = reinterpret_cast<decltype(found.name)>(dlsym(lib, "curl_" #name)); \
        if (found.name == nullptr) {                                                    \
            complete = false;                                                           \
            missing = "curl_" #name;                                                    \
        }                                                                               \
    }
    MOLFO_CURL_FUNCTIONS(MOLFO_CURL_LOOK_UP)
#undef MOLFO_CURL_LOOK_UP
    if (!complete) {
        error = cannot + "it has no " + missing + ", so it is no libcurl";
        dlclose(lib);
        return false;
    }
    api = found;
    return true;
}

const CurlApi* Curl(std::string& error) {
    static std::once_flag once;
    static CurlApi api;
    static const CurlApi* loaded = nullptr;
    static std::string why;
    std::call_once(once, [] {
        const char* file = std::getenv("MOLFO_LIBCURL");
        if (file == nullptr || *file == '\0') file = kCurlLibrary;
        if (!LoadCurl(file, api, why)) return;
        if (const CURLcode rc = api.global_init(CURL_GLOBAL_DEFAULT); rc != CURLE_OK) {
            why = std::string(file) + " could not be started: " + api.easy_strerror(rc);
            return;
        }
        loaded = &api;
    });
    if (loaded == nullptr) error = why;
    return loaded;
}

}  // namespace molfo::online

// libcurl loaded at run time: the real one is found and every function the
// client calls is there; anything else is refused with one line that names
// the file, so that a player without libcurl reads why the table is out of
// reach. (The program's own start without it, and its exit status, are in
// tests/scripts/online_run.sh; that it is not linked, in
// tests/package/loaded.sh.)
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "online/CurlLib.h"

namespace molfo::online {
namespace {

TEST(OnlineCurlLib, TheRealOneLoadsAndAnythingElseIsRefusedInOneLine) {
    test::Scratch scratch("curllib");
    const std::string notElf = scratch.Make("libcurl.so.4", "not a library\n");
    struct Case {
        std::string file;
        bool loads;
        std::string says;  // after "cannot load FILE: "
    };
    const std::vector<Case> cases = {
        {kCurlLibrary, true, ""},
        {scratch.root.string() + "/missing/libcurl.so.4", false, "cannot open shared object file"},
        {notElf, false, ""},  // dlerror's words vary: only the file is promised
        // Loaded (the program is linked with it), but no libcurl.
        {"libz.so.1", false, "it has no curl_global_init, so it is no libcurl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CurlApi api;
        std::string error;
        ASSERT_EQ(LoadCurl(c.file.c_str(), api, error), c.loads) << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty());
#define MOLFO_CURL_FOUND(name) EXPECT_NE(api.name, nullptr) << "curl_" #name;
            MOLFO_CURL_FUNCTIONS(MOLFO_CURL_FOUND)
#undef MOLFO_CURL_FOUND
            EXPECT_NE(api.version_info(CURLVERSION_NOW)->version, nullptr);
            continue;
        }
        EXPECT_EQ(error.rfind("cannot load " + c.file + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        EXPECT_EQ(api.global_init, nullptr) << "nothing of a refused library is kept";
    }
}

// The sender's thread and the command line may ask at once: one library,
// set up once, for all.
TEST(OnlineCurlLib, EveryThreadGetsTheSameLibrary) {
    constexpr int kThreads = 8;
    std::vector<const CurlApi*> got(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&got, i] {
            std::string error;
            got[i] = Curl(error);
        });
    for (std::thread& t : threads) t.join();
    ASSERT_NE(got[0], nullptr);
    for (const CurlApi* api : got) EXPECT_EQ(api, got[0]);
}

}  // namespace
}  // namespace molfo::online

// libcurl, loaded the first time the game really speaks to an online table
// (a run sent, --submit, --online-table) instead of at every start: sending
// is off unless the player turns it on, and the library with the twenty
// others it brings (TLS, Kerberos, LDAP, SSH, ...) cost every game 5 MB
// resident. Only the functions Http.cpp calls are looked up; curl's headers
// still give the types and constants.
#pragma once

#include <curl/curl.h>

#include <string>

namespace molfo::online {

// The file loaded: the soname of Debian's libcurl4 (the OpenSSL flavour),
// which the game's package depends on by hand (dist/Package.cmake) and
// dist/molfo.dlopen lists for the package's tests.
inline constexpr const char* kCurlLibrary = "libcurl.so.4";

// The functions used, as curl_NAME: field NAME.
#define MOLFO_CURL_FUNCTIONS(X)                                                       \
    X(global_init)                                                                    \
    X(easy_init) X(easy_cleanup) X(easy_reset) X(easy_setopt) X(easy_perform)         \
    X(easy_getinfo) X(easy_strerror) X(slist_append) X(slist_free_all) X(version_info)

struct CurlApi {
#define MOLFO_CURL_FIELD(name) decltype(&curl_##name) name = nullptr;
    MOLFO_CURL_FUNCTIONS(MOLFO_CURL_FIELD)
#undef MOLFO_CURL_FIELD
};

// Loads `file` (as dlopen finds it) and looks every function up: false, with
// one line naming the file in `error`, when it cannot be loaded or lacks one.
// A library loaded stays loaded for the life of the process.
bool LoadCurl(const char* file, CurlApi& api, std::string& error);

// The process's libcurl, loaded and set up (curl_global_init) by the first
// call from any thread; nullptr, with the line saying why in `error`, when
// it cannot be, at this call and every later one.
// For tests, MOLFO_LIBCURL names another file to load in place of
// kCurlLibrary (a missing one, or a library that is not libcurl).
const CurlApi* Curl(std::string& error);

}  // namespace molfo::online

// Reads arbitrary bytes as a compiled catalog (.mo) and checks that the
// reader refuses them with a reason or gives a catalog whose translations
// of the game's texts, its templates filled in, never misbehave.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "i18n/Catalog.h"

namespace {

using molfo::i18n::Catalog;

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Catalog c;
    std::string error;
    if (!Catalog::ParseMo({data, size}, c, error)) {
        Check(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    for (const char* text : {"0てん", "120てん", "ランキング3位です。", "Escキーで終了\r\nZキーでハルモス光線", "Qキーで終了",
                             "", "%d", "%s", "\r\n\r\n"})
        c.Translate(text);
    // The input's own text, read as lines and templates.
    c.Translate(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 256)));
    return 0;
}

// The page's twin of replay/SignalCleanup.cpp: a page gets no signals, and a
// replay's private folder lies in the page's memory, gone with the page.
#include "replay/SignalCleanup.h"

namespace molfo {

SignalCleanup::SignalCleanup(const std::string&) {}

SignalCleanup::~SignalCleanup() = default;

}  // namespace molfo

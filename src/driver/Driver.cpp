#include "driver/Driver.h"

#include "core/Game.h"
#include "platform/headless/Headless.h"

namespace molfo {

int RunHeadless(const HeadlessOptions& options) {
    HeadlessPlatform hp;
    Game g(hp.platform, options.dataDir);
    Main(g);
    return 0;
}

}  // namespace molfo

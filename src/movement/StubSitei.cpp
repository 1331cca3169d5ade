// Placeholder until the routes between points are written.
#include "movement/Ugoki.h"
namespace molfo {
Pos UgokiClass::UgokiSiteiIti(int16_t, const ItiList&, int16_t) { return {}; }
Pos UgokiClass::UgokiSiteiItiLibrary(int16_t, int16_t, int16_t) { return {}; }
}  // namespace molfo

// Placeholder until the asset check is written.
#include "core/AssetCheck.h"
namespace molfo {
std::vector<std::string> CheckAssets(const std::string&) { return {}; }
}  // namespace molfo

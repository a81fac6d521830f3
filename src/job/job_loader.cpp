#include "job/job_loader.h"

namespace velkaro {

StartupResult StartupSettings(const std::string& programFolder) {
  StartupResult result;
  const CatalogueLoadResult load = LoadLayerCatalogue(result.settings.layers, programFolder);
  result.messages = load.messages;
  result.usable = !load.stopStartup && !load.terminate;
  result.terminate = load.terminate;
  SetDefaultFolders(result.settings, programFolder);
  return result;
}

}  // namespace velkaro

#pragma once
// Setting up a job the way the program starts: build the layer catalogue
// from the definition files, apply the defaults, then read a settings file.

#include <string>
#include <vector>

#include "job/job_settings.h"
#include "catalogue/catalogue_loader.h"

namespace velkaro {

struct StartupResult {
  JobSettings settings;
  std::vector<CatalogueMessage> messages;  // from the catalogue load
  bool usable = true;                      // false: start-up had to stop
  bool terminate = false;
};

// Catalogue and defaults (folders below the program folder).
StartupResult StartupSettings(const std::string& programFolder);

}  // namespace velkaro

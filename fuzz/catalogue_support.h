#pragma once
// The layer catalogue built once from the definition files of the source
// tree's data folder, so a fuzz program hands its readers the groups and
// themes a real job would: their element names, type keys and reader texts.

#include <cstdio>
#include <cstdlib>

#include "catalogue/catalogue_loader.h"
#include "catalogue/layer_catalogue.h"

namespace velkaro::fuzz {

inline const LayerCatalogue& Catalogue() {
  static const LayerCatalogue* catalogue = [] {
    auto* c = new LayerCatalogue;
    const CatalogueLoadResult result = LoadLayerCatalogue(*c, VELKARO_DATA_DIR);
    if (c->fgd.groups.empty() || c->ksj.empty()) {
      std::fprintf(stderr, "no layer catalogue in %s\n", VELKARO_DATA_DIR);
      std::abort();
    }
    return c;
  }();
  return *catalogue;
}

}  // namespace velkaro::fuzz

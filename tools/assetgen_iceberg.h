// The player's iceberg as other images show it; drawn by
// tools/assetgen_iceberg.cpp from the same model as the berg's own images.
#pragma once

#include "tools/assetgen.h"

namespace assetgen {

// Face n of the berg as it shows at a tier: the face image with every texel
// outside the berg at that tier left transparent (40 x 40, drawn by its top
// centre as the game draws the faces).
Canvas DrawIcebergFaceAtTier(int n, int tier, const AssetSources& sources);

}  // namespace assetgen

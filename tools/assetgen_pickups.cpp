// Small single images drawn cell by cell from the colour grids in
// tools/assets/pickups/pickups.txt: the loot crate, the ice cube and the
// ships' level tag. The file's own header describes the format; colours
// are named after the palette (tools/assetgen_palette.h).
#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"

namespace assetgen {
namespace {

AssetMaker Grid(const char* file) {
  return [file](const AssetSources& s) { return ReadGridImage(s, "pickups/pickups.txt", file); };
}

const AssetRegistration kPickupImages[] = {
    {"icecube.png", Grid("icecube.png")},
    {"leveltag.png", Grid("leveltag.png")},
    {"loot.png", Grid("loot.png")},
};

}  // namespace
}  // namespace assetgen

// The actors' images: the iceberg's faces and outline under the red-mask
// shader, the ships' sprite and outline strips under the alpha-mask shader,
// the level tag, the loot crate and the ice cube.
#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "game/gm_shaders.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"

namespace {

// Filter + Mipmap: the image-flags mask (0 while the game runs) removes them.
constexpr int32_t kFlags3 = 3;

// An image under the red-mask shader whose "Mask" is the mask image's
// colour texture (white, hiding everything below full alpha, when the mask
// is missing).
void SetMask(c_Image2 *image, c_Image2 *mask) {
    if (image) game_SetMaskTexture(image->Material(), game_ColorTextureOf(mask));
}

void LoadShip(const char *sprites, const char *outlines, ArrayField<c_Image2 *> &frames,
              ArrayField<c_Image2 *> &outlineFrames) {
    frames = game_LoadFrames9(String(sprites), kFlags3, world_ShipShader);
    outlineFrames = game_LoadFrames9(String(outlines), kFlags3, world_ShipShader);
}

}  // namespace

void game_LoadActorImages() {
    world_ShipShader = gc_New<c_AlphaMaskShader>()->m_new();
    game_LoadIcebergImages();
    game_LoadLevelTagImage();
    game_LoadShip1Images();
    game_LoadShip2Images();
    game_LoadShip3Images();
    game_LoadLootImage();
    game_LoadIceCubeImage();
}

void game_LoadIcebergImages() {
    c_RedMaskShader *shader = gc_New<c_RedMaskShader>()->m_new();
    c_Image2 *mask = game_LoadImageCentered(String(u"iceberg_m.png"), 0.5f, kFlags3, nullptr);
    const Array<c_Image2 *> &faces = world_IcebergFaces.get();
    for (int i = 0; i < faces.Length(); ++i) {
        String path = String(u"iceberg_t") + String(i) + String(u".png");
        c_Image2 *face = game_LoadImage(path, 0.5f, 0.0f, 0, shader);
        SetMask(face, mask);
        faces[i] = face;
    }
    c_Image2 *outline = game_LoadImageCentered(String(u"icebergoutline_t.png"), 0.5f, 0, shader);
    c_Image2 *outlineMask = game_LoadImageCentered(String(u"icebergoutline_m.png"), 0.5f, kFlags3, nullptr);
    SetMask(outline, outlineMask);
    world_IcebergOutline = outline;
}

void game_LoadLevelTagImage() {
    world_LevelTagImage = game_LoadImage(String(u"leveltag.png"), 0.0f, 0.0f, kFlags3, nullptr);
}

void game_LoadShip1Images() {
    LoadShip("ship01.png", "ship01outline.png", world_YachtFrames, world_YachtOutlines);
}

void game_LoadShip2Images() {
    LoadShip("ship02.png", "ship02outline.png", world_LinerFrames, world_LinerOutlines);
}

void game_LoadShip3Images() {
    LoadShip("ship03.png", "ship03outline.png", world_IcebreakerFrames, world_IcebreakerOutlines);
}

void game_LoadLootImage() { world_LootImage = game_LoadImageCentered(String(u"loot.png"), 0.5f, kFlags3, nullptr); }

void game_LoadIceCubeImage() {
    world_IceCubeImage = game_LoadImageCentered(String(u"icecube.png"), 0.5f, kFlags3, nullptr);
}

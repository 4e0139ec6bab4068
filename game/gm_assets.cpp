#include "game/gm_assets.h"

#include <set>
#include <string>

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"

namespace {

std::set<std::string> &Reported() {
    static std::set<std::string> reported;
    return reported;
}

template <class T>
T *Checked(T *loaded, const String &path) {
    if (!loaded) game_ReportMissingAsset(path);
    return loaded;
}

Array<c_Image2 *> CheckedStrip(const Array<c_Image2 *> &strip, const String &path) {
    if (strip.Length() == 0) game_ReportMissingAsset(path);
    return strip;
}

}  // namespace

void game_ReportMissingAsset(const String &path) {
    std::string name = host_ToUtf8(path);
    if (!Reported().insert(name).second) return;
    lang_Print(String(u"Velmora: missing or unreadable data file: ") + path);
}

void game_ResetAssetReports() { Reported().clear(); }

c_Image2 *game_LoadImage(const String &path, float xh, float yh, int32_t flags, c_Shader *shader) {
    return Checked(c_Image2::Load(path, xh, yh, flags, shader), path);
}

c_Image2 *game_LoadImageCentered(const String &path, float yh, int32_t flags, c_Shader *shader) {
    return Checked(c_Image2::LoadCentered(path, yh, flags, shader), path);
}

Array<c_Image2 *> game_LoadFrames(const String &path, int32_t frames, bool padded, float xh, float yh, int32_t flags,
                                  c_Shader *shader) {
    return CheckedStrip(c_Image2::LoadFrames(path, frames, padded, xh, yh, flags, shader), path);
}

Array<c_Image2 *> game_LoadFrames9(const String &path, int32_t flags, c_Shader *shader) {
    return CheckedStrip(c_Image2::LoadFrames9(path, flags, shader), path);
}

c_Material *game_LoadMaterial(const String &path, int32_t textureFlags, c_Shader *shader) {
    return Checked(c_Material::Load(path, textureFlags, shader), path);
}

c_Texture *game_ColorTextureOf(c_Image2 *image) {
    if (!image || !image->Material()) return nullptr;
    return image->Material()->ColorTexture();
}

c_Font2 *game_LoadFont(const String &path) { return Checked(c_Font2::LoadGrid95(path), path); }

c_Font2 *game_FontOrDefault(c_Font2 *font) { return font ? font : gfx2_DefaultFont.get(); }

String game_LoadText(const String &path) {
    FILE *f = app_Game->OpenFile(app_FixDataPath(path), String(u"rb"));
    if (!f) {
        game_ReportMissingAsset(path);
        return String();
    }
    std::fclose(f);
    return app_LoadString(path);
}

c_Image2 *game_StripFrame(const Array<c_Image2 *> &strip, int32_t frame) {
    return frame >= 0 && frame < strip.Length() ? strip[frame] : nullptr;
}

void game_DrawImage(c_Canvas *canvas, c_Image2 *image, float x, float y) {
    if (image) canvas->DrawImage(image, x, y);
}

void game_DrawFrame(c_Canvas *canvas, const Array<c_Image2 *> &strip, int32_t frame, float x, float y) {
    game_DrawImage(canvas, game_StripFrame(strip, frame), x, y);
}

// A program that draws through the renderer: rectangles, ellipses, text in
// the default font, and sprites of a render-target image it draws into
// first. The renderer's end-to-end test takes a screenshot of it.
#include <cstdio>
#include <cstdlib>

#include "host/hx_app.h"
#include "host/hx_gfx1.h"
#include "host/hx_gl.h"
#include "host/hx_main.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_json.h"

namespace {

class c_DrawApp : public c_App {
public:
    gc_ref<c_Canvas> window;
    gc_ref<c_Canvas> targetCanvas;
    gc_ref<c_Image2> target;
    int frames = 0;

    c_DrawApp *m_new() {
        c_App::m_new();
        return this;
    }
    void Mark() override {
        c_App::Mark();
        gc_Enqueue(window);
        gc_Enqueue(targetCanvas);
        gc_Enqueue(target);
    }
    int OnCreate() override {
        app_SetUpdateRate(30);
        window = gc_New<c_Canvas>()->m_new();
        target = gc_New<c_Image2>()->m_new(64, 64, 0.5f, 0.5f, 0);
        targetCanvas = gc_New<c_Canvas>()->m_new(target.get());
        // The sprite: a ring with a dot, drawn once into the render target.
        c_Canvas *t = targetCanvas;
        t->Clear(0, 0, 0, 0);
        t->SetColor(1.0f, 0.8f, 0.2f, 1.0f);
        t->DrawEllipse(4, 4, 56, 56);
        t->SetColor(0.1f, 0.1f, 0.3f, 1.0f);
        t->DrawEllipse(14, 14, 36, 36);
        t->SetColor(1.0f, 0.3f, 0.3f, 1.0f);
        t->DrawRect(26.0f, 8.0f, 12.0f, 12.0f, static_cast<c_Material *>(nullptr), 0.0f, 0.0f, 1.0f, 1.0f);
        t->Flush();
        return 0;
    }
    int OnRender() override {
        c_Canvas *c = window;
        c->Clear(0.06f, 0.16f, 0.29f, 1.0f);
        // Rectangles: a white one at the top left, a green band, a translucent red one over it.
        c->SetColor(1, 1, 1, 1);
        c->DrawRect(20.0f, 20.0f, 100.0f, 60.0f, static_cast<c_Material *>(nullptr), 0.0f, 0.0f, 1.0f, 1.0f);
        c->SetColor(0.2f, 0.8f, 0.3f, 1);
        c->DrawRect(140.0f, 20.0f, 300.0f, 40.0f, static_cast<c_Material *>(nullptr), 0.0f, 0.0f, 1.0f, 1.0f);
        c->SetColor(1.0f, 0.0f, 0.0f, 0.5f);
        c->DrawRect(200.0f, 40.0f, 120.0f, 60.0f, static_cast<c_Material *>(nullptr), 0.0f, 0.0f, 1.0f, 1.0f);
        // Ellipses.
        c->SetColor(0.9f, 0.9f, 1.0f, 1);
        c->DrawEllipse(480.0f, 20.0f, 160.0f, 90.0f);
        c->SetColor(0.3f, 0.6f, 1.0f, 1);
        c->DrawEllipse(700.0f, 30.0f, 60.0f, 60.0f);
        // Text in the default font, at 1x and scaled 3x.
        c->SetColor(1, 1, 1, 1);
        c->DrawText(String(u"Velmora renderer: sprites, text, rectangles, ellipses"), 20.0f, 140.0f, 0.0f, 0.0f);
        c->PushMatrix();
        c->Scale(3.0f, 3.0f);
        c->SetColor(1.0f, 0.9f, 0.5f, 1);
        c->DrawText(String(u"ICEBERG 0123"), 20.0f / 3.0f, 170.0f / 3.0f, 0.0f, 0.0f);
        c->PopMatrix();
        // Sprites of the render target: a row, rotated and scaled.
        c->SetColor(1, 1, 1, 1);
        for (int i = 0; i < 10; ++i)
            c->DrawImage(target, 80.0f + i * 85.0f, 330.0f, i * 36.0f, 0.6f + 0.1f * i, 0.6f + 0.1f * i);
        // The whole render target, unscaled, at the bottom left.
        c->DrawImage(target, 60.0f, 470.0f);
        c->Flush();
        if (++frames == 3) {
            if (const char *flag = std::getenv("VELMORA_DRAWAPP_READY")) {
                if (FILE *f = std::fopen(flag, "w")) std::fclose(f);
            }
        }
        return 0;
    }
};

gc_ref<c_DrawApp> g_app;

}  // namespace

void program_InitGlobals() {
    json_InitGlobals();
    gl_InitGlobals();
    gfx1_InitGlobals();
    gfx2_InitGlobals();
    app_InitGlobals();
}

void program_MarkGlobals() {
    json_MarkGlobals();
    gl_MarkGlobals();
    gfx1_MarkGlobals();
    gfx2_MarkGlobals();
    app_MarkGlobals();
    gc_Enqueue(g_app);
}

void game_Main() { g_app = gc_New<c_DrawApp>()->m_new(); }

int main(int argc, char **argv) {
    host_MainBody(argc, argv);
    return 0;
}

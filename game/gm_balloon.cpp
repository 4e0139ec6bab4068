// Speech balloons: parsing of the delay codes, the layout with its tail,
// the nine-slice frame drawn into the balloon layer and the typewriter.
#include "game/gm_balloon.h"

#include <algorithm>
#include <string>

#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "runtime/rt_math.h"

namespace {

// Every line starts with this delay after each character.
constexpr int32_t kDefaultDelayMs = 30;
// The first character shows this long after the balloon opens.
constexpr int32_t kFirstCharacterMs = 500;
constexpr int32_t kSkipMs = 60000;
constexpr int32_t kLineHeight = 12;
// The text origin within the balloon.
constexpr int32_t kTextLeft = 5;
constexpr int32_t kTextTop = 3;
// The frame's corners, in pixels of the balloon and of the image.
constexpr int32_t kCorner = 4;
constexpr float kImageUnits = 32.0f;
constexpr int32_t kTriangles = 22;

float FontWidth(const String &text) {
    c_Font2 *font = game_BalloonFont();
    return font ? font->TextWidth(text) : 0.0f;
}

}  // namespace

c_Font2 *game_BalloonFont() {
    if (c_Canvas *canvas = balloon_LayerCanvas) return canvas->Font();
    return game_FontOrDefault(game_Font);
}

// ---------------------------------------------------------------------------
// One line.

c_GuiBalloonText *c_GuiBalloonText::m_new(const String &source) {
    const int n = source.Length();
    Array<int32_t> delays(n);
    std::u16string text, code;
    int32_t delay = kDefaultDelayMs;
    int32_t count = 0;
    bool inCode = false;
    for (int i = 0; i < n; ++i) {
        const char16_t c = static_cast<char16_t>(source[i]);
        if (c == u'{') {
            inCode = true;
            code.clear();
        } else if (c == u'}') {
            delay = String(code.data(), static_cast<int64_t>(code.size())).ToInt();
            inCode = false;
            code.clear();
            m_pause = delay;
            // A code at the end of the line is the pause before the next
            // line: it replaces the last character's delay, when there is
            // a character.
            if (i == n - 1 && count > 0) delays[count - 1] = delay;
        } else if (inCode) {
            code.push_back(c);
        } else {
            text.push_back(c);
            delays[count++] = delay;
        }
    }
    m_text = String(text.data(), static_cast<int64_t>(text.size()));
    m_delays = count == n ? delays : delays.Slice(0, count);
    m_index = 0;
    return this;
}

int32_t c_GuiBalloonText::Width() { return static_cast<int32_t>(FontWidth(m_text)); }

void c_GuiBalloonText::Mark() { gc_Enqueue(m_delays); }

// ---------------------------------------------------------------------------
// The balloon.

c_GuiBalloon::c_GuiBalloon()
    : m_lineCount(0),
      m_lines(Array<c_GuiBalloonText *>()),
      m_width(0),
      m_height(0),
      m_left(0),
      m_top(0),
      m_vertices(Array<float>(2 * kPoints)),
      m_revealTime(0),
      m_lineIndex(0),
      m_penX(0),
      m_penY(0) {}

void c_GuiBalloon::Mark() {
    gc_Enqueue(m_lines);
    gc_Enqueue(m_vertices);
}

c_GuiBalloon *c_GuiBalloon::Init(const String &text, int32_t x, int32_t y) {
    Array<String> parts = text.Split(String(u"\\"));
    Array<c_GuiBalloonText *> lines(parts.Length());
    int32_t widest = 0;
    for (int i = 0; i < parts.Length(); ++i) {
        c_GuiBalloonText *line = gc_New<c_GuiBalloonText>()->m_new(parts[i]);
        lines[i] = line;
        widest = std::max(widest, line->Width());
    }
    m_lines = lines;
    m_lineCount = lines.Length();

    m_width = widest + 9;
    m_height = kLineHeight * m_lineCount + 5;
    m_left = x - m_width / 2;
    if (m_left <= 1)
        m_left = 2;
    else
        m_left = std::min(m_left, screen_Width - m_width - 2);
    m_top = y - m_height - 5;
    if (m_top <= 13)
        m_top = 14;
    else
        m_top = std::min(m_top, screen_Height - m_height - 7);

    SetSize(m_width, m_height);
    SetTail(x, y);
    RenderBalloon();

    balloon_TextDone = 0;
    m_revealTime = math_WrapAdd(game_Clock, kFirstCharacterMs);
    m_lineIndex = 0;
    m_penX = 0;
    m_penY = 0;
    return this;
}

void c_GuiBalloon::SetSize(int32_t w, int32_t h) {
    m_width = w;
    m_height = h;
    const float xs[4] = {0.0f, static_cast<float>(kCorner), static_cast<float>(w - kCorner), static_cast<float>(w)};
    const float ys[4] = {0.0f, static_cast<float>(kCorner), static_cast<float>(h - kCorner), static_cast<float>(h)};
    const Array<float> &v = m_vertices;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            v[2 * (4 * row + col)] = xs[col];
            v[2 * (4 * row + col) + 1] = ys[row];
        }
}

void c_GuiBalloon::SetTail(int32_t x, int32_t y) {
    const int32_t dx = x - m_left;
    const int32_t tailLeft = dx < 5 ? 5 : std::min(m_width - 11, dx);
    const int32_t tailRight = tailLeft + 6;
    const int32_t dy = y - m_top;
    const int32_t m = std::max(dy, m_height) - m_height + 1;
    const int32_t length = m < 6 ? 5 : (m % 2 == 0 ? m - 1 : m);
    const int32_t rows[3] = {m_height - 1, m_height - 1 + length - 3, m_height - 1 + length};
    const Array<float> &v = m_vertices;
    for (int r = 0; r < 3; ++r) {
        const int point = 16 + 2 * r;
        v[2 * point] = static_cast<float>(tailLeft);
        v[2 * point + 1] = static_cast<float>(rows[r]);
        v[2 * point + 2] = static_cast<float>(tailRight);
        v[2 * point + 3] = static_cast<float>(rows[r]);
    }
}

void c_GuiBalloon::RenderBalloon() {
    c_Canvas *canvas = balloon_LayerCanvas;
    if (!canvas) return;
    canvas->Clear(0, 0, 0, 1);
    // The whole layer transparent again: alpha 0 written as it is.
    canvas->SetAlpha(0);
    canvas->SetBlendMode(c_BlendMode_Opaque);
    canvas->DrawRect(0, 0, static_cast<float>(screen_Width), static_cast<float>(screen_Height),
                     static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    // The frame in its own colours: the text colour of the balloon before
    // would otherwise tint every balloon after the first.
    canvas->SetColor(1, 1, 1);
    canvas->SetAlpha(1);
    canvas->SetBlendMode(c_BlendMode_Alpha);
    canvas->PushMatrix();
    canvas->Translate(static_cast<float>(m_left), static_cast<float>(m_top));
    // Without its image the frame is left out; the text still shows.
    if (c_Material *material = balloon_Material)
        canvas->DrawIndexedTriangles(kTriangles, m_vertices, balloon_TexCoords, balloon_Indices, material);
    canvas->PopMatrix();
    canvas->Flush();
    canvas->SetColor(0.8f, 0.8f, 1.0f);
}

void c_GuiBalloon::DrawTextPiece(const String &text, int32_t dx, int32_t dy) {
    c_Canvas *canvas = balloon_LayerCanvas;
    if (!canvas) return;
    canvas->DrawText(text, static_cast<float>(m_left + kTextLeft + dx), static_cast<float>(m_top + kTextTop + dy), 0,
                     0);
    canvas->Flush();
}

void c_GuiBalloon::Update() {
    if (m_lineIndex >= m_lineCount) return;
    const float advance = FontWidth(String(u"a"));
    int32_t startX = m_penX;
    std::u16string piece;
    const Array<c_GuiBalloonText *> &lines = m_lines;
    while (game_ClockReached(game_Clock, m_revealTime)) {
        c_GuiBalloonText *line = lines[m_lineIndex];
        int32_t delay;
        if (!line->Complete()) {
            const int32_t k = line->m_index;
            piece.push_back(static_cast<char16_t>(line->m_text[k]));
            line->m_index = k + 1;
            m_penX = static_cast<int32_t>(static_cast<float>(m_penX) + advance);
            delay = line->m_delays[k];
            if (!line->Complete()) {
                m_revealTime = math_WrapAdd(m_revealTime, delay);
                continue;
            }
        } else {
            // A line without characters is complete as soon as it is due.
            delay = line->m_pause;
        }
        DrawTextPiece(String(piece.data(), static_cast<int64_t>(piece.size())), startX, m_penY);
        piece.clear();
        ++m_lineIndex;
        m_penX = 0;
        m_penY += kLineHeight;
        startX = 0;
        if (m_lineIndex >= m_lineCount) {
            balloon_TextDone = 1;
            return;
        }
        m_revealTime = math_WrapAdd(m_revealTime, delay);
    }
    DrawTextPiece(String(piece.data(), static_cast<int64_t>(piece.size())), startX, m_penY);
}

void c_GuiBalloon::Skip() { m_revealTime = math_WrapAdd(m_revealTime, -static_cast<int64_t>(kSkipMs)); }

// ---------------------------------------------------------------------------
// Opening, closing, drawing and loading.

int32_t game_ShowBalloon(const String &text, int32_t x, int32_t y) {
    c_Player *player = world_Player;
    if (player && x == 0) x = static_cast<int32_t>(player->m_x - player->m_y - static_cast<float>(world_CameraX));
    if (player && y == 0)
        y = static_cast<int32_t>((player->m_x + player->m_y) * 0.5f - static_cast<float>(world_CameraY)) -
            player->m_level / 2 - 10;
    if (!balloon_Current) {
        balloon_Current = gc_New<c_GuiBalloon>()->m_new()->Init(text, x, y);
        if (player) player->SetTalking(1);
        return 0;
    }
    // The pause menu covers the balloon: while the game is paused it takes
    // no confirm, so the next one cannot open over the menu.
    if (world_Running != 0 && balloon_TextDone == 1 && controls_ButtonHit[2] != 0) {
        balloon_Current = nullptr;
        world_CentringState = 0;
        if (player) player->SetTalking(0);
        return 1;
    }
    return 0;
}

void game_DrawBalloonLayer(c_Canvas *canvas) { game_DrawImage(canvas, balloon_LayerImage, 0, 0); }

void game_LoadBalloonAssets() {
    c_Image2 *image = game_LoadImage(String(u"hud_balloon.png"), 0.5f, 0.5f, 3, nullptr);
    balloon_Image = image;
    balloon_Material = image ? image->Material() : nullptr;

    // Texture coordinates in 32nds of the image, within its frame.
    const float s0 = image ? image->m_s0 : 0.0f, s1 = image ? image->m_s1 : 1.0f;
    const float t0 = image ? image->m_t0 : 0.0f, t1 = image ? image->m_t1 : 1.0f;
    const Array<float> &tc = balloon_TexCoords;
    auto put = [&](int point, float u, float v) {
        tc[2 * point] = s0 + u / kImageUnits * (s1 - s0);
        tc[2 * point + 1] = t0 + v / kImageUnits * (t1 - t0);
    };
    const float grid[4] = {1, 5, 13, 17};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) put(4 * row + col, grid[col], grid[row]);
    const float tail[6][2] = {{18, 1}, {24, 1}, {18, 5}, {24, 5}, {18, 8}, {24, 8}};
    for (int i = 0; i < 6; ++i) put(16 + i, tail[i][0], tail[i][1]);

    const Array<int32_t> &ix = balloon_Indices;
    int n = 0;
    for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        for (int corner : {k, k + 1, k + 5, k, k + 5, k + 4}) ix[n++] = corner;
    for (int corner : {16, 17, 19, 16, 19, 18, 18, 19, 21, 18, 21, 20}) ix[n++] = corner;
}

// Speech balloons: the delay codes, the layout and its tail, the typewriter
// on game_Clock, the skip and the close.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_sea.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "tests/game/support/headless.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/game/support/session.h"

namespace {

std::string Narrow(const String &s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i) out.push_back(static_cast<char>(s[i]));
    return out;
}

std::vector<int> Delays(c_GuiBalloonText *line) {
    const Array<int32_t> &d = line->m_delays;
    return std::vector<int>(d.Data(), d.Data() + d.Length());
}

// ---------------------------------------------------------------------------
// Parsing needs no font.

class BalloonTextTest : public HeadlessGameTest {};

TEST_F(BalloonTextTest, CodesSetTheDelaysOfTheCharactersThatFollow) {
    struct Case {
        const char16_t *source;
        const char *text;
        std::vector<int> delays;
        int pause;  // after a line without characters
    } cases[] = {
        {u"Hi.{1000}", "Hi.", {30, 30, 1000}, 1000},
        {u"{0}The V.", "The V.", {0, 0, 0, 0, 0, 0}, 0},
        {u"ab{5}cd", "abcd", {30, 30, 5, 5}, 5},
        {u"A certain one:{1000}", "A certain one:", {30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 1000}, 1000},
        // A code-only line: no characters, the code is the pause after it.
        {u"{0}", "", {}, 0},
        {u"{1000}", "", {}, 1000},
        {u"", "", {}, 0},
        // "}" as the last character, with no code open: an empty code is 0.
        {u"ab}", "ab", {30, 0}, 0},
        // Blanks and a sign before the digits; reading stops at a non-digit.
        {u"{ +12ms}ab", "ab", {12, 12}, 12},
        // A new "{" discards the open code; an unfinished code is dropped.
        {u"x{12{3}y{7", "xy", {30, 3}, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Narrow(String(c.source, std::char_traits<char16_t>::length(c.source))));
        c_GuiBalloonText *line =
            gc_New<c_GuiBalloonText>()->m_new(String(c.source, std::char_traits<char16_t>::length(c.source)));
        EXPECT_EQ(Narrow(line->m_text), c.text);
        EXPECT_EQ(Delays(line), c.delays);
        EXPECT_EQ(line->m_index, 0);
        if (c.delays.empty()) {
            EXPECT_EQ(line->m_pause, c.pause);
        }
    }
}

// ---------------------------------------------------------------------------
// Layout and typewriter on the game's own fonts (fake GL session).

class BalloonTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
        game_LoadBalloonAssets();
        game_Clock = 1000;
    }
    static c_GuiBalloon *Open(const char16_t *text, int x, int y) {
        c_GuiBalloon *b =
            gc_New<c_GuiBalloon>()->m_new()->Init(String(text, std::char_traits<char16_t>::length(text)), x, y);
        balloon_Current = b;
        return b;
    }
    static float Point(c_GuiBalloon *b, int point, int axis) { return b->m_vertices[2 * point + axis]; }
};

TEST_F(BalloonTest, LayoutClampsToTheScreenAndPlacesTheTail) {
    ASSERT_EQ(screen_Width, 240);
    ASSERT_EQ(screen_Height, 135);
    // "Hello" is 30 pixels in the 6-pixel game font: 39 x 17.
    struct Case {
        int x, y;
        int left, top;
        int tailLeft;
        int tailLength;
    } cases[] = {
        {120, 80, 101, 58, 19, 5},  // unclamped; the tail under the speaker
        {10, 80, 2, 58, 8, 5},      // left edge: x = 2
        {3, 80, 2, 58, 5, 5},       // speaker left of the balloon: tail at 5
        {235, 80, 199, 58, 28, 5},  // right edge: w - width - 2; tail at width - 11
        {120, 20, 101, 14, 19, 5},  // top edge: y = 14
        {120, 134, 101, 111, 19, 7},  // bottom edge: h - height - 7; longer tail, odd
        {120, 133, 101, 111, 19, 5},  // m = 6 is even: 5
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        c_GuiBalloon *b = Open(u"Hello", c.x, c.y);
        EXPECT_EQ(b->m_width, 39);
        EXPECT_EQ(b->m_height, 17);
        EXPECT_EQ(b->m_left, c.left);
        EXPECT_EQ(b->m_top, c.top);
        for (int r = 0; r < 3; ++r) {
            const float y = r == 0 ? 16.0f : r == 1 ? 16.0f + c.tailLength - 3 : 16.0f + c.tailLength;
            EXPECT_EQ(Point(b, 16 + 2 * r, 0), c.tailLeft);
            EXPECT_EQ(Point(b, 17 + 2 * r, 0), c.tailLeft + 6);
            EXPECT_EQ(Point(b, 16 + 2 * r, 1), y);
            EXPECT_EQ(Point(b, 17 + 2 * r, 1), y);
        }
    }
    // The nine-slice grid: 4-pixel corners.
    c_GuiBalloon *b = Open(u"Hello", 120, 80);
    const float xs[4] = {0, 4, 35, 39}, ys[4] = {0, 4, 13, 17};
    for (int p = 0; p < 16; ++p) {
        EXPECT_EQ(Point(b, p, 0), xs[p % 4]) << p;
        EXPECT_EQ(Point(b, p, 1), ys[p / 4]) << p;
    }
    // Four lines are 53 high; the widest line sets the width.
    b = Open(u"a\\bbbbbb\\cc\\d", 120, 100);
    EXPECT_EQ(b->m_height, 53);
    EXPECT_EQ(b->m_width, 6 * 6 + 9);
}

TEST_F(BalloonTest, MeshTablesCoverTheNineSlicesAndTheTail) {
    // 22 triangles, every one within the 22 points; each grid cell is two
    // triangles over its four corners.
    const Array<int32_t> &ix = balloon_Indices;
    ASSERT_EQ(ix.Length(), 66);
    EXPECT_EQ((std::vector<int>(ix.Data(), ix.Data() + 6)), (std::vector<int>{0, 1, 5, 0, 5, 4}));
    EXPECT_EQ((std::vector<int>(ix.Data() + 48, ix.Data() + 54)), (std::vector<int>{10, 11, 15, 10, 15, 14}));
    EXPECT_EQ((std::vector<int>(ix.Data() + 54, ix.Data() + 66)),
              (std::vector<int>{16, 17, 19, 16, 19, 18, 18, 19, 21, 18, 21, 20}));
    // Texture coordinates in 32nds: the grid's corners and the tail's tip.
    const Array<float> &tc = balloon_TexCoords;
    EXPECT_FLOAT_EQ(tc[0] * 32, 1);
    EXPECT_FLOAT_EQ(tc[2 * 15] * 32, 17);
    EXPECT_FLOAT_EQ(tc[2 * 15 + 1] * 32, 17);
    EXPECT_FLOAT_EQ(tc[2 * 6] * 32, 13);
    EXPECT_FLOAT_EQ(tc[2 * 6 + 1] * 32, 5);
    EXPECT_FLOAT_EQ(tc[2 * 21] * 32, 24);
    EXPECT_FLOAT_EQ(tc[2 * 21 + 1] * 32, 8);
}

TEST_F(BalloonTest, MeasuresWithTheFontTheLayerDrawsWith) {
    // Without "font.png" the layer draws with the renderer's default font;
    // the balloon and its typewriter measure with that font too.
    game_Font = nullptr;
    game_SetupBalloonLayer();
    c_Font2 *font = balloon_LayerCanvas->Font();
    ASSERT_EQ(font, gfx2_DefaultFont.get());
    const int advance = static_cast<int>(font->TextWidth(String(u"a")));
    ASSERT_GT(advance, 0);
    c_GuiBalloon *b = Open(u"Hello", 120, 80);
    EXPECT_EQ(b->m_width, 5 * advance + 9);
    game_Clock += 530;  // "H" and "e"
    b->Update();
    EXPECT_EQ(b->m_penX, 2 * advance);

    // Whatever font the layer has: here the 4-pixel tiny font.
    ASSERT_NE(game_TinyFont.get(), nullptr);
    balloon_LayerCanvas->SetFont(game_TinyFont);
    ASSERT_EQ(static_cast<int>(game_TinyFont->TextWidth(String(u"a"))), 4);
    game_Clock = 1000;
    b = Open(u"Hello", 120, 80);
    EXPECT_EQ(b->m_width, 5 * 4 + 9);
    game_Clock += 530;
    b->Update();
    EXPECT_EQ(b->m_penX, 8);
}

TEST_F(BalloonTest, TypewriterRevealsOnTheClockAsTheDelaysAddUp) {
    c_GuiBalloon *b = Open(u"Hi.{1000}\\I am Iceberg.{2000}\\And when I grow up, I want to\\destroy a cruise liner.", 120, 100);
    EXPECT_EQ(balloon_TextDone, 0);
    EXPECT_EQ(b->m_revealTime, 1500);
    // Milliseconds after opening: line, characters shown in it, pen.
    struct Step {
        int at, line, shown, penX, penY;
    } steps[] = {
        {499, 0, 0, 0, 0},     {500, 0, 1, 6, 0},      {559, 0, 2, 12, 0},     {560, 1, 0, 0, 12},
        {1559, 1, 0, 0, 12},   {1560, 1, 1, 6, 12},    {1919, 1, 12, 72, 12},  {1920, 2, 0, 0, 24},
        {3920, 2, 1, 6, 24},   {4789, 3, 0, 0, 36},    {5449, 3, 22, 132, 36},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.at);
        game_Clock = 1000 + s.at;
        b->Update();
        EXPECT_EQ(b->m_lineIndex, s.line);
        EXPECT_EQ(b->m_lines[s.line]->m_index, s.shown);
        EXPECT_EQ(b->m_penX, s.penX);
        EXPECT_EQ(b->m_penY, s.penY);
        EXPECT_EQ(balloon_TextDone, 0);
    }
    // 500 + 2 x 30 + 1000 + 12 x 30 + 2000 + 29 x 30 + 22 x 30.
    game_Clock = 1000 + 5450;
    b->Update();
    EXPECT_EQ(balloon_TextDone, 1);
    EXPECT_EQ(b->m_lineIndex, 4);
    b->Update();  // nothing more
    EXPECT_EQ(b->m_lineIndex, 4);
}

TEST_F(BalloonTest, LinesWithoutCharactersAreCompleteAtOnce) {
    // The ms after opening at which the text is done, updated every 33 ms.
    struct Case {
        const char16_t *text;
        int done;
    } cases[] = {
        {u"A{100}\\{0}\\B", 600},    // A at 500, +100, the empty line, +0, B
        {u"A\\{250}\\B", 780},       // A at 500, +30, the code-only line, +250, B
        {u"A\\\\B", 530},            // an empty line: no pause
        {u"{0}The Velmora.", 500},   // all at once
        {u"AB\\{40}", 560},          // a code-only last line: done with it, no pause
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Narrow(String(c.text, std::char_traits<char16_t>::length(c.text))));
        game_Clock = 1000;
        c_GuiBalloon *b = Open(c.text, 120, 100);
        game_Clock = 1000 + c.done - 1;
        b->Update();
        EXPECT_EQ(balloon_TextDone, 0);
        game_Clock = 1000 + c.done;
        b->Update();
        EXPECT_EQ(balloon_TextDone, 1);
        EXPECT_EQ(b->m_penY, 12 * b->m_lineCount);
    }
}

TEST_F(BalloonTest, SkipShowsTheRestThenConfirmCloses) {
    c_Game::StartWorld(GameMode_Campaign);
    c_Player *player = world_Player;
    const String text(u"Hi.{1000}\\I am Iceberg.");
    world_CentringState = 1;
    controls_ButtonHit[2] = 0;

    // Opening: the iceberg talks, above it.
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 0);
    c_GuiBalloon *b = balloon_Current;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(player->m_talking, 1);
    EXPECT_EQ(player->m_face, 2);
    // The iceberg at the view centre (120, 67), level 1: the speaker at
    // (120, 57), the balloon above it.
    EXPECT_EQ(b->m_top, 57 - b->m_height - 5);
    EXPECT_EQ(b->m_left, 120 - b->m_width / 2);

    game_Clock += 600;
    b->Update();
    EXPECT_EQ(b->m_lineIndex, 1);
    EXPECT_EQ(balloon_TextDone, 0);
    // A confirm while the text is still showing does not close it.
    controls_ButtonHit[2] = 1;
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 0);
    // The play controls' skip: 60000 ms earlier, the hit used up.
    b->Skip();
    controls_ButtonHit[2] = 0;
    game_Clock += 33;
    b->Update();
    EXPECT_EQ(balloon_TextDone, 1);
    EXPECT_EQ(b->m_lines[1]->m_index, 13);
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 0);
    EXPECT_EQ(balloon_Current.get(), b);

    // The next confirm closes it.
    controls_ButtonHit[2] = 1;
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 1);
    EXPECT_EQ(balloon_Current.get(), nullptr);
    EXPECT_EQ(world_CentringState, 0);
    EXPECT_EQ(player->m_talking, 0);
    EXPECT_EQ(player->m_face, 0);
}

}  // namespace

namespace {

// The colours of the frame's vertices as the last render uploaded them: the
// layer's clear rectangle comes first (4 vertices), then the frame's
// triangles.
std::vector<uint32_t> FrameColours() {
    std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_VertexBuffer);
    std::vector<uint32_t> colours;
    for (size_t v = 4; v < 4 + 66 && (v + 1) * 28 <= bytes.size(); ++v) {
        gfx2_Vertex vertex;
        std::memcpy(&vertex, bytes.data() + v * 28, sizeof vertex);
        colours.push_back(vertex.color);
    }
    return colours;
}

// Every balloon's frame is drawn in its own colours, not tinted by the text
// colour the balloon before left on the layer.
TEST_F(BalloonTest, EveryFrameIsDrawnUntinted) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        c_GuiBalloon *b = Open(u"Hello.", 120, 60);
        b->RenderBalloon();
        std::vector<uint32_t> colours = FrameColours();
        ASSERT_EQ(colours.size(), 66u);
        for (uint32_t c : colours) EXPECT_EQ(c, 0xFFFFFFFFu);
        balloon_Current = nullptr;
    }
}

}  // namespace

// The credits roll through the session harness: how each kind of line is
// set (font, place, rows), what each scroll step draws into its target,
// the scroll speed on the game clock, the end that leads to the splash,
// a second roll in the same run, and the shipped credits text.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_credits.h"
#include "game/gm_globals.h"
#include "host/hx_files.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_image.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/vertices.h"

namespace {

// One drawn quad's extent.
struct Quad {
    float x0, y0, x1, y1;
};

// What one flush of the credits canvas drew, and in which font.
struct Flushed {
    c_Font2 *font;
    std::vector<Quad> quads;
};

std::vector<Flushed> &Flushes() {
    static std::vector<Flushed> flushes;
    return flushes;
}

// The credits canvas, recording each flush's quads before drawing them.
class RecordingCanvas : public c_Canvas {
public:
    void Flush() override {
        const std::vector<gfx2_Vertex> v = Pending(this);
        Flushed f{Font(), {}};
        for (size_t i = 0; i + 4 <= v.size(); i += 4) {
            Quad q{v[i].x, v[i].y, v[i].x, v[i].y};
            for (size_t k = i; k < i + 4; ++k) {
                q.x0 = std::min(q.x0, v[k].x), q.x1 = std::max(q.x1, v[k].x);
                q.y0 = std::min(q.y0, v[k].y), q.y1 = std::max(q.y1, v[k].y);
            }
            f.quads.push_back(q);
        }
        Flushes().push_back(f);
        c_Canvas::Flush();
    }
};

Array<String> Lines(const std::vector<const char16_t *> &lines) {
    Array<String> a(static_cast<int64_t>(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) a[static_cast<int>(i)] = String(lines[i], std::char_traits<char16_t>::length(lines[i]));
    return a;
}

class CreditsTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
        Flushes().clear();
    }

    c_StateMachine *Machine() { return game_StateMachine; }

    // Requests credits, waiting, as the story's end does.
    void RequestCredits() {
        Machine()->m_nextState = ScreenState_Credits;
        Machine()->m_nextPhase = ScreenPhase_Waiting;
    }

    // Steps (ms each) until `done` holds; false after `limit` updates.
    bool StepUntil(const std::function<bool()> &done, int ms = 33, int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            session().Step(1, ms);
        }
        return done();
    }

    bool In(int32_t state, int32_t phase) { return Machine()->m_state == state && Machine()->m_phase == phase; }

    // Into the roll's first active update.
    void RollUntilActive(int ms) {
        RequestCredits();
        ASSERT_TRUE(StepUntil([&] { return In(ScreenState_Credits, ScreenPhase_Active); }, ms));
    }

    // Active updates of one whole roll, from the request on; the splash is
    // waiting when it returns.
    int WholeRoll(int ms) {
        RequestCredits();
        EXPECT_TRUE(StepUntil([&] { return In(ScreenState_Credits, ScreenPhase_Active); }, ms));
        return RestOfRoll(ms);
    }

    // Active updates from the current one to the end of the roll.
    int RestOfRoll(int ms) {
        int active = 0;
        EXPECT_TRUE(StepUntil(
            [&] {
                if (!In(ScreenState_Credits, ScreenPhase_Active)) return true;
                ++active;
                return false;
            },
            ms));
        EXPECT_TRUE(StepUntil([&] { return In(ScreenState_Splash, ScreenPhase_Waiting); }, ms));
        return active;
    }

    static void Record() {
        c_Canvas *canvas = gc_New<RecordingCanvas>()->m_new(credits_Targets.get()[0]);
        canvas->SetFont(game_TinyFont);
        credits_Canvas = canvas;
    }
};

// Every kind of line: its layout at two screen widths.
TEST_F(CreditsTest, ClassifiesEachKindOfLine) {
    using K = CreditsLine::Kind;
    struct Case {
        const char16_t *line;
        int width;
        K kind;
        bool big;
        const char16_t *text, *right;
        float x, rightX, logoY;
        int height;
    };
    const Case cases[] = {
        {u"{+}Big{ }Two", 240, K::Columns, true, u"Big", u"Two", 112, 128, 0, 12},
        {u"Left{ }Right{ }more", 240, K::Columns, false, u"Left", u"Right{ }more", 112, 128, 0, 8},
        {u"{QM}{ }x", 240, K::Columns, false, u"{QM}", u"x", 112, 128, 0, 8},
        {u"{<}Aligned", 240, K::Left, false, u"Aligned", u"", 64, 0, 0, 8},
        {u"{+}{<}Heading", 250, K::Left, true, u"Heading", u"", 69, 0, 0, 12},
        {u"{QM}", 240, K::LogoQM, false, u"", u"", 120, 0, 24, 48},
        {u"{ZV}ignored", 250, K::LogoZV, false, u"", u"", 125, 0, 24, 48},
        {u"{+}{QM}", 240, K::LogoQM, true, u"", u"", 120, 0, 24, 52},
        {u"Plain text", 240, K::Centred, false, u"Plain text", u"", 120, 0, 0, 8},
        {u"{+}Title", 250, K::Centred, true, u"Title", u"", 125, 0, 0, 12},
        {u"", 240, K::Centred, false, u"", u"", 120, 0, 0, 8},
        {u" {QM}", 240, K::Centred, false, u" {QM}", u"", 120, 0, 0, 8},
    };
    for (const Case &c : cases) {
        const String line(c.line, std::char_traits<char16_t>::length(c.line));
        SCOPED_TRACE(host_ToUtf8(line));
        const CreditsLine l = game_ClassifyCreditsLine(line, c.width);
        EXPECT_EQ(l.kind, c.kind);
        EXPECT_EQ(l.big, c.big);
        EXPECT_EQ(host_ToUtf8(l.text), host_ToUtf8(String(c.text, std::char_traits<char16_t>::length(c.text))));
        EXPECT_EQ(host_ToUtf8(l.right), host_ToUtf8(String(c.right, std::char_traits<char16_t>::length(c.right))));
        EXPECT_FLOAT_EQ(l.x, c.x);
        if (c.kind == K::Columns) {
            EXPECT_FLOAT_EQ(l.rightX, c.rightX);
        }
        EXPECT_FLOAT_EQ(l.logoY, c.logoY);
        EXPECT_EQ(l.height, c.height);
    }
}

// Each line comes in on the update in which the one before has fully come
// into view, set at the bottom row of the visible part in its font; a logo
// sits in the band below, clear of the line above it.
TEST_F(CreditsTest, DrawsEachLineInItsFontAndPlace) {
    credits_Lines = Lines({u"{+}AB{ }CD", u"{<}EF", u"{QM}", u"GH", u"", u"{ZV}"});
    RequestCredits();
    Record();
    struct Expect {
        c_Font2 *font;
        int textYBefore;
        std::vector<Quad> quads;  // after the previous picture's quad
    };
    const float h = 135;
    c_Image2 *qm = credits_ImageQM, *zv = credits_ImageZV;
    ASSERT_NE(qm, nullptr);
    ASSERT_NE(zv, nullptr);
    auto logo = [&](c_Image2 *image) {
        const float w = static_cast<float>(image->Width()), ih = static_cast<float>(image->Height());
        return Quad{120 - w / 2, h + 24 - ih / 2, 120 + w / 2, h + 24 + ih / 2};
    };
    const Expect expected[] = {
        {game_Font, 0, {{100, h, 106, h + 10}, {106, h, 112, h + 10}, {128, h, 134, h + 10}, {134, h, 140, h + 10}}},
        {game_TinyFont, 12, {{64, h, 68, h + 8}, {68, h, 72, h + 8}}},
        {game_TinyFont, 20, {logo(qm)}},
        {game_TinyFont, 68, {{116, h, 120, h + 8}, {120, h, 124, h + 8}}},
        {game_TinyFont, 76, {}},
        {game_TinyFont, 84, {logo(zv)}},
    };
    size_t line = 0;
    for (int update = 0; update < 400 && line < std::size(expected); ++update) {
        Flushes().clear();
        const int32_t before = credits_NextLine;
        session().Step(1, 100);
        if (!In(ScreenState_Credits, ScreenPhase_Active)) continue;
        // The target switch may flush what is pending (nothing).
        ASSERT_FALSE(Flushes().empty());
        for (size_t i = 0; i + 1 < Flushes().size(); ++i) EXPECT_TRUE(Flushes()[i].quads.empty());
        const Flushed &f = Flushes().back();
        ASSERT_FALSE(f.quads.empty());
        // The previous picture first, one row higher in a scrolling update.
        EXPECT_FLOAT_EQ(f.quads[0].y0, static_cast<float>(credits_ScrollStep));
        EXPECT_FLOAT_EQ(f.quads[0].y1, h + 48 + static_cast<float>(credits_ScrollStep));
        if (credits_NextLine == before) {
            EXPECT_EQ(f.quads.size(), 1u);
            continue;
        }
        SCOPED_TRACE("line " + std::to_string(line));
        const Expect &e = expected[line];
        EXPECT_EQ(credits_ScrollCount, e.textYBefore + 1) << "drawn as soon as the line above is in view";
        EXPECT_EQ(f.font, e.font);
        ASSERT_EQ(f.quads.size(), e.quads.size() + 1);
        for (size_t q = 0; q < e.quads.size(); ++q) {
            EXPECT_FLOAT_EQ(f.quads[q + 1].x0, e.quads[q].x0) << "quad " << q;
            EXPECT_FLOAT_EQ(f.quads[q + 1].y0, e.quads[q].y0) << "quad " << q;
            EXPECT_FLOAT_EQ(f.quads[q + 1].x1, e.quads[q].x1) << "quad " << q;
            EXPECT_FLOAT_EQ(f.quads[q + 1].y1, e.quads[q].y1) << "quad " << q;
            EXPECT_GE(f.quads[q + 1].y0, h) << "below the line above";
            EXPECT_LE(f.quads[q + 1].y1, h + 48) << "inside the target";
        }
        ++line;
    }
    EXPECT_EQ(line, std::size(expected));
    EXPECT_EQ(credits_TextY, 84 + 48);
}

// One pixel per 100 ms of the game clock at most, counted from the update
// that scrolled: at 30 updates a second, one pixel every fourth update.
TEST_F(CreditsTest, ScrollsOnePixelPer100MsOfGameClock) {
    struct Case {
        int ms;
        int updatesPerPixel;
    };
    for (const Case c : {Case{33, 4}, Case{20, 5}, Case{40, 3}, Case{50, 2}, Case{100, 1}, Case{250, 1}}) {
        SCOPED_TRACE(c.ms);
        NewSession();
        session().Start();
        RollUntilActive(c.ms);
        // The first active update has scrolled and drawn the first line.
        EXPECT_EQ(credits_ScrollCount, 1);
        EXPECT_EQ(credits_ScrollStep, -1);
        EXPECT_EQ(credits_NextLine, 1);
        for (int n = 2; n <= 60; ++n) {
            const int32_t count = credits_ScrollCount;
            session().Step(1, c.ms);
            ASSERT_TRUE(In(ScreenState_Credits, ScreenPhase_Active));
            const bool scrolls = (n - 1) % c.updatesPerPixel == 0;
            ASSERT_EQ(credits_ScrollCount, count + (scrolls ? 1 : 0)) << "update " << n;
            ASSERT_EQ(credits_ScrollStep, scrolls ? -1 : 0) << "update " << n;
        }
    }
}

// The roll ends once the last line has scrolled out at the top: the
// splash is reset then, and after 2000 ms of black the splash begins.
TEST_F(CreditsTest, EndsAfterTheLastLineHasLeftThenTheSplash) {
    credits_Lines = Lines({u"One", u"{ZV}"});
    RollUntilActive(100);
    // Marks that only the splash's reset clears.
    splash_TitleReveal = 77;
    splash_ShipY = -5;
    const int32_t last = 135 + 8 + 48;
    while (In(ScreenState_Credits, ScreenPhase_Active) && credits_ScrollCount < last) {
        session().Step(1, 100);
        EXPECT_EQ(splash_TitleReveal, 77) << "reset too early at " << credits_ScrollCount;
        EXPECT_EQ(Machine()->m_nextPhase, ScreenPhase_Active);
    }
    EXPECT_EQ(credits_ScrollCount, last);
    EXPECT_EQ(credits_NextLine, 2);
    session().Step(1, 100);
    EXPECT_EQ(credits_ScrollCount, last + 1);
    EXPECT_EQ(Machine()->m_nextPhase, ScreenPhase_Leaving);
    EXPECT_EQ(splash_TitleReveal, 0);
    EXPECT_EQ(splash_ShipY, splash_ShipStartY);

    session().Step(1, 100);
    ASSERT_TRUE(In(ScreenState_Credits, ScreenPhase_Leaving));
    const int32_t leftAt = Machine()->m_phaseEntryTime;
    ASSERT_TRUE(StepUntil([&] { return Machine()->m_state == ScreenState_Splash; }, 100));
    EXPECT_EQ(game_Clock - leftAt, 2000 + 100) << "requested at 2000 ms, applied by the next update";
    EXPECT_EQ(Machine()->m_phase, ScreenPhase_Waiting);
}

// A second roll in the same run starts again from the first line, with
// both targets cleared, and takes as long as the first.
TEST_F(CreditsTest, SecondRollScrollsAgain) {
    credits_Lines = Lines({u"{+}Velmora", u"Line", u"{QM}"});
    const int first = WholeRoll(100);
    EXPECT_EQ(first, 135 + 12 + 8 + 48 + 1);
    EXPECT_EQ(credits_NextLine, 3);

    // Back into the credits: the counters start over.
    RequestCredits();
    session().Step(1, 100);
    ASSERT_TRUE(In(ScreenState_Credits, ScreenPhase_Waiting));
    EXPECT_EQ(credits_NextLine, 0);
    EXPECT_EQ(credits_ScrollCount, 0);
    EXPECT_EQ(credits_TextY, 0);
    EXPECT_EQ(credits_NextScroll, game_Clock);  // due at once
    EXPECT_EQ(credits_Index, 0);
    ASSERT_TRUE(StepUntil([&] { return In(ScreenState_Credits, ScreenPhase_Active); }, 100));
    EXPECT_EQ(credits_NextLine, 1);
    EXPECT_EQ(credits_ScrollCount, 1);
    EXPECT_EQ(RestOfRoll(100), first);
}

// The shipped text: the title first, both logos, the parts and the
// libraries the game stands on, and every line within a 240-pixel screen
// in its font, a glyph or two clear of its edges.
TEST_F(CreditsTest, ShippedTextFitsTheScreen) {
    EXPECT_EQ(session().Output().find("credits"), std::string::npos) << session().Output();
    const Array<String> &lines = credits_Lines.get();
    ASSERT_GT(lines.Length(), 10);
    std::string all;
    int logos = 0;
    for (int i = 0; i < lines.Length(); ++i) {
        const std::string text = host_ToUtf8(lines[i]);
        SCOPED_TRACE(text);
        all += text + "\n";
        const CreditsLine l = game_ClassifyCreditsLine(lines[i], 240);
        c_Font2 *font = l.big ? game_Font.get() : game_TinyFont.get();
        const float width = font->TextWidth(l.text);
        switch (l.kind) {
            case CreditsLine::Columns:
                EXPECT_LE(width, l.x);
                EXPECT_LE(l.rightX + font->TextWidth(l.right), 236);
                break;
            case CreditsLine::Left:
                EXPECT_LE(l.x + width, 236);
                break;
            case CreditsLine::Centred:
                EXPECT_LE(width, 232);
                break;
            default:
                ++logos;
        }
        for (char ch : text) EXPECT_TRUE(ch >= 32 && ch <= 126) << "no glyph for " << static_cast<int>(ch);
    }
    EXPECT_EQ(host_ToUtf8(lines[0]), "{+}Velmora");
    EXPECT_EQ(logos, 2);
    EXPECT_NE(all.find("{QM}"), std::string::npos);
    EXPECT_NE(all.find("{ZV}"), std::string::npos);
    for (const char *word : {"Runtime", "Host", "Renderer", "Game", "GLFW", "OpenGL", "OpenAL", "stb"})
        EXPECT_NE(all.find(word), std::string::npos) << word;
}

}  // namespace

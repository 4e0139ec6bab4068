#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "runtime/rt_math.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class MathTest : public RuntimeTest {};

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST_F(MathTest, IntClampMinMaxAbs) {
    struct Case {
        int value, low, high, expected;
    } clamps[] = {
        {5, 0, 10, 5},   {-1, 0, 10, 0},  {11, 0, 10, 10}, {0, 0, 10, 0}, {10, 0, 10, 10},
        // Low above high: low is tested first.
        {2, 10, 0, 10},  {5, 10, 0, 10},  {11, 10, 0, 0},
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN},
    };
    for (const Case &c : clamps) {
        EXPECT_EQ(math_Clamp(c.value, c.low, c.high), c.expected) << c.value << " " << c.low << " " << c.high;
    }
    EXPECT_EQ(math_Min(3, -4), -4);
    EXPECT_EQ(math_Min(-4, 3), -4);
    EXPECT_EQ(math_Max(3, -4), 3);
    EXPECT_EQ(math_Max(INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(math_Abs(-7), 7);
    EXPECT_EQ(math_Abs(7), 7);
    EXPECT_EQ(math_Abs(0), 0);
    EXPECT_EQ(math_Abs(INT32_MIN), INT32_MIN);
    EXPECT_EQ(math_Abs(-INT32_MAX), INT32_MAX);
}

TEST_F(MathTest, FloatHelpersAndNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(math_Clamp(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(math_Clamp(-0.5f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(math_Clamp(1.5f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(math_Clamp(0.5f, 1.0f, 0.0f), 1.0f);
    EXPECT_EQ(math_Clamp(2.0f, 1.0f, 0.0f), 0.0f);
    EXPECT_TRUE(std::isnan(math_Clamp(nan, 0.0f, 1.0f)));
    // Either operand NaN: the second one comes back.
    EXPECT_EQ(math_Min(nan, 2.0f), 2.0f);
    EXPECT_TRUE(std::isnan(math_Min(2.0f, nan)));
    EXPECT_EQ(math_Max(nan, 2.0f), 2.0f);
    EXPECT_TRUE(std::isnan(math_Max(2.0f, nan)));
    EXPECT_EQ(math_Min(1.0f, 2.0f), 1.0f);
    EXPECT_EQ(math_Max(1.0f, 2.0f), 2.0f);
    EXPECT_EQ(math_Abs(-2.5f), 2.5f);
    EXPECT_EQ(math_Abs(2.5f), 2.5f);
    EXPECT_EQ(Bits(math_Abs(-0.0f)), Bits(-0.0f));
}

TEST_F(MathTest, RandomSequence) {
    random_Seed = 0;
    float r = random_Rnd();
    EXPECT_EQ(random_Seed, 1013904223u);
    EXPECT_EQ(r, 3960563.0f / 16777216.0f);
    // Second step, by hand: 1013904223 * 1664525 + 1013904223 mod 2^32.
    uint32_t next = 1013904223u * 1664525u + 1013904223u;
    r = random_Rnd();
    EXPECT_EQ(random_Seed, next);
    EXPECT_EQ(r, static_cast<float>(next >> 8) / 16777216.0f);

    // The largest seed step gives the largest value, still below 1.
    random_Seed = (0xFFFFFFFFu - 1013904223u) * 0xFEE058C5u;  // 1664525^-1 mod 2^32
    ASSERT_EQ(random_Seed * 1664525u + 1013904223u, 0xFFFFFFFFu);
    r = random_Rnd();
    EXPECT_EQ(r, 16777215.0f / 16777216.0f);
    EXPECT_LT(r, 1.0f);

    // The variants take one step each and scale it.
    random_Seed = 0;
    const float first = 3960563.0f / 16777216.0f;
    EXPECT_EQ(random_Rnd(10.0f), 10.0f * first);
    random_Seed = 0;
    EXPECT_EQ(random_Rnd(2.0f, 6.0f), 2.0f + 4.0f * first);
    EXPECT_EQ(random_Seed, 1013904223u);
    random_Seed = 0;
    EXPECT_EQ(random_Rnd(6.0f, 2.0f), 6.0f + -4.0f * first);
}

TEST_F(MathTest, FilePathExtension) {
    struct Case {
        const char *path, *ext, *stripped;
    } cases[] = {
        {"image.png", "png", "image"},
        {"data/pic.tar.gz", "gz", "data/pic.tar"},
        {"my.folder/file", "", "my.folder/file"},
        {"my.folder\\file", "", "my.folder\\file"},
        {"a.b/c.d", "d", "a.b/c"},
        {"name.", "", "name"},
        {"noext", "", "noext"},
        {".hidden", "hidden", ""},
        {"", "", ""},
        {"zentrova://data/vexo2_font.png", "png", "zentrova://data/vexo2_font"},
    };
    for (const Case &c : cases) {
        String path(c.path);
        EXPECT_TRUE(filepath_ExtractExt(path) == String(c.ext)) << c.path;
        EXPECT_TRUE(filepath_StripExt(path) == String(c.stripped)) << c.path;
    }
    // No extension: the path itself comes back.
    String folder("my.folder/file");
    EXPECT_EQ(filepath_StripExt(folder).GetRep(), folder.GetRep());
}

TEST_F(MathTest, MicrosecondClockAdvances) {
    int a = lang_MicrosecondClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    int b = lang_MicrosecondClock();
    // Wrap-safe difference, in microseconds.
    int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(b) - static_cast<uint32_t>(a));
    EXPECT_GE(elapsed, 3000);
    EXPECT_LT(elapsed, 10000000);
}

}  // namespace

TEST(MathConversionTest, SaturatingTruncationAndWrappingArithmetic) {
    struct Case {
        float v;
        int32_t want;
    } cases[] = {{1.9f, 1},  {-1.9f, -1}, {3e9f, INT32_MAX}, {-3e9f, INT32_MIN}, {2147483648.0f, INT32_MAX},
                 {std::nanf(""), 0}, {INFINITY, INT32_MAX}, {-INFINITY, INT32_MIN}};
    for (const Case &c : cases) EXPECT_EQ(math_TruncToInt(c.v), c.want) << c.v;
    EXPECT_EQ(math_WrapAdd(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(math_WrapMul(65536, 65536), 0);
    EXPECT_EQ(math_WrapMul(-3, 7), -21);
}

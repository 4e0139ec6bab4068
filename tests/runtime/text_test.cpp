// Text decoding (String::Load) and console output (lang_Print).
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/rt_string.h"
#include "tests/runtime/rt_fixture.h"

namespace {

std::vector<char16_t> Units(const String &s) { return std::vector<char16_t>(s.Data(), s.Data() + s.Length()); }

String LoadBytes(const std::vector<unsigned char> &b) { return String::Load(b.data(), static_cast<int64_t>(b.size())); }

// Everything lang_Print writes to stdout while `fn` runs.
template <class Fn>
std::string CaptureStdout(Fn fn) {
    std::fflush(stdout);
    FILE *capture = std::tmpfile();
    EXPECT_NE(capture, nullptr);
    int saved = dup(1);
    dup2(fileno(capture), 1);
    fn();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string bytes;
    std::rewind(capture);
    int c;
    while ((c = std::fgetc(capture)) != EOF) bytes.push_back(static_cast<char>(c));
    std::fclose(capture);
    return bytes;
}

// A stream holding the bytes, positioned at its start.
FILE *StreamOf(const std::string &bytes) {
    FILE *f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

class TextTest : public RuntimeTest {};

struct DecodeCase {
    const char *name;
    std::vector<unsigned char> bytes;
    std::vector<char16_t> units;
    bool fellBack;
};

TEST_F(TextTest, DecodesByByteOrderMarkAndFallsBackOnInvalidUtf8) {
    const DecodeCase cases[] = {
        {"empty", {}, {}, false},
        {"ascii byte", {0x41}, {0x41}, false},
        {"NUL bytes are units", {0x00, 0x41}, {0x00, 0x41}, false},
        {"lone lead byte", {0xC3}, {0xC3}, true},
        {"UTF-16LE mark only", {0xFF, 0xFE}, {}, false},
        {"UTF-16BE mark only", {0xFE, 0xFF}, {}, false},
        {"UTF-16LE odd last byte dropped", {0xFF, 0xFE, 0x41, 0x00, 0x42}, {0x41}, false},
        {"UTF-16BE, surrogate kept unpaired", {0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x3D}, {0x41, 0xD83D}, false},
        {"UTF-16 is not checked as UTF-8", {0xFF, 0xFE, 0xF0, 0x9F}, {0x9FF0}, false},
        {"UTF-8 mark only", {0xEF, 0xBB, 0xBF}, {}, false},
        {"UTF-8 mark skipped", {0xEF, 0xBB, 0xBF, 0x41}, {0x41}, false},
        {"two mark bytes are no mark", {0xEF, 0xBB}, {0xEF, 0xBB}, true},
        {"two-byte sequence", {0xC3, 0xA9, 0x41}, {0xE9, 0x41}, false},
        {"three-byte sequence", {0xE2, 0x82, 0xAC}, {0x20AC}, false},
        {"overlong C0 80 passes", {0xC0, 0x80}, {0x0000}, false},
        {"encoded surrogate passes", {0xED, 0xA0, 0x80}, {0xD800}, false},
        {"highest three-byte form", {0xEF, 0xBF, 0xBF}, {0xFFFF}, false},
        {"stray continuation", {0x41, 0x80, 0x42}, {0x41, 0x80, 0x42}, true},
        {"wrong continuation", {0x41, 0xC3, 0x41}, {0x41, 0xC3, 0x41}, true},
        {"truncated three-byte", {0x61, 0xE2, 0x82}, {0x61, 0xE2, 0x82}, true},
        {"four-byte sequence", {0xF0, 0x9F, 0x98, 0x80}, {0xF0, 0x9F, 0x98, 0x80}, true},
        {"lead F8", {0xF8, 0x41}, {0xF8, 0x41}, true},
        {"fallback after a mark has n-3 units",
         {0xEF, 0xBB, 0xBF, 0x41, 0xF0, 0x9F, 0x98, 0x80},
         {0x41, 0xF0, 0x9F, 0x98, 0x80},
         true},
    };
    for (const DecodeCase &c : cases) {
        SCOPED_TRACE(c.name);
        // A previous case's error text must not survive a good decode.
        string_LoadError = "stale";
        String s = LoadBytes(c.bytes);
        EXPECT_EQ(Units(s), c.units);
        if (c.fellBack)
            EXPECT_STREQ(string_LoadError, "Invalid UTF-8");
        else
            EXPECT_EQ(string_LoadError, nullptr);
        if (c.units.empty()) {
            EXPECT_EQ(s.GetRep(), &String::EmptyRep);
        }
    }
}

// A lead byte of four bytes or more makes the file fall back on its own:
// here each stands with two continuation bytes and nothing else wrong, so
// taking it for a three-byte lead would decode.
TEST_F(TextTest, FourByteLeadsFallBackOnTheirOwn) {
    for (unsigned lead = 0xF0; lead <= 0xFF; ++lead) {
        SCOPED_TRACE(lead);
        const unsigned char b = static_cast<unsigned char>(lead);
        const std::vector<std::vector<unsigned char>> files = {
            {0x41, b, 0x80, 0x80, 0x42},
            {b, 0x9F, 0x98},
            {0xEF, 0xBB, 0xBF, 0xC3, 0xA9, b, 0xBF, 0xBF},
        };
        for (const std::vector<unsigned char> &bytes : files) {
            String s = LoadBytes(bytes);
            const size_t start = bytes[0] == 0xEF ? 3 : 0;
            EXPECT_EQ(Units(s), std::vector<char16_t>(bytes.begin() + static_cast<long>(start), bytes.end()));
            EXPECT_STREQ(string_LoadError, "Invalid UTF-8");
        }
    }
}

TEST_F(TextTest, LoadFromEmptyStreamLeavesTheErrorTextAlone) {
    LoadBytes({0x80});
    ASSERT_STREQ(string_LoadError, "Invalid UTF-8");
    FILE *f = StreamOf("");
    String s = String::Load(f);
    std::fclose(f);
    EXPECT_EQ(s.Length(), 0);
    EXPECT_STREQ(string_LoadError, "Invalid UTF-8");
}

TEST_F(TextTest, LoadFromStreamReadsPastTheFirstBlock) {
    // Exactly one block: the second read returns nothing.
    {
        FILE *f = StreamOf(std::string(4096, 'z'));
        String s = String::Load(f);
        std::fclose(f);
        ASSERT_EQ(s.Length(), 4096);
        EXPECT_EQ(s[0], 'z');
        EXPECT_EQ(s[4095], 'z');
    }
    // A mark, then "a" and 5000 two-byte sequences: one of them straddles
    // the 4096-byte boundary, and the decode must still see it whole.
    {
        std::string bytes = "\xEF\xBB\xBF" "a";
        for (int i = 0; i < 5000; ++i) bytes += "\xC3\xA9";
        FILE *f = StreamOf(bytes);
        String s = String::Load(f);
        std::fclose(f);
        EXPECT_EQ(string_LoadError, nullptr);
        ASSERT_EQ(s.Length(), 5001);
        EXPECT_EQ(s[0], 'a');
        bool allE9 = true;
        for (int i = 1; i < s.Length(); ++i) allE9 = allE9 && s[i] == 0xE9;
        EXPECT_TRUE(allE9);
    }
    // Invalid data past the first block still makes the whole text fall back.
    {
        std::string bytes(6000, 'q');
        bytes[5000] = '\xF0';
        FILE *f = StreamOf(bytes);
        String s = String::Load(f);
        std::fclose(f);
        EXPECT_STREQ(string_LoadError, "Invalid UTF-8");
        ASSERT_EQ(s.Length(), 6000);
        EXPECT_EQ(s[5000], 0xF0);
    }
}

TEST_F(TextTest, PrintWritesUtf8AndALineFeed) {
    const struct {
        const char *name;
        String text;
        std::string bytes;
    } cases[] = {
        {"empty", String(), "\n"},
        {"ascii", String("Velmora"), "Velmora\n"},
        {"two-byte", String(u"\u00E9"), "\xC3\xA9\n"},
        {"three-byte", String(u"\u20AC"), "\xE2\x82\xAC\n"},
        {"widened byte 0xE9 is unit 0xFFE9", String("\xE9"), "\xEF\xBF\xA9\n"},
        {"surrogate encoded alone", String(u"\xD83D"), "\xED\xA0\xBD\n"},
        {"unit 0 cuts the line, no line feed", String(u"ab\0cd"), "ab"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CaptureStdout([&] { lang_Print(c.text); }), c.bytes);
    }
}

TEST_F(TextTest, PrintGrowsItsBufferAndRoundTripsDecodedText) {
    std::string utf8;
    for (int i = 0; i < 3000; ++i) utf8 += "a\xC3\xA9\xE2\x82\xAC";
    String decoded = String::Load(reinterpret_cast<const unsigned char *>(utf8.data()), static_cast<int64_t>(utf8.size()));
    ASSERT_EQ(decoded.Length(), 9000);
    // A short line first, so that the long one has to grow the buffer.
    EXPECT_EQ(CaptureStdout([] { lang_Print(String("x")); }), "x\n");
    EXPECT_EQ(CaptureStdout([&] { lang_Print(decoded); }), utf8 + "\n");
    int result = -1;
    EXPECT_EQ(CaptureStdout([&] { result = lang_PrintWrapper(String("w")); }), "w\n");
    EXPECT_EQ(result, 0);
}

}  // namespace

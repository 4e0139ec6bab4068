// The bitmap-font text reader shared by both graphics layers, on texts from
// outside: what it keeps must stay in proportion to the text it reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/hx_fontfile.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class FontFileTest : public RuntimeTest {};

// A count of pages far beyond what the text could ever name keeps the
// count, the pages the text does name and its glyphs; it takes no more
// slots than the text has units.
TEST_F(FontFileTest, PageCountsBeyondTheTextTakeNoMoreThanItCanFill) {
    const struct {
        const char *what, *count;
    } cases[] = {
        {"the largest count", "2147483647"},
        {"a count of millions", "50000000"},
        {"a count past the largest", "99999999999"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = std::string("common lineHeight=9 pages=") + c.count +
                                 "\npage id=0 file=a.png\npage id=1 file=\"b.png\"\nchar id=65 x=1 page=1\n";
        const FontFile font = host_ParseFontText(String(u"fonts/f.txt"), String(text.c_str()));
        EXPECT_EQ(font.pageCount, INT32_MAX < std::stoll(c.count) ? INT32_MAX : std::stoi(c.count));
        EXPECT_LE(font.pageFiles.size(), text.size());
        ASSERT_GE(font.pageFiles.size(), 2u);
        EXPECT_TRUE(font.pageFiles[0] == String(u"a.png"));
        EXPECT_TRUE(font.pageFiles[1] == String(u"b.png"));
        for (size_t i = 2; i < font.pageFiles.size(); ++i) EXPECT_TRUE(font.pageFiles[i].Empty()) << "slot " << i;
        EXPECT_EQ(font.lineHeight, 9);
        ASSERT_EQ(font.glyphs.size(), 1u);
        EXPECT_EQ(font.glyphs[0].id, 65);
        EXPECT_EQ(font.glyphs[0].page, 1);
    }
}

}  // namespace

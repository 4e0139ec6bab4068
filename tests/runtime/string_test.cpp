// Strings: every operation against a std::u16string model, the sharing of
// representations and the byte accounting in gc_NewBytes.
#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <random>
#include <string>
#include <vector>

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"
#include "tests/runtime/rt_fixture.h"

namespace {

using u16 = std::u16string;

u16 Model(const String &s) { return u16(s.Data(), static_cast<size_t>(s.Length())); }
String Make(const u16 &m) { return String(m.data(), static_cast<int64_t>(m.size())); }

// Readable form for failure messages.
std::string Show(const u16 &m) {
    std::string out = "\"";
    for (char16_t c : m) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char buf[12];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

bool IsEmptyRep(const String &s) { return s.GetRep() == &String::EmptyRep; }

// Bytes a representation of n units counts.
int32_t RepBytes(int n) { return 8 + 2 * n; }

// Small alphabet so that searches hit: spaces and control units for Trim,
// 0xFFE9 for the unsigned ordering.
const char16_t kAlphabet[] = {u'a', u'b', u' ', u'\t', 0xFFE9};

class Gen {
public:
    explicit Gen(uint32_t seed) : rng_(seed) {}
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    u16 Text(int maxLen, int alphabet = 5) {
        u16 m;
        for (int n = Int(0, maxLen); n > 0; --n) m += kAlphabet[Int(0, alphabet - 1)];
        return m;
    }

private:
    std::mt19937 rng_;
};

// --- models --------------------------------------------------------------

u16 ModelSlice(const u16 &s, int from, int to) {
    int len = static_cast<int>(s.size());
    if (from < 0) from = std::max(from + len, 0);
    else from = std::min(from, len);
    if (to < 0) to += len;
    else to = std::min(to, len);
    if (from > to) return u16();
    return s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

int ModelFind(const u16 &s, const u16 &sub, int start) {
    size_t at = s.find(sub, static_cast<size_t>(std::max(start, 0)));
    return at == u16::npos ? -1 : static_cast<int>(at);
}

// Non-overlapping occurrences, left to right.
std::vector<size_t> Occurrences(const u16 &s, const u16 &find) {
    std::vector<size_t> at;
    for (size_t i = s.find(find); i != u16::npos; i = s.find(find, i + find.size())) at.push_back(i);
    return at;
}

u16 ModelReplace(const u16 &s, const u16 &find, const u16 &rep) {
    u16 out;
    size_t pos = 0;
    for (size_t i : Occurrences(s, find)) {
        out += s.substr(pos, i - pos) + rep;
        pos = i + find.size();
    }
    return out + s.substr(pos);
}

std::vector<u16> ModelSplit(const u16 &s, const u16 &sep) {
    std::vector<u16> out;
    if (sep.empty()) {
        for (char16_t c : s) out.push_back(u16(1, c));
        return out;
    }
    size_t pos = 0;
    for (size_t i : Occurrences(s, sep)) {
        out.push_back(s.substr(pos, i - pos));
        pos = i + sep.size();
    }
    out.push_back(s.substr(pos));
    return out;
}

u16 ModelTrim(const u16 &s) {
    size_t i = 0, j = s.size();
    while (i < j && s[i] <= 32) ++i;
    while (j > i && s[j - 1] <= 32) --j;
    return s.substr(i, j - i);
}

int Sign(int v) { return (v > 0) - (v < 0); }

Array<String> MakeArray(const std::vector<u16> &items) {
    Array<String> a(static_cast<int64_t>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) a[static_cast<int>(i)] = Make(items[i]);
    return a;
}

std::vector<u16> Models(const Array<String> &a) {
    std::vector<u16> out;
    for (int i = 0; i < a.Length(); ++i) out.push_back(Model(a[i]));
    return out;
}

// Empty results must be the shared empty representation.
void ExpectCanonical(const String &s) {
    EXPECT_EQ(IsEmptyRep(s), s.Length() == 0);
}

class StringTest : public RuntimeTest {};

// --- queries and slicing -------------------------------------------------

TEST_F(StringTest, SliceEdgeCases) {
    String s(u"abcdef");
    EXPECT_EQ(Model(s.Slice(-3)), u"def");
    EXPECT_EQ(Model(s.Slice(2, -1)), u"cde");  // to = -1 + 6: units 2 to 4
    EXPECT_TRUE(IsEmptyRep(s.Slice(4, 2)));
    EXPECT_TRUE(IsEmptyRep(s.Slice(3, 3)));
    EXPECT_TRUE(IsEmptyRep(s.Slice(1, -100)));
    EXPECT_EQ(s.Slice(-10, 100).GetRep(), s.GetRep());
    EXPECT_EQ(s.Slice(0).GetRep(), s.GetRep());
    EXPECT_EQ(Model(s.SliceFrom1(3)), u"bc");
    EXPECT_EQ(Model(s.Slice(INT_MIN, INT_MAX)), u"abcdef");
    EXPECT_TRUE(IsEmptyRep(s.Slice(INT_MAX, INT_MIN)));
}

TEST_F(StringTest, SliceMatchesModel) {
    Gen g(1);
    for (int round = 0; round < 2000; ++round) {
        u16 m = g.Text(8);
        int from = g.Int(-12, 12), to = g.Int(-12, 12);
        SCOPED_TRACE(Show(m) + " from " + std::to_string(from) + " to " + std::to_string(to));
        String s = Make(m);
        String r = s.Slice(from, to);
        EXPECT_EQ(Model(r), ModelSlice(m, from, to));
        ExpectCanonical(r);
        if (!m.empty() && r.Length() == s.Length()) {
            EXPECT_EQ(r.GetRep(), s.GetRep());
        }
    }
}

TEST_F(StringTest, FindAndStartsWithMatchModel) {
    Gen g(2);
    for (int round = 0; round < 3000; ++round) {
        u16 m = g.Text(8, 2), sub = g.Text(3, 2);
        int start = g.Int(-3, 10);
        SCOPED_TRACE(Show(m) + " find " + Show(sub) + " from " + std::to_string(start));
        String s = Make(m), t = Make(sub);
        EXPECT_EQ(s.Find(t, start), ModelFind(m, sub, start));
        EXPECT_EQ(s.StartsWith(t), m.starts_with(sub));
    }
    String s(u"abcabc");
    EXPECT_EQ(s.Find(String(u"bc")), 1);
    EXPECT_EQ(s.Find(String(u"bc"), 2), 4);
    EXPECT_EQ(s.Find(String(u"abcabcd")), -1);
    EXPECT_EQ(s.Find(String(), 3), 3);
    EXPECT_TRUE(s.StartsWith(s));
    EXPECT_TRUE(s.StartsWith(String()));
    EXPECT_FALSE(String(u"ab").StartsWith(String(u"abc")));
}

TEST_F(StringTest, CompareAndEqualityMatchModel) {
    Gen g(3);
    for (int round = 0; round < 3000; ++round) {
        u16 a = g.Text(5), b = g.Text(5);
        if (round % 3 == 0) b = a.substr(0, static_cast<size_t>(g.Int(0, static_cast<int>(a.size()))));
        SCOPED_TRACE(Show(a) + " vs " + Show(b));
        String x = Make(a), y = Make(b);
        // The exact value: first differing unit as unsigned, else the length difference.
        size_t i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
        int expected = (i < a.size() && i < b.size()) ? int(a[i]) - int(b[i])
                                                      : int(a.size()) - int(b.size());
        EXPECT_EQ(x.Compare(y), expected);
        EXPECT_EQ(Sign(x.Compare(y)), Sign(a.compare(b)));
        EXPECT_EQ(x == y, a == b);
        EXPECT_EQ(x != y, a != b);
    }
    // Units compare unsigned: 0xFFE9 sorts after every ASCII unit.
    String high("\xE9");
    EXPECT_GT(high.Compare(String(u"~")), 0);
    EXPECT_EQ(high.Compare(String(u"a")), 0xFFE9 - 'a');
    // A prefix sorts before the longer string.
    EXPECT_EQ(String(u"ab").Compare(String(u"abcd")), -2);
    EXPECT_EQ(String(u"abcd").Compare(String(u"ab")), 2);
    EXPECT_EQ(String().Compare(String()), 0);
}

// --- transformations -----------------------------------------------------

TEST_F(StringTest, TrimMatchesModel) {
    Gen g(4);
    for (int round = 0; round < 2000; ++round) {
        u16 m = g.Text(7);
        SCOPED_TRACE(Show(m));
        String s = Make(m);
        String r = s.Trim();
        EXPECT_EQ(Model(r), ModelTrim(m));
        ExpectCanonical(r);
        if (!m.empty() && r.Length() == s.Length()) {
            EXPECT_EQ(r.GetRep(), s.GetRep());
        }
    }
    // Every unit up to 32 goes; 33 stays.
    u16 controls;
    for (char16_t c = 0; c <= 32; ++c) controls += c;
    EXPECT_TRUE(IsEmptyRep(Make(controls).Trim()));
    EXPECT_TRUE(IsEmptyRep(String(u" \t\r\n ").Trim()));
    EXPECT_EQ(Model(Make(controls + u"!x!" + controls).Trim()), u"!x!");
}

TEST_F(StringTest, CaseMappingUnderUtf8Locale) {
    const char *loc = std::setlocale(LC_CTYPE, "C.UTF-8");
    if (!loc) loc = std::setlocale(LC_CTYPE, "");
    if (!loc || std::towlower(0xC9) != 0xE9) GTEST_SKIP() << "no UTF-8 character-type locale";

    struct Case {
        const char16_t *in, *lower, *upper;
    } cases[] = {
        {u"Hello, World 42!", u"hello, world 42!", u"HELLO, WORLD 42!"},
        {u"\u00C9t\u00E9 \u03A3\u03C3 \u0416\u0436", u"\u00E9t\u00E9 \u03C3\u03C3 \u0436\u0436",
         u"\u00C9T\u00C9 \u03A3\u03A3 \u0416\u0416"},
        {u"\u00FF\u0178", u"\u00FF\u00FF", u"\u0178\u0178"},
        // Units that have no case mapping pass through, surrogates included.
        {u"\uFFE9\xD800x", u"\uFFE9\xD800x", u"\uFFE9\xD800X"},
    };
    for (const Case &c : cases) {
        String s(c.in, static_cast<int64_t>(std::char_traits<char16_t>::length(c.in)));
        SCOPED_TRACE(Show(Model(s)));
        EXPECT_EQ(Model(s.ToLower()), c.lower);
        EXPECT_EQ(Model(s.ToUpper()), c.upper);
    }
    // Nothing changes: the same representation.
    String lower(u"abc 1\u00E9"), upper(u"ABC 1\u00C9");
    EXPECT_EQ(lower.ToLower().GetRep(), lower.GetRep());
    EXPECT_EQ(upper.ToUpper().GetRep(), upper.GetRep());
    EXPECT_TRUE(IsEmptyRep(String().ToLower()));
    // A change at the very end still maps into a fresh copy.
    String tail(u"abcD");
    String mapped = tail.ToLower();
    EXPECT_NE(mapped.GetRep(), tail.GetRep());
    EXPECT_EQ(Model(mapped), u"abcd");
    EXPECT_EQ(Model(tail), u"abcD");
}

TEST_F(StringTest, ReplaceMatchesModel) {
    Gen g(5);
    for (int round = 0; round < 3000; ++round) {
        u16 m = g.Text(9, 2), find = g.Text(3, 2), rep = g.Text(3, 3);
        if (find.empty()) find = u"a";
        SCOPED_TRACE(Show(m) + " replace " + Show(find) + " by " + Show(rep));
        String s = Make(m);
        String r = s.Replace(Make(find), Make(rep));
        u16 expected = ModelReplace(m, find, rep);
        EXPECT_EQ(Model(r), expected);
        EXPECT_EQ(r.Length(), static_cast<int>(expected.size()));
        ExpectCanonical(r);
        if (!m.empty() && Occurrences(m, find).empty()) {
            EXPECT_EQ(r.GetRep(), s.GetRep());
        }
    }
    // No overlap: "aaa" holds one "aa", then the search goes on behind it.
    EXPECT_EQ(Model(String(u"aaa").Replace(String(u"aa"), String(u"b"))), u"ba");
    // Shrinking and growing results have exactly their length.
    EXPECT_EQ(Model(String(u"x--y--z").Replace(String(u"--"), String(u"<=>"))), u"x<=>y<=>z");
    EXPECT_TRUE(IsEmptyRep(String(u"abab").Replace(String(u"ab"), String())));
}

TEST_F(StringTest, ReplaceWithEmptyFindReturnsInput) {
    String s(u"abc");
    int32_t before = gc_NewBytes;
    String r = s.Replace(String(), String(u"x"));
    EXPECT_EQ(r.GetRep(), s.GetRep());
    EXPECT_EQ(gc_NewBytes, before);
    EXPECT_TRUE(IsEmptyRep(String().Replace(String(), String(u"x"))));
}

TEST_F(StringTest, ConcatenationMatchesModel) {
    Gen g(6);
    for (int round = 0; round < 1000; ++round) {
        u16 a = g.Text(4), b = g.Text(4);
        SCOPED_TRACE(Show(a) + " + " + Show(b));
        String x = Make(a), y = Make(b);
        String r = x + y;
        EXPECT_EQ(Model(r), a + b);
        ExpectCanonical(r);
        if (b.empty()) {
            EXPECT_EQ(r.GetRep(), x.GetRep());
        }
        if (a.empty()) {
            EXPECT_EQ(r.GetRep(), y.GetRep());
        }
    }
}

TEST_F(StringTest, JoinMatchesModel) {
    Gen g(7);
    for (int round = 0; round < 1000; ++round) {
        std::vector<u16> items;
        for (int n = g.Int(0, 4); n > 0; --n) items.push_back(g.Text(3, 2));
        u16 sep = g.Text(2, 3);
        u16 expected;
        for (size_t i = 0; i < items.size(); ++i) expected += (i ? sep : u16()) + items[i];
        SCOPED_TRACE(Show(sep) + " joining " + std::to_string(items.size()) + " items -> " + Show(expected));
        Array<String> a = MakeArray(items);
        String r = Make(sep).Join(a);
        EXPECT_EQ(Model(r), expected);
        EXPECT_EQ(r.Length(), static_cast<int>(expected.size()));
        ExpectCanonical(r);
        if (items.size() == 1) {
            EXPECT_EQ(r.GetRep(), a[0].GetRep());
        }
    }
    Array<String> empties = MakeArray({u"", u"", u""});
    EXPECT_TRUE(IsEmptyRep(String().Join(empties)));
    EXPECT_EQ(Model(String(u",").Join(empties)), u",,");
    EXPECT_TRUE(IsEmptyRep(String(u",").Join(Array<String>())));
}

TEST_F(StringTest, SplitMatchesModel) {
    Gen g(8);
    for (int round = 0; round < 2000; ++round) {
        u16 m = g.Text(8, 2), sep = g.Text(2, 2);
        SCOPED_TRACE(Show(m) + " split by " + Show(sep));
        String s = Make(m);
        Array<String> parts = s.Split(Make(sep));
        std::vector<u16> expected = ModelSplit(m, sep);
        ASSERT_EQ(parts.Length(), static_cast<int>(expected.size()));
        EXPECT_EQ(Models(parts), expected);
        for (int i = 0; i < parts.Length(); ++i) ExpectCanonical(parts[i]);
        if (!sep.empty() && expected.size() == 1 && !m.empty()) {
            EXPECT_EQ(parts[0].GetRep(), s.GetRep());
        }
        if (sep.empty() && m.empty()) {
            EXPECT_TRUE(parts.IsEmptyRep());
        }
    }
    struct Case {
        const char16_t *text, *sep;
        std::vector<u16> parts;
    } cases[] = {
        {u"a,,b", u",", {u"a", u"", u"b"}},
        {u",", u",", {u"", u""}},
        {u"", u",", {u""}},
        {u"abc", u"", {u"a", u"b", u"c"}},
        {u"aaa", u"aa", {u"", u"a"}},
        {u"k=v;;x", u";;", {u"k=v", u"x"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.text) + " split by " + Show(c.sep));
        String s(c.text, static_cast<int64_t>(std::char_traits<char16_t>::length(c.text)));
        String sep(c.sep, static_cast<int64_t>(std::char_traits<char16_t>::length(c.sep)));
        EXPECT_EQ(Models(s.Split(sep)), c.parts);
    }
}

// --- conversions ---------------------------------------------------------

TEST_F(StringTest, FromIntMatchesPrintf) {
    for (int v : {0, 7, -1, 10, -10, 123456789, INT_MAX, INT_MIN}) {
        std::string digits = std::to_string(v);
        EXPECT_EQ(Model(String(v)), u16(digits.begin(), digits.end())) << v;
    }
    EXPECT_EQ(String(INT_MIN).Length(), 11);
}

TEST_F(StringTest, CStringWidensSignedAndNarrowsBack) {
    String s("caf\xE9");
    EXPECT_EQ(Model(s), (u16{u'c', u'a', u'f', 0xFFE9}));
    EXPECT_STREQ(String::CString(s).c_str(), "caf\xE9");
    EXPECT_TRUE(IsEmptyRep(String("")));

    // Every non-NUL byte survives the round trip; the upper half widens to 0xFF80..0xFFFF.
    char bytes[256];
    for (int i = 1; i < 256; ++i) bytes[i - 1] = static_cast<char>(i);
    bytes[255] = 0;
    String all(bytes);
    ASSERT_EQ(all.Length(), 255);
    EXPECT_EQ(all[0x7F - 1], 0x7F);
    EXPECT_EQ(all[0x80 - 1], 0xFF80);
    EXPECT_EQ(all[0xFF - 1], 0xFFFF);
    EXPECT_EQ(std::memcmp(String::CString(all).c_str(), bytes, 256), 0);

    // Narrowing keeps the low byte of every unit.
    EXPECT_STREQ(String(u"\u0141\u2062").ToCString().c_str(), "Ab");
    // Copies of a CString share the block.
    String::CString c(s);
    String::CString d(c);
    EXPECT_EQ(c.c_str(), d.c_str());
    EXPECT_STREQ(String().ToCString().c_str(), "");
}

TEST_F(StringTest, ToIntParsesLikeAtoiAndSaturates) {
    struct Case {
        u16 text;
        int value;
    } cases[] = {
        {u"42", 42},
        {u"   -17abc", -17},
        {u"\t\n\v\f\r+5", 5},
        {u"abc", 0},
        {u"", 0},
        {u"- 5", 0},
        {u"0x1F", 0},
        // Units are narrowed to their low byte before parsing: U+0134 U+0132 read as "42".
        {u"\u0134\u0132", 42},
        {u"2147483647", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"2147483648", INT_MAX},
        {u"4294967297", INT_MAX},
        {u"-99999999999", INT_MIN},
        {u"99999999999999999999999999", INT_MAX},
        // Only the first 63 units are read: 62 zeros, then '1', then more digits.
        {u16(62, u'0') + u"1234567", 1},
        {u16(60, u' ') + u"12345", 123},
        {u16(63, u' ') + u"5", 0},
    };
    for (const Case &c : cases) EXPECT_EQ(Make(c.text).ToInt(), c.value) << Show(c.text);
}

// --- sharing and reference counts ---------------------------------------

TEST_F(StringTest, SharedResultsTakeOneMoreReference) {
    String s(u"  text  ");
    String t(u"text");
    String e;
    Array<String> one = MakeArray({u"solo"});
    struct Case {
        const char *what;
        const String::Rep *input;
        String (*op)(const String &s, const String &t, const String &e, const Array<String> &one);
    } cases[] = {
        {"whole slice", s.GetRep(), [](auto &s, auto &, auto &, auto &) { return s.Slice(-100, 100); }},
        {"trim nothing", t.GetRep(), [](auto &, auto &t, auto &, auto &) { return t.Trim(); }},
        {"lower unchanged", t.GetRep(), [](auto &, auto &t, auto &, auto &) { return t.ToLower(); }},
        {"replace absent", t.GetRep(),
         [](auto &, auto &t, auto &, auto &) { return t.Replace(String(u"zz"), String(u"y")); }},
        {"empty + t", t.GetRep(), [](auto &, auto &t, auto &e, auto &) { return e + t; }},
        {"t + empty", t.GetRep(), [](auto &, auto &t, auto &e, auto &) { return t + e; }},
        {"join one", one[0].GetRep(), [](auto &, auto &, auto &, auto &one) { return String(u",").Join(one); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t count = c.input->count;
        int32_t bytes = gc_NewBytes;
        {
            String r = c.op(s, t, e, one);
            EXPECT_EQ(r.GetRep(), c.input);
            EXPECT_EQ(c.input->count, count + 1);
            EXPECT_EQ(gc_NewBytes, bytes);
        }
        EXPECT_EQ(c.input->count, count);
    }
    // Split without an occurrence: its one element is the string itself.
    uint32_t count = t.GetRep()->count;
    Array<String> parts = t.Split(String(u","));
    EXPECT_EQ(parts[0].GetRep(), t.GetRep());
    EXPECT_EQ(t.GetRep()->count, count + 1);
}

TEST_F(StringTest, AssignmentAndCopiesKeepCounts) {
    String s(u"abc");
    const String::Rep *rep = s.GetRep();
    s = s;  // must not free
    EXPECT_EQ(rep->count, 1u);
    EXPECT_EQ(Model(s), u"abc");
    String copy = s;
    EXPECT_EQ(rep->count, 2u);
    String other(u"xyz");
    other = copy;
    EXPECT_EQ(rep->count, 3u);
    String moved = std::move(copy);
    EXPECT_EQ(rep->count, 3u);
    EXPECT_TRUE(IsEmptyRep(copy));
}

// --- byte accounting -----------------------------------------------------

TEST_F(StringTest, NewRepresentationsCountTheirBytesUntilTheLastReferenceGoes) {
    struct Case {
        const char *what;
        String (*make)();
        int length;
    } cases[] = {
        {"literal", [] { return String(u"hello"); }, 5},
        {"c string", [] { return String("bytes\xE9"); }, 6},
        {"int", [] { return String(INT_MIN); }, 11},
        {"char", [] { return String::FromChar('x'); }, 1},
        {"space", [] { return String::FromSpace(); }, 1},
        {"deep copy", [] { return String(u"abc").DeepCopy(); }, 3},
        {"slice", [] { return String(u"abcdef").Slice(1, 4); }, 3},
        {"trim", [] { return String(u" ab ").Trim(); }, 2},
        {"upper", [] { return String(u"ab").ToUpper(); }, 2},
        {"replace", [] { return String(u"a-b-c").Replace(String(u"-"), String(u"::")); }, 7},
        {"concat", [] { return String(u"ab") + String(u"cde"); }, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int32_t before = gc_NewBytes;
        int32_t made;
        {
            String r = c.make();
            ASSERT_EQ(r.Length(), c.length);
            // Temporaries are gone; only the result's representation still counts.
            made = gc_NewBytes - before;
            EXPECT_EQ(made, RepBytes(c.length));
            String copy = r;
            EXPECT_EQ(gc_NewBytes - before, made);
        }
        EXPECT_EQ(gc_NewBytes, before);
    }
    // Join: the items' array is a collected object, so it is made beforehand.
    Array<String> items = MakeArray({u"a", u"bc", u""});
    String sep(u", ");
    int32_t before = gc_NewBytes;
    {
        String r = sep.Join(items);
        EXPECT_EQ(Model(r), u"a, bc, ");
        EXPECT_EQ(gc_NewBytes - before, RepBytes(7));
    }
    EXPECT_EQ(gc_NewBytes, before);
}

TEST_F(StringTest, EmptyResultsCountNothing) {
    String s(u"abc"), sep(u",");
    Array<String> empties = MakeArray({u"", u""});
    int32_t before = gc_NewBytes;
    String results[] = {
        String(u""),
        String(""),
        String(u"abc", 0),
        s.Slice(2, 1),
        s.Slice(3),
        String(u" \t\n").Trim(),
        String().ToUpper(),
        s.Replace(s, String()),
        String() + String(),
        sep.Join(Array<String>()),
        String().Join(empties),
        String().DeepCopy(),
    };
    for (const String &r : results) EXPECT_TRUE(IsEmptyRep(r));
    // Only the temporary " \t\n" came and went.
    EXPECT_EQ(gc_NewBytes, before);
}

TEST_F(StringTest, SplitCountsItsPiecesAndTheArray) {
    String s(u"ab,,cde,");
    int32_t before = gc_NewBytes;
    Array<String> parts = s.Split(String(u","));
    ASSERT_EQ(Models(parts), (std::vector<u16>{u"ab", u"", u"cde", u""}));
    int32_t arrayBytes = static_cast<int32_t>(parts.GetRep()->Size());
    // The separator temporary is gone; two pieces are new representations.
    EXPECT_EQ(gc_NewBytes - before, arrayBytes + RepBytes(2) + RepBytes(3));

    // When the collector destroys the unreachable array, its pieces are released.
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
    EXPECT_EQ(gc_NewBytes - before, arrayBytes);

    int32_t mid = gc_NewBytes;
    Array<String> units = String(u"xyz").Split(String());
    ASSERT_EQ(Models(units), (std::vector<u16>{u"x", u"y", u"z"}));
    EXPECT_EQ(gc_NewBytes - mid, static_cast<int32_t>(units.GetRep()->Size()) + 3 * RepBytes(1));
}

}  // namespace

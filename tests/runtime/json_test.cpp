#include <string>
#include <vector>

#include "runtime/rt_json.h"
#include "runtime/rt_map.h"
#include "runtime/rt_stack.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class JsonTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        json_InitGlobals();
    }
};

// ASCII test text to a String (each char one unit).
String S(const std::string &s) {
    std::u16string u(s.begin(), s.end());
    return String(u.data(), static_cast<int64_t>(u.size()));
}

std::string Narrow(const String &s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i) {
        int c = s[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char buf[12];
            std::snprintf(buf, sizeof buf, "<%04x>", c);
            out += buf;
        }
    }
    return out;
}

std::vector<int> Units(const String &s) {
    std::vector<int> u;
    for (int i = 0; i < s.Length(); ++i) u.push_back(s[i]);
    return u;
}

c_JsonValue *Read(const std::string &text) {
    c_JsonParser *p = gc_New<c_JsonParser>()->m_new(S(text));
    return p->ParseValue();
}

// Reads a value and writes it back.
std::string RoundTrip(const std::string &text) { return Narrow(Read(text)->ToJson()); }

bool Throws(const std::string &text) {
    try {
        Read(text);
    } catch (c_JsonError *) {
        return true;
    }
    return false;
}

TEST_F(JsonTest, ReadsValidTexts) {
    struct Case {
        const char *text, *written;
    } cases[] = {
        {"{}", "{}"},
        {"[]", "[]"},
        {"\"\"", "\"\""},
        {"0", "0"},
        {"-0", "-0"},
        {"1.50", "1.50"},
        {"1.5E+3", "1.5E+3"},
        {"1e-7", "1e-7"},
        {"-12.25e10", "-12.25e10"},
        {"true", "true"},
        {"false", "false"},
        {"null", "null"},
        {"[1,null,\"\"]", "[1,null,\"\"]"},
        {"{\"a\":1,\"a\":2}", "{\"a\":2}"},
        {"{\"b\":[true,{\"c\":null}],\"a\":{}}", "{\"a\":{},\"b\":[true,{\"c\":null}]}"},
        // White space and every other unit up to 32 between all tokens.
        {" \t\r\n{ \"b\" :\x01 2 ,\t\"a\"\r\n: [ 1 ,\x1f-0 , [ ] ] } ", "{\"a\":[1,-0,[]],\"b\":2}"},
        // One value is read; what follows is left alone.
        {"012", "0"},
        {"{\"x\":1} trailing ]] garbage", "{\"x\":1}"},
        {"[1]]", "[1]"},
        {"true1", "true"},
        {"\"a\"\"b\"", "\"a\""},
    };
    for (const Case &c : cases) {
        try {
            EXPECT_EQ(RoundTrip(c.text), c.written) << c.text;
        } catch (c_JsonError *) {
            ADD_FAILURE() << "threw on " << c.text;
        }
    }
    // A raw NUL unit is white space too.
    std::string withNul = std::string("[1,") + '\0' + "2]";
    EXPECT_EQ(RoundTrip(withNul), "[1,2]");
}

TEST_F(JsonTest, RejectsInvalidTexts) {
    const char *cases[] = {
        "", "   ", "-", "-x", "- 1", "1.", "1.e5", "1e", "1e+", "1E-", ".5", "+1",
        "[1,]", "[,1]", "[1 2]", "[", "[1", "]", "{", "}", ",", ":",
        "{\"a\":1,}", "{,}", "{\"a\" 1}", "{\"a\":}", "{\"a\"}", "{a:1}", "{1:1}", "{null:1}",
        "True", "nul", "NULL", "truex", "yes", "'a'",
        "\"abc", "\"abc\\", "\"abc\\\"", "\"\\x\"", "\"\\U0041\"", "\"\\u12\"", "\"\\u12g4\"",
        "\"\\u-123\"", "\"\\u 123\"", "\"\\ \"",
    };
    for (const char *text : cases) EXPECT_TRUE(Throws(text)) << "accepted " << text;
}

TEST_F(JsonTest, DecodesEveryEscape) {
    struct Case {
        const char *token;
        std::vector<int> units;
    } cases[] = {
        {"\"\\\"\"", {'"'}},
        {"\"\\\\\"", {'\\'}},
        {"\"\\/\"", {'/'}},
        {"\"\\b\\f\\n\\r\\t\"", {8, 12, 10, 13, 9}},
        {"\"\\u00e9\\u00E9\"", {0xE9, 0xE9}},
        {"\"\\u0000\\uFFFF\\uabcd\"", {0, 0xFFFF, 0xABCD}},
        // A pair is two escapes and reads as the two units.
        {"\"\\ud83d\\ude00\"", {0xD83D, 0xDE00}},
        {"\"a\\tb\\\\c\"", {'a', 9, 'b', '\\', 'c'}},
        {"\"x\\u0041y\"", {'x', 'A', 'y'}},
        // Units that are not escaped are taken as they stand.
        {"\"\t\x01 /\"", {9, 1, ' ', '/'}},
        {"\"plain\"", {'p', 'l', 'a', 'i', 'n'}},
    };
    for (const Case &c : cases) {
        c_JsonParser *p = gc_New<c_JsonParser>()->m_new(S(c.token));
        ASSERT_EQ(p->TokenType(), json_TokenString) << c.token;
        EXPECT_EQ(Units(p->ParseString()), c.units) << c.token;
        EXPECT_EQ(p->TokenType(), json_TokenEnd) << c.token;
    }
    // Surrogates and non-ASCII units pass through the writer unchanged.
    String s = static_cast<c_JsonString *>(Read("\"\\ud83d\\ude00\\u00e9\""))->m_value;
    EXPECT_EQ(Units(c_JsonString::Create(s)->ToJson()), (std::vector<int>{'"', 0xD83D, 0xDE00, 0xE9, '"'}));
}

TEST_F(JsonTest, TokensAndTheirTypes) {
    c_JsonParser *p = gc_New<c_JsonParser>()->m_new(S(" {\"a\\\"b\" -1.5e+2 trUe ~ 0"));
    struct Expected {
        const char *token;
        int type;
    } expected[] = {
        {"{", json_TokenChar},         {"\"a\\\"b\"", json_TokenString}, {"-1.5e+2", json_TokenNumber},
        {"trUe", json_TokenWord},      {"~", json_TokenChar},            {"0", json_TokenNumber},
        {"", json_TokenEnd},
    };
    for (const Expected &e : expected) {
        EXPECT_EQ(Narrow(p->Token()), e.token);
        EXPECT_EQ(p->TokenType(), e.type) << e.token;
        p->Bump();
    }
    // At the end the token stays the end.
    EXPECT_EQ(p->TokenType(), json_TokenEnd);

    p = gc_New<c_JsonParser>()->m_new(S("[ 12 , x"));
    EXPECT_FALSE(p->TryToken(S("{")));
    EXPECT_TRUE(p->TryToken(S("[")));
    EXPECT_EQ(Narrow(p->TakeNumber()), "12");
    EXPECT_THROW(p->TakeNumber(), c_JsonError *);
    p->ExpectToken(S(","));
    EXPECT_THROW(p->ExpectToken(S(",")), c_JsonError *);
    EXPECT_EQ(p->PeekChar(), 0);
    EXPECT_THROW(p->NextChar(), c_JsonError *);
}

TEST_F(JsonTest, WriterEscapesAndOrders) {
    c_JsonObject *o = gc_New<c_JsonObject>()->m_new();
    o->SetInt(S("b"), 2);
    o->SetInt(S("a"), 1);
    o->SetItem(S("ab"), nullptr);
    EXPECT_EQ(Narrow(o->ToJson()), "{\"a\":1,\"ab\":null,\"b\":2}");

    Array<c_JsonValue *> items(static_cast<int64_t>(3));
    items[0] = c_JsonNumber::Create(S("1"));
    items[2] = c_JsonString::Create(String());
    EXPECT_EQ(Narrow(gc_New<c_JsonArray>()->m_new(items)->ToJson()), "[1,null,\"\"]");
    EXPECT_EQ(Narrow(gc_New<c_JsonArray>()->m_new(2)->ToJson()), "[null,null]");
    EXPECT_TRUE(gc_New<c_JsonArray>()->m_new(0)->m_values.get().IsEmptyRep());

    // Quote, backslash, line feed: twelve units, and back unchanged.
    String tricky = S("\"\\\n");
    String written = c_JsonString::Create(tricky)->ToJson();
    EXPECT_EQ(Narrow(written), "\"\\\"\\\\\\u000a\"");
    EXPECT_EQ(written.Length(), 12);
    EXPECT_TRUE(static_cast<c_JsonString *>(Read(Narrow(written)))->m_value == tricky);

    // Every unit below 0x20 is escaped; 0x20, 0x7f and '/' are not.
    std::u16string all;
    for (char16_t c = 0; c < 0x20; ++c) all += c;
    all += u" /\x7f";
    String controls(all.data(), static_cast<int64_t>(all.size()));
    std::string expected = "\"";
    for (int c = 0; c < 0x20; ++c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        expected += buf;
    }
    expected += " /\x7f\"";
    String out = c_JsonString::Create(controls)->ToJson();
    EXPECT_EQ(Narrow(out), expected);
    c_JsonValue *back = Read(Narrow(out));
    EXPECT_TRUE(static_cast<c_JsonString *>(back)->m_value == controls);

    // Keys are escaped like strings and ordered by unit: "B" < "a" < "ab".
    o = gc_New<c_JsonObject>()->m_new();
    o->SetItem(S("ab"), json_True);
    o->SetItem(S("a\"\x01"), json_False);
    o->SetItem(S("B"), c_JsonString::Create(S("x")));
    EXPECT_EQ(Narrow(o->ToJson()), "{\"B\":\"x\",\"a\\\"\\u0001\":false,\"ab\":true}");
}

TEST_F(JsonTest, SharedInstances) {
    EXPECT_EQ(c_JsonString::Create(String()), json_EmptyString.get());
    EXPECT_EQ(c_JsonNumber::Create(S("0")), json_ZeroNumber.get());
    c_JsonValue *zeros = c_JsonNumber::Create(S("00"));
    EXPECT_NE(zeros, json_ZeroNumber.get());
    EXPECT_EQ(Narrow(zeros->ToJson()), "00");
    EXPECT_EQ(c_JsonBool::Create(true), json_True.get());
    EXPECT_EQ(c_JsonBool::Create(false), json_False.get());
    EXPECT_EQ(c_JsonNull::Instance(), json_Null.get());

    EXPECT_EQ(Read("\"\""), json_EmptyString.get());
    EXPECT_EQ(Read("0"), json_ZeroNumber.get());
    EXPECT_NE(Read("-0"), json_ZeroNumber.get());
    EXPECT_EQ(Read("true"), json_True.get());
    EXPECT_EQ(Read("false"), json_False.get());
    EXPECT_EQ(Read("null"), json_Null.get());
    c_JsonParser *p = gc_New<c_JsonParser>()->m_new(S(" [ ] "));
    EXPECT_TRUE(p->ParseArray().IsEmptyRep());
    // SetInt makes a new number even for 0.
    c_JsonObject *o = gc_New<c_JsonObject>()->m_new();
    o->SetInt(S("z"), 0);
    EXPECT_NE(o->Get(S("z"), nullptr), json_ZeroNumber.get());
}

TEST_F(JsonTest, IntegersAndMembers) {
    struct Case {
        const char *text;
        int value;
    } cases[] = {
        {"0", 0},
        {"-7", -7},
        {"12.9", 12},
        {"1e3", 1},
        {"abc", 0},
        {"", 0},
        {" \t42x", 42},
        {"+5", 5},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MAX},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999", INT32_MAX},
        {"-99999999999999999999999", INT32_MIN},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(gc_New<c_JsonNumber>()->m_new(S(c.text))->IntValue(), c.value) << c.text;
    }

    c_JsonObject *o = gc_New<c_JsonObject>()->m_new();
    o->SetInt(S("n"), -7);
    EXPECT_EQ(Narrow(static_cast<c_JsonNumber *>(o->Get(S("n"), nullptr))->m_text), "-7");
    o->SetInt(S("n"), 3);
    EXPECT_EQ(o->GetInt(S("n"), 99), 3);
    EXPECT_EQ(Narrow(o->ToJson()), "{\"n\":3}");
    EXPECT_EQ(o->GetInt(S("absent"), 99), 99);
    EXPECT_EQ(o->Get(S("absent"), json_True), json_True.get());
    o->SetItem(S("nothing"), nullptr);
    EXPECT_EQ(o->Get(S("nothing"), json_True), json_Null.get());

    // Any present member that is not a number throws.
    o->SetItem(S("s"), c_JsonString::Create(S("5")));
    o->SetItem(S("b"), json_True);
    o->SetItem(S("a"), gc_New<c_JsonArray>()->m_new(0));
    o->SetItem(S("o"), gc_New<c_JsonObject>()->m_new());
    for (const char *key : {"s", "b", "a", "o", "nothing"}) {
        EXPECT_THROW(o->GetInt(S(key), 0), c_JsonError *) << key;
    }
    EXPECT_THROW(json_Null->IntValue(), c_JsonError *);
}

TEST_F(JsonTest, ProgressRecordRoundTrip) {
    // Set in the game's order; written in key order.
    const char *keys[] = {"lvlcampaign", "lvlopenworld", "coins", "cnthealing",
                          "cntbighealing", "cntinvulnerability", "cntrevive"};
    const int values[] = {20, 1, -50, 3, 0, 2147483647, 7};
    c_JsonObject *record = gc_New<c_JsonObject>()->m_new();
    for (int i = 0; i < 7; ++i) record->SetInt(S(keys[i]), values[i]);
    String text = record->ToJson();
    EXPECT_EQ(Narrow(text),
              "{\"cntbighealing\":0,\"cnthealing\":3,\"cntinvulnerability\":2147483647,\"cntrevive\":7,"
              "\"coins\":-50,\"lvlcampaign\":20,\"lvlopenworld\":1}");

    // Read back the game's way (one value) and through the object initialiser.
    c_JsonParser *parser = gc_New<c_JsonParser>()->m_new(text);
    auto *read = static_cast<c_JsonObject *>(parser->ParseValue());
    c_JsonObject *again = gc_New<c_JsonObject>()->m_new(text);
    for (c_JsonObject *o : {read, again}) {
        EXPECT_TRUE(o->ToJson() == text);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(o->GetInt(S(keys[i]), -1), values[i]) << keys[i];
    }

    // The initial values.
    record = gc_New<c_JsonObject>()->m_new();
    for (int i = 0; i < 7; ++i) record->SetInt(S(keys[i]), i < 2 ? 1 : 0);
    EXPECT_EQ(Narrow(record->ToJson()),
              "{\"cntbighealing\":0,\"cnthealing\":0,\"cntinvulnerability\":0,\"cntrevive\":0,"
              "\"coins\":0,\"lvlcampaign\":1,\"lvlopenworld\":1}");
    EXPECT_TRUE(record->ToJson() == record->ToJson());
}

TEST_F(JsonTest, ObjectFromText) {
    c_JsonObject *o = gc_New<c_JsonObject>()->m_new(S(" {\"k\":[1,2]} and more"));
    EXPECT_EQ(Narrow(o->ToJson()), "{\"k\":[1,2]}");
    for (const char *bad : {"[1]", "", "{\"k\":1", "\"k\""}) {
        EXPECT_THROW(gc_New<c_JsonObject>()->m_new(S(bad)), c_JsonError *) << bad;
    }
}

TEST_F(JsonTest, NestingLimit) {
    auto arrays = [](int n) { return std::string(n, '[') + std::string(n, ']'); };
    auto objects = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "{\"a\":";
        s += "1";
        return s + std::string(n, '}');
    };
    EXPECT_EQ(RoundTrip(arrays(512)), arrays(512));
    EXPECT_EQ(RoundTrip(objects(512)), objects(512));
    EXPECT_TRUE(Throws(arrays(513)));
    EXPECT_TRUE(Throws(objects(513)));
    EXPECT_TRUE(Throws(std::string(100000, '[')));
    EXPECT_THROW(gc_New<c_JsonObject>()->m_new(S(objects(513))), c_JsonError *);
    // Depth is counted while open, not in total.
    std::string wide = "[" + arrays(512 - 1) + "," + arrays(511) + "]";
    EXPECT_EQ(RoundTrip(wide), wide);

    // The writer refuses what the reader would: 513 levels, or an object
    // that holds itself, throw instead of running the stack out.
    c_JsonValue *v = json_Null;
    for (int i = 0; i < 513; ++i) {
        Array<c_JsonValue *> one(static_cast<int64_t>(1));
        one[0] = v;
        v = gc_New<c_JsonArray>()->m_new(one);
    }
    EXPECT_THROW(v->ToJson(), c_JsonError *);
    EXPECT_EQ(Narrow(static_cast<c_JsonArray *>(v)->m_values[0]->ToJson()).size(), 512u * 2 + 4);
    c_JsonObject *self = gc_New<c_JsonObject>()->m_new();
    self->SetItem(S("me"), self);
    EXPECT_THROW(self->ToJson(), c_JsonError *);
    // Nothing is left over from a refused write.
    EXPECT_EQ(RoundTrip(arrays(512)), arrays(512));
}

// Everything a value refers to survives a full collection through it.
c_JsonValue *g_root = nullptr;
void MarkRoot() {
    json_MarkGlobals();
    gc_Enqueue(g_root);
}

TEST_F(JsonTest, ValuesSurviveCollection) {
    std::string text = "{\"list\":[\"one\",2,{\"deep\":[true,null,\"three\"]}],\"name\":\"x\"}";
    g_root = Read(text);
    gc_SetRoots(MarkRoot);
    for (int cycle = 0; cycle < 3; ++cycle) {
        gc_MarkGlobals();
        gc_CollectAll();
        gc_Reclaim(INT32_MAX);
        EXPECT_EQ(gc_UnreachableList.next, &gc_UnreachableList);
        EXPECT_EQ(RoundTrip(text), text);
        EXPECT_EQ(Narrow(g_root->ToJson()), text);
    }
    g_root = nullptr;
}

}  // namespace

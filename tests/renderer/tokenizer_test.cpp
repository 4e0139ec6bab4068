// The text tokenizer: token rules, the parse helpers and their run-time
// errors.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "renderer/rd_tokenizer.h"
#include "tests/runtime/rt_fixture.h"

using ::testing::ExitedWithCode;

namespace {

// UTF-16 text to bytes for readable failure messages (units above 127 as
// \u escapes).
std::string Narrow(const String &s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i) {
        int c = s[i];
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        }
    }
    return out;
}

using Tokens = std::vector<std::pair<std::string, int>>;

// Every token up to and including the end token.
Tokens Scan(const String &text) {
    c_Parser *p = gc_New<c_Parser>()->m_new(text);
    Tokens out;
    for (;;) {
        out.emplace_back(Narrow(p->Token()), p->m_tokenType);
        if (p->m_tokenType == parser_TokenEnd) break;
        p->Bump();
    }
    return out;
}

// In a death test's child: no debug-prompt input, and the banner (printed
// on stdout) goes where the death-test matcher looks.
void QuietChild() {
    if (!std::freopen("/dev/null", "r", stdin)) _exit(1);
    dup2(2, 1);
}

struct ScanCase {
    const char *name;
    String text;
    Tokens tokens;
};

class TokenizerTest : public RuntimeTest {};

TEST_F(TokenizerTest, TokenTable) {
    const ScanCase cases[] = {
        {"declaration", u"uniform vec4 Color;", {{"uniform", 1}, {"vec4", 1}, {"Color", 1}, {";", 5}, {"", 0}}},
        {"assign operator", u"a:=b", {{"a", 1}, {":=", 5}, {"b", 1}, {"", 0}}},
        {"no other two-unit operators", u"a==b", {{"a", 1}, {"=", 5}, {"=", 5}, {"b", 1}, {"", 0}}},
        {"less or equal", u"x<=1", {{"x", 1}, {"<", 5}, {"=", 5}, {"1", 2}, {"", 0}}},
        {"colon at end", u"a:", {{"a", 1}, {":", 5}, {"", 0}}},
        {"float literal", u"1.5e3", {{"1", 2}, {".", 5}, {"5", 2}, {"e3", 1}, {"", 0}}},
        {"gl name", u"gl_FragColor", {{"gl_FragColor", 1}, {"", 0}}},
        {"leading underscore", u"_x9 9x", {{"_x9", 1}, {"9", 2}, {"x", 1}, {"", 0}}},
        {"number then identifier", u"2abc", {{"2", 2}, {"abc", 1}, {"", 0}}},
        {"comment to line end", u"' some words\nx", {{"x", 1}, {"", 0}}},
        {"comment after a token", u"a 'b c\n d", {{"a", 1}, {"d", 1}, {"", 0}}},
        {"text ends in a comment", u"a ' no line feed", {{"a", 1}, {"", 0}}},
        {"glsl comment is not one", u"// uses gl_Position", {{"/", 5}, {"/", 5}, {"uses", 1}, {"gl_Position", 1}, {"", 0}}},
        {"string literal", u"\"a b\"c", {{"\"a b\"", 4}, {"c", 1}, {"", 0}}},
        {"string over lines, apostrophe inside", u"\"x\n'y\"", {{"\"x\\u000a'y\"", 4}, {"", 0}}},
        {"control units are white space", u"\t\r\n\x01" u"a\x1f" u"b", {{"a", 1}, {"b", 1}, {"", 0}}},
        {"empty text", u"", {{"", 0}}},
        {"only white space", u" \n\t ", {{"", 0}}},
        // Above 127 nothing is a letter, a digit or white space, whatever
        // the low byte looks like (0x141 ends in 'A', 0x120 in a space,
        // 0x130 in '0', 0xDF is 0xFF with bit 5 cleared).
        {"units above 127", u"\u0141b\u0120\u0130\u00e9\u00ff", {{"\\u0141", 5}, {"b", 1}, {"\\u0120", 5}, {"\\u0130", 5}, {"\\u00e9", 5}, {"\\u00ff", 5}, {"", 0}}},
        {"letters only in the ASCII ranges", u"@[`{", {{"@", 5}, {"[", 5}, {"`", 5}, {"{", 5}, {"", 0}}},
    };
    for (const ScanCase &c : cases) {
        EXPECT_EQ(Scan(c.text), c.tokens) << c.name;
    }
}

TEST_F(TokenizerTest, CharacterClasses) {
    EXPECT_TRUE(parser_IsAlpha('A') && parser_IsAlpha('Z') && parser_IsAlpha('a') && parser_IsAlpha('z'));
    EXPECT_FALSE(parser_IsAlpha('@') || parser_IsAlpha('[') || parser_IsAlpha('`') || parser_IsAlpha('{'));
    EXPECT_FALSE(parser_IsAlpha(0xC1) || parser_IsAlpha(0x141) || parser_IsAlpha(0xE1));
    EXPECT_TRUE(parser_IsDigit('0') && parser_IsDigit('9'));
    EXPECT_FALSE(parser_IsDigit('/') || parser_IsDigit(':') || parser_IsDigit(0x130));
    EXPECT_TRUE(parser_IsIdent('_') && parser_IsIdent('q') && parser_IsIdent('7'));
    EXPECT_FALSE(parser_IsIdent('$') || parser_IsIdent(0x15F));
}

TEST_F(TokenizerTest, FreshParserAndSetText) {
    c_Parser *p = gc_New<c_GlslParser>()->m_new();
    EXPECT_TRUE(p->Token().Empty());
    EXPECT_EQ(p->m_tokenType, 0);
    EXPECT_EQ(p->m_length, 0);
    p->SetText(String(u"  first second"));
    EXPECT_EQ(p->Token(), String(u"first"));
    EXPECT_EQ(p->m_length, 14);
    p->SetText(String(u"other"));
    EXPECT_EQ(p->Token(), String(u"other"));
    EXPECT_EQ(p->Bump(), String());
    // The end is sticky.
    EXPECT_EQ(p->Bump(), String());
    EXPECT_EQ(p->m_tokenType, 0);
    EXPECT_EQ(p->m_position, 5);
}

TEST_F(TokenizerTest, ParseHelpers) {
    c_Parser *p = gc_New<c_Parser>()->m_new(String(u"uniform vec4 Tint ; 42"));
    // A prefix of the token is no match.
    EXPECT_FALSE(p->CParse(String(u"uni")));
    EXPECT_FALSE(p->CParse(String(u"uniforms")));
    EXPECT_EQ(p->Token(), String(u"uniform"));
    EXPECT_TRUE(p->CParse(String(u"uniform")));
    EXPECT_EQ(p->CParseIdent(), String(u"vec4"));
    EXPECT_EQ(p->ParseIdent(), String(u"Tint"));
    // Not an identifier: nothing moves.
    EXPECT_EQ(p->CParseIdent(), String());
    EXPECT_EQ(p->Token(), String(u";"));
    p->Expect(String(u";"));
    EXPECT_EQ(p->m_tokenType, parser_TokenNumber);
    EXPECT_EQ(p->ParseToken(), String(u"42"));
    EXPECT_EQ(p->ParseToken(), String());
    EXPECT_EQ(p->ParseToken(), String());
}

struct ErrorCase {
    const char *name;
    String text;
    int action;  // 0 scan to the end, 1 ParseIdent, 2 Expect(";")
    const char *message;
};

TEST_F(TokenizerTest, RunTimeErrors) {
    const ErrorCase cases[] = {
        {"unclosed string", u"x \"abc", 0, "Zentrova Runtime Error : String literal missing closing quote"},
        {"lone quote at end", u"\"", 0, "Zentrova Runtime Error : String literal missing closing quote"},
        {"number is no identifier", u"7", 1, "Zentrova Runtime Error : Expecting identifier"},
        {"end is no identifier", u"", 1, "Zentrova Runtime Error : Expecting identifier"},
        {"wrong token", u"vec4", 2, "Zentrova Runtime Error : Expecting ';'"},
        {"end is no token", u"", 2, "Zentrova Runtime Error : Expecting ';'"},
    };
    for (const ErrorCase &c : cases) {
        EXPECT_EXIT(
            {
                QuietChild();
                c_Parser *p = gc_New<c_Parser>()->m_new(c.text);
                if (c.action == 0) {
                    while (p->m_tokenType != 0) p->Bump();
                } else if (c.action == 1) {
                    p->ParseIdent();
                } else {
                    p->Expect(String(u";"));
                }
                std::fprintf(stderr, "no error\n");
                std::fflush(stderr);
                _exit(0);
            },
            ExitedWithCode(255), std::string(c.message) + "\n")
            << c.name;
    }
}

}  // namespace

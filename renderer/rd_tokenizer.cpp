#include "renderer/rd_tokenizer.h"

#include "runtime/rt_error.h"

namespace {

constexpr int32_t kApostrophe = 39;
constexpr int32_t kDoubleQuote = 34;
constexpr int32_t kLineFeed = 10;
constexpr int32_t kColon = 58;
constexpr int32_t kEquals = 61;
constexpr int32_t kUnderscore = 95;

}  // namespace

bool parser_IsAlpha(int32_t c) {
    int32_t upper = c & ~32;
    return upper >= 65 && upper <= 90;
}

bool parser_IsDigit(int32_t c) { return c >= 48 && c <= 57; }

bool parser_IsIdent(int32_t c) { return parser_IsAlpha(c) || parser_IsDigit(c) || c == kUnderscore; }

c_Parser *c_Parser::m_new(const String &text) {
    SetText(text);
    return this;
}

void c_Parser::SetText(const String &text) {
    m_text = text;
    m_position = 0;
    m_length = text.Length();
    Bump();
}

String c_Parser::Bump() {
    // White space and comments.
    while (m_position < m_length) {
        int32_t c = m_text[m_position];
        if (c < 33) {
            ++m_position;
        } else if (c == kApostrophe) {
            // The line feed that ends the comment is skipped as white space.
            while (m_position < m_length && m_text[m_position] != kLineFeed) ++m_position;
        } else {
            break;
        }
    }
    if (m_position >= m_length) {
        m_token = String();
        m_tokenType = parser_TokenEnd;
        return m_token;
    }

    int32_t start = m_position;
    int32_t c = m_text[m_position++];
    if (parser_IsAlpha(c) || c == kUnderscore) {
        while (m_position < m_length && parser_IsIdent(m_text[m_position])) ++m_position;
        m_tokenType = parser_TokenIdent;
    } else if (parser_IsDigit(c)) {
        while (m_position < m_length && parser_IsDigit(m_text[m_position])) ++m_position;
        m_tokenType = parser_TokenNumber;
    } else if (c == kDoubleQuote) {
        while (m_position < m_length && m_text[m_position] != kDoubleQuote) ++m_position;
        if (m_position >= m_length) object_Error(String(u"String literal missing closing quote"));
        ++m_position;
        m_tokenType = parser_TokenString;
    } else {
        // ":=" is the only operator of two units.
        if (c == kColon && m_position < m_length && m_text[m_position] == kEquals) ++m_position;
        m_tokenType = parser_TokenSymbol;
    }
    m_token = m_text.Slice(start, m_position);
    return m_token;
}

String c_Parser::Token() { return m_token; }

bool c_Parser::CParse(const String &token) {
    if (m_token != token) return false;
    Bump();
    return true;
}

String c_Parser::CParseIdent() {
    if (m_tokenType != parser_TokenIdent) return String();
    String ident = m_token;
    Bump();
    return ident;
}

String c_Parser::ParseToken() {
    String token = m_token;
    Bump();
    return token;
}

String c_Parser::ParseIdent() {
    String ident = CParseIdent();
    if (ident.Empty()) object_Error(String(u"Expecting identifier"));
    return ident;
}

void c_Parser::Expect(const String &token) {
    if (!CParse(token)) object_Error(String(u"Expecting '") + token + String(u"'"));
}

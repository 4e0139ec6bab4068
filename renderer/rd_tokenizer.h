// A small tokenizer over a String: identifiers, decimal digit runs, double
// quoted literals and one-unit symbols (":=" is the one two-unit symbol).
// White space is every unit below 33; an apostrophe starts a comment that
// runs to the end of its line. It knows nothing of GLSL: "//" is two
// symbols, and "1.5" is a number, a symbol and a number.
//
// The renderer scans shader bodies with c_GlslParser for their "uniform"
// declarations and the gl_ and vxr_ names they use.
#pragma once

#include <cstdint>

#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// Token types (the token type field).
enum : int32_t {
    parser_TokenEnd = 0,
    parser_TokenIdent = 1,
    parser_TokenNumber = 2,
    // 3 is never produced.
    parser_TokenString = 4,
    parser_TokenSymbol = 5,
};

// Character classes of one unit. Units above 127 are in none of them.
bool parser_IsAlpha(int32_t c);
bool parser_IsDigit(int32_t c);
bool parser_IsIdent(int32_t c);

class c_Parser : public Object {
public:
    String m_text;
    int32_t m_position;
    int32_t m_length;
    String m_token;
    int32_t m_tokenType;

    c_Parser() : m_text(), m_position(0), m_length(0), m_token(), m_tokenType(parser_TokenEnd) {}
    c_Parser *m_new() { return this; }
    // Sets the text; the parser is then on its first token.
    c_Parser *m_new(const String &text);

    void SetText(const String &text);
    // Reads the next token into the token and its type, and returns it. At
    // the end of the text: the empty token, type 0, however often called.
    String Bump();
    String Token();
    // When the current token is `token`: moves on and gives true.
    // Otherwise false, and nothing moves.
    bool CParse(const String &token);
    // An identifier token is returned and passed; anything else gives ""
    // and nothing moves.
    String CParseIdent();
    // Returns the current token and moves on.
    String ParseToken();
    // CParseIdent; the run-time error "Expecting identifier" when the token
    // is not one.
    String ParseIdent();
    // Passes `token`; the run-time error "Expecting '<token>'" otherwise.
    void Expect(const String &token);
};

class c_GlslParser : public c_Parser {
public:
    c_GlslParser *m_new() { return this; }
    c_GlslParser *m_new(const String &text) {
        c_Parser::m_new(text);
        return this;
    }
};

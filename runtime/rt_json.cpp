#include "runtime/rt_json.h"

#include "runtime/rt_error.h"
#include "runtime/rt_map.h"
#include "runtime/rt_stack.h"

gc_ref<c_JsonString> json_EmptyString;
gc_ref<c_JsonNumber> json_ZeroNumber;
gc_ref<c_JsonBool> json_True;
gc_ref<c_JsonBool> json_False;
gc_ref<c_JsonNull> json_Null;

void json_InitGlobals() {
    json_EmptyString = gc_New<c_JsonString>()->m_new(String());
    json_ZeroNumber = gc_New<c_JsonNumber>()->m_new(String(u"0"));
    json_True = gc_New<c_JsonBool>()->m_new(true);
    json_False = gc_New<c_JsonBool>()->m_new(false);
    json_Null = gc_New<c_JsonNull>()->m_new();
}

void json_MarkGlobals() {
    gc_Enqueue(json_EmptyString);
    gc_Enqueue(json_ZeroNumber);
    gc_Enqueue(json_True);
    gc_Enqueue(json_False);
    gc_Enqueue(json_Null);
}

void json_ThrowError() { throw gc_New<c_JsonError>()->m_new(); }

// ---------------------------------------------------------------------------
// Writer

namespace {

// Levels of arrays and objects being written. A tree nested deeper than the
// reader accepts (or one that holds itself) is refused instead of running
// the stack out.
int g_writeDepth = 0;

class WriteLevel {
public:
    WriteLevel() {
        if (++g_writeDepth > json_MaxDepth) {
            --g_writeDepth;
            json_ThrowError();
        }
    }
    ~WriteLevel() { --g_writeDepth; }
    WriteLevel(const WriteLevel &) = delete;
    WriteLevel &operator=(const WriteLevel &) = delete;
};

const char16_t kHexDigits[] = u"0123456789abcdef";

// The writer's fixed pieces, made once and shared by every text written.
enum Piece { kOpenBrace, kCloseBrace, kOpenBracket, kCloseBracket, kComma, kColon, kNull, kTrue, kFalse };

const String &PieceText(Piece p) {
    static const String pieces[] = {String(u"{"), String(u"}"),    String(u"["),
                                    String(u"]"), String(u","),    String(u":"),
                                    String(u"null"), String(u"true"), String(u"false")};
    return pieces[p];
}

// The string in double quotes with '"', '\' and the units below 0x20
// escaped.
String QuoteString(const String &s) {
    const int n = s.Length();
    const char16_t *in = s.Data();
    int64_t length = 2;
    for (int i = 0; i < n; ++i) {
        char16_t c = in[i];
        length += c == u'"' || c == u'\\' ? 2 : (c < 0x20 ? 6 : 1);
    }
    String::Rep *r = String::Rep::Alloc(length);
    char16_t *out = r->Units();
    *out++ = u'"';
    for (int i = 0; i < n; ++i) {
        char16_t c = in[i];
        if (c == u'"' || c == u'\\') {
            *out++ = u'\\';
            *out++ = c;
        } else if (c < 0x20) {
            *out++ = u'\\';
            *out++ = u'u';
            *out++ = u'0';
            *out++ = u'0';
            *out++ = kHexDigits[c >> 4];
            *out++ = kHexDigits[c & 15];
        } else {
            *out++ = c;
        }
    }
    *out = u'"';
    return String::Adopt(r);
}

}  // namespace

int c_JsonValue::IntValue() { json_ThrowError(); }

void c_JsonValue::PushJson(c_StringStack *buf) { buf->Push(ToJson()); }

String c_JsonValue::ToJson() {
    c_StringStack *buf = gc_New<c_StringStack>()->m_new();
    PushJson(buf);
    return buf->Join(String());
}

c_JsonString *c_JsonString::m_new(const String &value) {
    m_value = value;
    return this;
}

c_JsonValue *c_JsonString::Create(const String &value) {
    if (value.Empty()) return json_EmptyString;
    return gc_New<c_JsonString>()->m_new(value);
}

String c_JsonString::ToJson() { return QuoteString(m_value); }

c_JsonNumber *c_JsonNumber::m_new(const String &text) {
    m_text = text;
    return this;
}

c_JsonValue *c_JsonNumber::Create(const String &text) {
    if (text.Length() == 1 && text[0] == u'0') return json_ZeroNumber;
    return gc_New<c_JsonNumber>()->m_new(text);
}

int c_JsonNumber::IntValue() { return m_text.ToInt(); }

String c_JsonNumber::ToJson() { return m_text; }

c_JsonBool *c_JsonBool::m_new(bool value) {
    m_value = value ? 1 : 0;
    return this;
}

c_JsonValue *c_JsonBool::Create(bool value) { return value ? json_True : json_False; }

String c_JsonBool::ToJson() { return m_value ? PieceText(kTrue) : PieceText(kFalse); }

c_JsonValue *c_JsonNull::Instance() { return json_Null; }

String c_JsonNull::ToJson() { return PieceText(kNull); }

c_JsonArray *c_JsonArray::m_new(int length) {
    m_values = Array<c_JsonValue *>(static_cast<int64_t>(length));
    return this;
}

c_JsonArray *c_JsonArray::m_new(const Array<c_JsonValue *> &values) {
    m_values = values;
    return this;
}

void c_JsonArray::PushJson(c_StringStack *buf) {
    WriteLevel level;
    const Array<c_JsonValue *> &values = m_values.get();
    buf->Push(PieceText(kOpenBracket));
    for (int i = 0; i < values.Length(); ++i) {
        if (i > 0) buf->Push(PieceText(kComma));
        c_JsonValue *v = values[i];
        if (v) {
            v->PushJson(buf);
        } else {
            buf->Push(PieceText(kNull));
        }
    }
    buf->Push(PieceText(kCloseBracket));
}

void c_JsonArray::Mark() {
    c_JsonValue::Mark();
    gc_Enqueue(m_values);
}

c_JsonObject *c_JsonObject::m_new() {
    m_members = gc_New<c_StringMap3>()->m_new();
    return this;
}

c_JsonObject *c_JsonObject::m_new(c_StringMap3 *members) {
    m_members = members;
    return this;
}

c_JsonObject *c_JsonObject::m_new(const String &text) {
    c_JsonParser *parser = gc_New<c_JsonParser>()->m_new(text);
    m_members = parser->ParseObject();
    return this;
}

void c_JsonObject::SetItem(const String &key, c_JsonValue *value) { m_members->Set(key, value); }

void c_JsonObject::SetInt(const String &key, int value) {
    SetItem(key, gc_New<c_JsonNumber>()->m_new(String(value)));
}

c_JsonValue *c_JsonObject::Get(const String &key, c_JsonValue *defaultValue) {
    c_Node7 *node = m_members->FindNode(key);
    if (!node) return defaultValue;
    c_JsonValue *v = node->Value();
    return v ? v : json_Null.get();
}

int c_JsonObject::GetInt(const String &key, int defaultValue) {
    if (!m_members->Contains(key)) return defaultValue;
    return Get(key, nullptr)->IntValue();
}

void c_JsonObject::PushJson(c_StringStack *buf) {
    WriteLevel level;
    buf->Push(PieceText(kOpenBrace));
    bool first = true;
    for (c_Node7 *node = m_members->FirstNode(); node; node = node->NextNode()) {
        if (!first) buf->Push(PieceText(kComma));
        first = false;
        buf->Push(QuoteString(node->Key()));
        buf->Push(PieceText(kColon));
        c_JsonValue *v = node->Value();
        if (v) {
            v->PushJson(buf);
        } else {
            buf->Push(PieceText(kNull));
        }
    }
    buf->Push(PieceText(kCloseBrace));
}

void c_JsonObject::Mark() {
    c_JsonValue::Mark();
    gc_Enqueue(m_members);
}

// ---------------------------------------------------------------------------
// Reader

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool WordIs(const String &token, const char16_t *word, int length) {
    if (token.Length() != length) return false;
    for (int i = 0; i < length; ++i)
        if (token[i] != word[i]) return false;
    return true;
}

}  // namespace

c_JsonParser *c_JsonParser::m_new(const String &text) {
    m_text = text;
    Bump();
    return this;
}

int c_JsonParser::PeekChar() { return m_position < m_text.Length() ? m_text[m_position] : 0; }

int c_JsonParser::NextChar() {
    if (m_position >= m_text.Length()) json_ThrowError();
    return m_text[m_position++];
}

bool c_JsonParser::TryChar(int c) {
    if (m_position < m_text.Length() && m_text[m_position] == c) {
        ++m_position;
        return true;
    }
    return false;
}

bool c_JsonParser::SkipDigits() {
    const int start = m_position;
    while (m_position < m_text.Length() && IsDigit(m_text[m_position])) ++m_position;
    return m_position > start;
}

String c_JsonParser::Bump() {
    const int length = m_text.Length();
    while (m_position < length && m_text[m_position] <= 32) ++m_position;
    if (m_position >= length) {
        m_token = String();
        m_tokenType = json_TokenEnd;
        return m_token;
    }
    const int start = m_position;
    const int c = m_text[m_position];
    if (c == '"') {
        ++m_position;
        for (;;) {
            int u = NextChar();
            if (u == '"') break;
            if (u == '\\') NextChar();
        }
        m_tokenType = json_TokenString;
    } else if (c == '-' || IsDigit(c)) {
        TryChar('-');
        const int first = PeekChar();
        if (!IsDigit(first)) json_ThrowError();
        if (first == '0') {
            ++m_position;
        } else {
            SkipDigits();
        }
        if (TryChar('.') && !SkipDigits()) json_ThrowError();
        if (TryChar('e') || TryChar('E')) {
            if (m_position >= length) json_ThrowError();
            if (!TryChar('+')) TryChar('-');
            if (!SkipDigits()) json_ThrowError();
        }
        m_tokenType = json_TokenNumber;
    } else if (IsLetter(c)) {
        while (m_position < length && IsLetter(m_text[m_position])) ++m_position;
        m_tokenType = json_TokenWord;
    } else {
        ++m_position;
        m_tokenType = json_TokenChar;
    }
    m_token = m_text.Slice(start, m_position);
    return m_token;
}

bool c_JsonParser::TryToken(const String &token) {
    if (m_token != token) return false;
    Bump();
    return true;
}

void c_JsonParser::ExpectToken(const String &token) {
    if (m_token != token) json_ThrowError();
    Bump();
}

void c_JsonParser::Expect(char16_t c) {
    if (!TokenIs(c)) json_ThrowError();
    Bump();
}

String c_JsonParser::TakeNumber() {
    if (m_tokenType != json_TokenNumber) json_ThrowError();
    String number = m_token;
    Bump();
    return number;
}

void c_JsonParser::Enter() {
    if (++m_depth > json_MaxDepth) json_ThrowError();
}

c_JsonValue *c_JsonParser::ParseValue() {
    switch (m_tokenType) {
        case json_TokenString:
            return c_JsonString::Create(ParseString());
        case json_TokenNumber:
            return c_JsonNumber::Create(TakeNumber());
        case json_TokenChar:
            if (TokenIs(u'{')) return gc_New<c_JsonObject>()->m_new(ParseObject());
            if (TokenIs(u'[')) return gc_New<c_JsonArray>()->m_new(ParseArray());
            break;
        case json_TokenWord:
            if (WordIs(m_token, u"true", 4)) {
                Bump();
                return json_True;
            }
            if (WordIs(m_token, u"false", 5)) {
                Bump();
                return json_False;
            }
            if (WordIs(m_token, u"null", 4)) {
                Bump();
                return json_Null;
            }
            break;
        default:
            break;
    }
    json_ThrowError();
}

c_StringMap3 *c_JsonParser::ParseObject() {
    Expect(u'{');
    Enter();
    c_StringMap3 *map = gc_New<c_StringMap3>()->m_new();
    if (!TokenIs(u'}')) {
        for (;;) {
            String key = ParseString();
            Expect(u':');
            c_JsonValue *value = ParseValue();
            map->Set(key, value);
            if (!TokenIs(u',')) break;
            Bump();
        }
    }
    Expect(u'}');
    --m_depth;
    return map;
}

Array<c_JsonValue *> c_JsonParser::ParseArray() {
    Expect(u'[');
    Enter();
    if (TokenIs(u']')) {
        Bump();
        --m_depth;
        return Array<c_JsonValue *>();
    }
    c_Stack4 *values = gc_New<c_Stack4>()->m_new();
    for (;;) {
        values->Push(ParseValue());
        if (!TokenIs(u',')) break;
        Bump();
    }
    Expect(u']');
    --m_depth;
    return values->ToArray();
}

String c_JsonParser::ParseString() {
    if (m_tokenType != json_TokenString) json_ThrowError();
    const char16_t *in = m_token.Data() + 1;
    const int n = m_token.Length() - 2;

    // First pass: check every escape and count the decoded units.
    int decoded = 0;
    bool escaped = false;
    for (int i = 0; i < n; ++i, ++decoded) {
        if (in[i] != u'\\') continue;
        escaped = true;
        if (++i >= n) json_ThrowError();
        switch (in[i]) {
            case u'"':
            case u'\\':
            case u'/':
            case u'b':
            case u'f':
            case u'n':
            case u'r':
            case u't':
                break;
            case u'u':
                if (i + 4 >= n) json_ThrowError();
                for (int k = 1; k <= 4; ++k)
                    if (HexValue(in[i + k]) < 0) json_ThrowError();
                i += 4;
                break;
            default:
                json_ThrowError();
        }
    }

    String result;
    if (!escaped) {
        result = m_token.Slice(1, n + 1);
    } else {
        // Second pass: decode into a string of exactly that length.
        String::Rep *r = String::Rep::Alloc(decoded);
        char16_t *out = r->Units();
        for (int i = 0; i < n; ++i) {
            char16_t c = in[i];
            if (c != u'\\') {
                *out++ = c;
                continue;
            }
            switch (in[++i]) {
                case u'b': c = 8; break;
                case u'f': c = 12; break;
                case u'n': c = 10; break;
                case u'r': c = 13; break;
                case u't': c = 9; break;
                case u'u':
                    c = static_cast<char16_t>(HexValue(in[i + 1]) << 12 | HexValue(in[i + 2]) << 8 |
                                              HexValue(in[i + 3]) << 4 | HexValue(in[i + 4]));
                    i += 4;
                    break;
                default: c = in[i]; break;  // '"', '\' and '/' stand for themselves
            }
            *out++ = c;
        }
        result = String::Adopt(r);
    }
    Bump();
    return result;
}

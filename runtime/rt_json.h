// JSON values, the compact writer and the reader.
//
// Values are collected objects: c_JsonString, c_JsonNumber (the number's
// text, never converted on storing), c_JsonBool, c_JsonNull, c_JsonArray
// (an Array<c_JsonValue*>, elements may be null) and c_JsonObject (a
// c_StringMap3 of members, walked in ascending key order). ToJson writes
// compact text: no white space, members by key, numbers as stored, and in
// strings the double quote, the backslash and every unit below 0x20 escaped.
//
// Every error, in the reader and in IntValue of a non-number, is thrown as a
// new c_JsonError by pointer (catch (c_JsonError*)). Reading and writing
// accept at most json_MaxDepth levels of nested arrays and objects.
#pragma once

#include <cstdint>

#include "runtime/rt_map.h"
#include "runtime/rt_object.h"
#include "runtime/rt_stack.h"

// Nesting limit of arrays and objects, for the reader and the writer.
constexpr int json_MaxDepth = 512;

class c_JsonError : public ThrowableObject {
public:
    c_JsonError *m_new() { return this; }
};

// Throws a new c_JsonError.
[[noreturn]] void json_ThrowError();

class c_JsonValue : public Object {
public:
    c_JsonValue *m_new() { return this; }
    // Numbers only; every other class throws a c_JsonError.
    virtual int IntValue();
    // Pushes the value's text onto the stack, piece by piece. The default
    // pushes ToJson().
    virtual void PushJson(c_StringStack *buf);
    // The value's JSON text. The default joins what PushJson pushes.
    virtual String ToJson();
};

class c_JsonString : public c_JsonValue {
public:
    String m_value;

    c_JsonString() {}
    c_JsonString *m_new(const String &value);
    // The shared json_EmptyString for the empty string.
    static c_JsonValue *Create(const String &value);
    String ToJson() override;
};

class c_JsonNumber : public c_JsonValue {
public:
    String m_text;

    c_JsonNumber() {}
    // Stores the text unchanged.
    c_JsonNumber *m_new(const String &text);
    // The shared json_ZeroNumber for exactly "0".
    static c_JsonValue *Create(const String &text);
    // The text read like atoi (leading white space, sign, digits; 0 without
    // digits), saturated to the 32-bit range.
    int IntValue() override;
    String ToJson() override;
};

class c_JsonBool : public c_JsonValue {
public:
    uint8_t m_value;

    c_JsonBool() : m_value(0) {}
    c_JsonBool *m_new(bool value);
    static c_JsonValue *Create(bool value);
    String ToJson() override;
};

class c_JsonNull : public c_JsonValue {
public:
    c_JsonNull *m_new() { return this; }
    static c_JsonValue *Instance();
    String ToJson() override;
};

class c_JsonArray : public c_JsonValue {
public:
    ArrayField<c_JsonValue *> m_values;

    c_JsonArray() {}
    // A new array of `length` nulls (the shared empty array for 0).
    c_JsonArray *m_new(int length);
    // Keeps the given array (not copied).
    c_JsonArray *m_new(const Array<c_JsonValue *> &values);
    void PushJson(c_StringStack *buf) override;
    void Mark() override;
};

class c_JsonObject : public c_JsonValue {
public:
    gc_ref<c_StringMap3> m_members;

    c_JsonObject() {}
    // An empty member map.
    c_JsonObject *m_new();
    // Keeps the given map (not copied).
    c_JsonObject *m_new(c_StringMap3 *members);
    // Reads one object from the text; text after its closing brace is
    // ignored.
    c_JsonObject *m_new(const String &text);

    // Inserts, or replaces the value of an existing key; value may be null.
    void SetItem(const String &key, c_JsonValue *value);
    // SetItem with a new number holding the value in decimal.
    void SetInt(const String &key, int value);
    // The default when absent, json_Null for a null member, else the value.
    c_JsonValue *Get(const String &key, c_JsonValue *defaultValue);
    // The default when absent, else the member's IntValue (a non-number
    // member throws a c_JsonError).
    int GetInt(const String &key, int defaultValue);

    void PushJson(c_StringStack *buf) override;
    void Mark() override;
};

// Token types of the reader.
enum : int {
    json_TokenEnd = 0,
    json_TokenString = 1,
    json_TokenNumber = 2,
    json_TokenChar = 3,
    json_TokenWord = 4,
};

class c_JsonParser : public Object {
public:
    String m_text;
    int m_position;
    String m_token;
    int m_tokenType;
    // Arrays and objects currently open.
    int m_depth;

    c_JsonParser() : m_position(0), m_tokenType(0), m_depth(0) {}
    // Takes the text and reads its first token.
    c_JsonParser *m_new(const String &text);

    // Reads the next token, stores it and its type, returns it.
    String Bump();
    String Token() { return m_token; }
    int TokenType() { return m_tokenType; }
    // Current token equal to `token`: bumps and gives true.
    bool TryToken(const String &token);
    // Current token equal to `token`: bumps; otherwise throws.
    void ExpectToken(const String &token);
    // A number token: returns it and bumps; otherwise throws.
    String TakeNumber();
    // The unit at the position, 0 at the end of the text.
    int PeekChar();
    // The unit at the position, moving on; throws at the end of the text.
    int NextChar();
    // The unit at the position equals `c`: moves on and gives true.
    bool TryChar(int c);
    // Moves over ASCII digits; true when there was at least one.
    bool SkipDigits();

    // One value starting at the current token.
    c_JsonValue *ParseValue();
    // An object's members, from its "{" to its "}".
    c_StringMap3 *ParseObject();
    // An array's elements, from its "[" to its "]".
    Array<c_JsonValue *> ParseArray();
    // Decodes the current string token and bumps.
    String ParseString();

private:
    bool TokenIs(char16_t c) const { return m_token.Length() == 1 && m_token[0] == c; }
    void Expect(char16_t c);
    void Enter();
};

// The shared instances, made by json_InitGlobals.
extern gc_ref<c_JsonString> json_EmptyString;
extern gc_ref<c_JsonNumber> json_ZeroNumber;
extern gc_ref<c_JsonBool> json_True;
extern gc_ref<c_JsonBool> json_False;
extern gc_ref<c_JsonNull> json_Null;

// Makes the shared instances; part of the program's globals initialisation.
void json_InitGlobals();
// Queues the shared instances; part of the program's collector roots.
void json_MarkGlobals();

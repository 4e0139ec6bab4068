// Reference-counted immutable text of UTF-16 units.
//
// A String is one pointer to a Rep (count, length, units). Copying takes a
// reference; assignment takes the new reference before releasing the old.
// Every empty String is the one shared empty Rep, which is never freed.
// Making a Rep adds 8 + 2 * length to gc_NewBytes; freeing one subtracts it.
// Operations hand back an input's Rep (one more reference) whenever the
// result equals that input.
#pragma once

#include <cstdint>
#include <cstdio>

template <class T>
class Array;

class String {
public:
    struct Rep {
        uint32_t count;
        int32_t length;
        char16_t *Units() { return reinterpret_cast<char16_t *>(this + 1); }
        const char16_t *Units() const { return reinterpret_cast<const char16_t *>(this + 1); }
        // A new Rep of n units (count 1, units not filled); n > 0.
        static Rep *Alloc(int64_t n);
        void Retain() { ++count; }
        void Release();
    };
    static_assert(sizeof(Rep) == 8, "string header is 8 bytes");

    // 8-bit copy for calls into C: one byte per unit (its low 8 bits) + NUL.
    class CString {
        struct Block {
            uint32_t count;
            char *Chars() { return reinterpret_cast<char *>(this + 1); }
        };
        Block *block_;

    public:
        explicit CString(const String &s);
        CString(const CString &o);
        CString &operator=(const CString &) = delete;
        ~CString();
        const char *c_str() const { return block_->Chars(); }
        operator const char *() const { return block_->Chars(); }
    };
    // The same with 16-bit units and a terminating 0 unit.
    class WCString {
        struct Block {
            uint32_t count;
            uint32_t pad;
            char16_t *Units() { return reinterpret_cast<char16_t *>(this + 1); }
        };
        Block *block_;

    public:
        explicit WCString(const String &s);
        WCString(const WCString &o);
        WCString &operator=(const WCString &) = delete;
        ~WCString();
        const char16_t *c_str() const { return block_->Units(); }
    };

    static Rep EmptyRep;

    String() : rep_(&EmptyRep) {}
    String(const String &o) : rep_(o.rep_) { rep_->Retain(); }
    String(String &&o) noexcept : rep_(o.rep_) { o.rep_ = &EmptyRep; }
    // Takes over one reference of r (no Retain).
    static String Adopt(Rep *r) { return String(r, 0); }
    String(const char16_t *chars, int64_t length);
    // Convenience for literals: u"text".
    template <size_t N>
    String(const char16_t (&lit)[N]) : String(lit, static_cast<int64_t>(N - 1)) {}
    explicit String(int value);
    // Each byte widened as a signed 8-bit value (0x80..0xFF -> 0xFF80..0xFFFF).
    String(const char *cstr);
    ~String() { rep_->Release(); }

    String &operator=(const String &o) {
        o.rep_->Retain();
        rep_->Release();
        rep_ = o.rep_;
        return *this;
    }
    String &operator=(String &&o) noexcept {
        if (this != &o) {
            rep_->Release();
            rep_ = o.rep_;
            o.rep_ = &EmptyRep;
        }
        return *this;
    }

    static String FromChar(int unit);
    static String FromSpace() { return FromChar(32); }
    String DeepCopy() const;

    int Length() const { return rep_->length; }
    bool Empty() const { return rep_->length == 0; }
    // Unit at i, unchecked: callers keep 0 <= i < Length().
    int operator[](int i) const { return rep_->Units()[i]; }
    const char16_t *Data() const { return rep_->Units(); }
    const Rep *GetRep() const { return rep_; }

    bool operator==(const String &o) const;
    bool operator!=(const String &o) const { return !(*this == o); }
    // First differing unit (unsigned), else length difference.
    int Compare(const String &o) const;

    int Find(const String &sub, int start = 0) const;
    bool StartsWith(const String &prefix) const;
    // Decimal integer like atoi, saturating outside the 32-bit range.
    int ToInt() const;

    String Slice(int from) const { return Slice(from, Length()); }
    String Slice(int from, int to) const;
    String SliceFrom1(int to) const { return Slice(1, to); }
    String Trim() const;
    String ToLower() const;
    String ToUpper() const;
    String Replace(const String &find, const String &replacement) const;
    friend String operator+(const String &a, const String &b);
    // This string is the separator.
    String Join(const Array<String> &items) const;
    Array<String> Split(const String &separator) const;

    CString ToCString() const { return CString(*this); }

    // Text decoding (UTF-16 by byte-order mark, else UTF-8 with fallback).
    static String Load(const unsigned char *bytes, int64_t length);
    static String Load(FILE *stream);

private:
    String(Rep *r, int) : rep_(r) {}
    Rep *rep_;
};

// Null after a successful decode, "Invalid UTF-8" after one that fell back.
extern const char *string_LoadError;

// Writes the string as UTF-8 and a line feed to stdout, then flushes.
void lang_Print(const String &s);
int lang_PrintWrapper(const String &s);

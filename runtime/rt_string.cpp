#include "runtime/rt_string.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "runtime/rt_array.h"
#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"

// Constant-initialised: usable before any static constructor runs.
constinit String::Rep String::EmptyRep = {1, 0};

String::Rep *String::Rep::Alloc(int64_t n) {
    if (n <= 0) return &EmptyRep;
    if (n > 0x3ffffff0) rt_OutOfMemory(static_cast<uint64_t>(n) * 2 + 8);
    uint64_t bytes = 8 + 2 * static_cast<uint64_t>(n);
    Rep *r = static_cast<Rep *>(rt_Malloc(bytes));
    r->count = 1;
    r->length = static_cast<int32_t>(n);
    gc_CountNew(static_cast<int64_t>(bytes));
    return r;
}

void String::Rep::Release() {
    if (--count == 0 && this != &EmptyRep) {
        gc_CountNew(-(8 + 2 * static_cast<int64_t>(length)));
        std::free(this);
    }
}

// A new Rep (or the empty one) holding a copy of the units.
static String::Rep *Copy(const char16_t *chars, int64_t n) {
    if (n <= 0) {
        String::EmptyRep.Retain();
        return &String::EmptyRep;
    }
    String::Rep *r = String::Rep::Alloc(n);
    std::memcpy(r->Units(), chars, static_cast<size_t>(n) * 2);
    return r;
}

String::String(const char16_t *chars, int64_t length) : rep_(Copy(chars, length)) {}

String::String(int value) {
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%i", value);
    Rep *r = Rep::Alloc(n);
    for (int i = 0; i < n; ++i) r->Units()[i] = static_cast<char16_t>(buf[i]);
    rep_ = r;
}

String::String(const char *cstr) {
    size_t n = cstr ? std::strlen(cstr) : 0;
    if (n == 0) {
        EmptyRep.Retain();
        rep_ = &EmptyRep;
        return;
    }
    Rep *r = Rep::Alloc(static_cast<int64_t>(n));
    for (size_t i = 0; i < n; ++i)
        r->Units()[i] = static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(cstr[i])));
    rep_ = r;
}

String String::FromChar(int unit) {
    Rep *r = Rep::Alloc(1);
    r->Units()[0] = static_cast<char16_t>(unit);
    return Adopt(r);
}

String String::DeepCopy() const { return Adopt(Copy(Data(), Length())); }

bool String::operator==(const String &o) const {
    if (rep_ == o.rep_) return true;
    if (rep_->length != o.rep_->length) return false;
    return std::memcmp(Data(), o.Data(), static_cast<size_t>(Length()) * 2) == 0;
}

int String::Compare(const String &o) const {
    int n = Length() < o.Length() ? Length() : o.Length();
    const char16_t *a = Data();
    const char16_t *b = o.Data();
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    return Length() - o.Length();
}

int String::Find(const String &sub, int start) const {
    if (start < 0) start = 0;
    int64_t last = static_cast<int64_t>(Length()) - sub.Length();
    const char16_t *a = Data();
    const char16_t *b = sub.Data();
    size_t bytes = static_cast<size_t>(sub.Length()) * 2;
    for (int64_t i = start; i <= last; ++i)
        if (std::memcmp(a + i, b, bytes) == 0) return static_cast<int>(i);
    return -1;
}

bool String::StartsWith(const String &prefix) const {
    return prefix.Length() <= Length() &&
           std::memcmp(Data(), prefix.Data(), static_cast<size_t>(prefix.Length()) * 2) == 0;
}

int String::ToInt() const {
    // The first 63 units, narrowed to bytes, parsed like atoi but saturating.
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(Data()[i] & 0xff);
    buf[n] = 0;
    const char *p = buf;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

String String::Slice(int from, int to) const {
    int len = Length();
    if (from < 0) {
        from += len;
        if (from < 0) from = 0;
    } else if (from > len) {
        from = len;
    }
    if (to < 0) {
        to += len;
    } else if (to > len) {
        to = len;
    }
    if (from > to) return String();
    if (from == 0 && to == len) return *this;
    return Adopt(Copy(Data() + from, to - from));
}

String String::Trim() const {
    int len = Length();
    const char16_t *u = Data();
    int i = 0, j = len;
    while (i < j && u[i] <= 32) ++i;
    while (j > i && u[j - 1] <= 32) --j;
    if (i == 0 && j == len) return *this;
    return Adopt(Copy(u + i, j - i));
}

template <class Map>
static String MapUnits(const String &s, Map map) {
    int len = s.Length();
    const char16_t *u = s.Data();
    int first = 0;
    while (first < len && static_cast<char16_t>(map(u[first])) == u[first]) ++first;
    if (first == len) return s;
    String::Rep *r = String::Rep::Alloc(len);
    std::memcpy(r->Units(), u, static_cast<size_t>(first) * 2);
    for (int i = first; i < len; ++i) r->Units()[i] = static_cast<char16_t>(map(u[i]));
    return String::Adopt(r);
}

String String::ToLower() const {
    return MapUnits(*this, [](char16_t c) { return std::towlower(static_cast<wint_t>(c)); });
}

String String::ToUpper() const {
    return MapUnits(*this, [](char16_t c) { return std::towupper(static_cast<wint_t>(c)); });
}

String String::Replace(const String &find, const String &replacement) const {
    // An empty search string matches nowhere useful: nothing to replace.
    if (find.Empty()) return *this;
    int64_t count = 0;
    for (int i = Find(find, 0); i >= 0; i = Find(find, i + find.Length())) ++count;
    if (count == 0) return *this;
    int64_t total = Length() + count * (static_cast<int64_t>(replacement.Length()) - find.Length());
    if (total == 0) return String();
    Rep *r = Rep::Alloc(total);
    char16_t *out = r->Units();
    int pos = 0;
    for (int i = Find(find, 0); i >= 0; i = Find(find, pos)) {
        std::memcpy(out, Data() + pos, static_cast<size_t>(i - pos) * 2);
        out += i - pos;
        std::memcpy(out, replacement.Data(), static_cast<size_t>(replacement.Length()) * 2);
        out += replacement.Length();
        pos = i + find.Length();
    }
    std::memcpy(out, Data() + pos, static_cast<size_t>(Length() - pos) * 2);
    return Adopt(r);
}

String operator+(const String &a, const String &b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    String::Rep *r = String::Rep::Alloc(static_cast<int64_t>(a.Length()) + b.Length());
    std::memcpy(r->Units(), a.Data(), static_cast<size_t>(a.Length()) * 2);
    std::memcpy(r->Units() + a.Length(), b.Data(), static_cast<size_t>(b.Length()) * 2);
    return String::Adopt(r);
}

String String::Join(const Array<String> &items) const {
    int n = items.Length();
    if (n == 0) return String();
    if (n == 1) return items[0];
    int64_t total = static_cast<int64_t>(Length()) * (n - 1);
    for (int i = 0; i < n; ++i) total += items[i].Length();
    if (total == 0) return String();
    Rep *r = Rep::Alloc(total);
    char16_t *out = r->Units();
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            std::memcpy(out, Data(), static_cast<size_t>(Length()) * 2);
            out += Length();
        }
        std::memcpy(out, items[i].Data(), static_cast<size_t>(items[i].Length()) * 2);
        out += items[i].Length();
    }
    return Adopt(r);
}

Array<String> String::Split(const String &separator) const {
    if (separator.Empty()) {
        Array<String> units(static_cast<int64_t>(Length()));
        for (int i = 0; i < Length(); ++i) units[i] = FromChar(Data()[i]);
        return units;
    }
    int64_t count = 0;
    for (int i = Find(separator, 0); i >= 0; i = Find(separator, i + separator.Length())) ++count;
    Array<String> pieces(count + 1);
    if (count == 0) {
        pieces[0] = *this;
        return pieces;
    }
    int pos = 0, k = 0;
    for (int i = Find(separator, 0); i >= 0; i = Find(separator, pos)) {
        pieces[k++] = Slice(pos, i);
        pos = i + separator.Length();
    }
    pieces[k] = Slice(pos, Length());
    return pieces;
}

String::CString::CString(const String &s) {
    size_t n = static_cast<size_t>(s.Length());
    block_ = static_cast<Block *>(rt_Malloc(sizeof(Block) + n + 1));
    block_->count = 1;
    char *c = block_->Chars();
    for (size_t i = 0; i < n; ++i) c[i] = static_cast<char>(s.Data()[i] & 0xff);
    c[n] = 0;
}

String::CString::CString(const CString &o) : block_(o.block_) { ++block_->count; }

String::CString::~CString() {
    if (block_->count == 1)
        std::free(block_);
    else
        --block_->count;
}

String::WCString::WCString(const String &s) {
    size_t n = static_cast<size_t>(s.Length());
    block_ = static_cast<Block *>(rt_Malloc(sizeof(Block) + 2 * (n + 1)));
    block_->count = 1;
    std::memcpy(block_->Units(), s.Data(), n * 2);
    block_->Units()[n] = 0;
}

String::WCString::WCString(const WCString &o) : block_(o.block_) { ++block_->count; }

String::WCString::~WCString() {
    if (block_->count == 1)
        std::free(block_);
    else
        --block_->count;
}

void array_ConstructStrings(int count, String *slots) {
    for (int i = 0; i < count; ++i) ::new (&slots[i]) String();
}

void array_CopyConstructStrings(int count, String *target, const String *source) {
    for (int i = 0; i < count; ++i) ::new (&target[i]) String(source[i]);
}

void array_DestroyStrings(int count, String *slots) {
    for (int i = 0; i < count; ++i) slots[i].~String();
}

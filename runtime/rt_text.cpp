// Text decoding (String::Load) and console output (lang_Print).
#include <cstdlib>
#include <cstring>

#include "runtime/rt_error.h"
#include "runtime/rt_string.h"

const char *string_LoadError = nullptr;

namespace {

// A String of one unit per byte, each byte zero-extended.
String WidenBytes(const unsigned char *bytes, int64_t n) {
    if (n <= 0) return String();
    String::Rep *r = String::Rep::Alloc(n);
    char16_t *units = r->Units();
    for (int64_t i = 0; i < n; ++i) units[i] = bytes[i];
    return String::Adopt(r);
}

// UTF-16 units after a two-byte mark; a last odd byte is dropped.
String DecodeUtf16(const unsigned char *bytes, int64_t n, bool bigEndian) {
    const int64_t count = (n - 2) / 2;
    if (count <= 0) return String();
    String::Rep *r = String::Rep::Alloc(count);
    char16_t *units = r->Units();
    const unsigned char *p = bytes + 2;
    for (int64_t i = 0; i < count; ++i, p += 2) {
        unsigned hi = bigEndian ? p[0] : p[1];
        unsigned lo = bigEndian ? p[1] : p[0];
        units[i] = static_cast<char16_t>((hi << 8) | lo);
    }
    return String::Adopt(r);
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The console line buffer, kept for the whole run.
unsigned char *g_printBuffer = nullptr;
size_t g_printCapacity = 0;

void FreePrintBuffer() {
    std::free(g_printBuffer);
    g_printBuffer = nullptr;
    g_printCapacity = 0;
}

}  // namespace

String String::Load(const unsigned char *bytes, int64_t length) {
    string_LoadError = nullptr;
    const int64_t n = length > 0 ? length : 0;

    if (n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return DecodeUtf16(bytes, n, true);
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return DecodeUtf16(bytes, n, false);

    int64_t start = 0;
    if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    if (start == n) return String();

    // Every sequence gives one unit, so n - start units are enough.
    auto *units = static_cast<char16_t *>(rt_Malloc(static_cast<size_t>(n - start) * sizeof(char16_t)));
    int64_t count = 0;
    int64_t i = start;
    bool valid = true;
    while (i < n) {
        unsigned char b = bytes[i];
        if (b < 0x80) {
            units[count++] = b;
            i += 1;
        } else if ((b & 0xE0) == 0xC0) {
            if (n - i < 2 || !IsContinuation(bytes[i + 1])) {
                valid = false;
                break;
            }
            units[count++] = static_cast<char16_t>(((b & 0x1F) << 6) | (bytes[i + 1] & 0x3F));
            i += 2;
        } else if ((b & 0xF0) == 0xE0) {
            if (n - i < 3 || !IsContinuation(bytes[i + 1]) || !IsContinuation(bytes[i + 2])) {
                valid = false;
                break;
            }
            units[count++] = static_cast<char16_t>(((b << 12) & 0xFFFF) | ((bytes[i + 1] & 0x3F) << 6) |
                                                   (bytes[i + 2] & 0x3F));
            i += 3;
        } else {
            // A stray continuation byte, or a lead byte of four or more bytes.
            valid = false;
            break;
        }
    }

    if (!valid) {
        std::free(units);
        string_LoadError = "Invalid UTF-8";
        return WidenBytes(bytes + start, n - start);
    }
    String s = count > 0 ? String(units, count) : String();
    std::free(units);
    return s;
}

String String::Load(FILE *stream) {
    if (!stream) return String();
    unsigned char chunk[4096];
    unsigned char *buffer = nullptr;
    size_t size = 0;
    size_t capacity = 0;
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, stream);
        if (got > 0) {
            if (size + got > capacity) {
                size_t grown = capacity ? capacity * 2 : sizeof chunk;
                while (grown < size + got) grown *= 2;
                buffer = static_cast<unsigned char *>(rt_Realloc(buffer, grown));
                capacity = grown;
            }
            std::memcpy(buffer + size, chunk, got);
            size += got;
        }
        if (got < sizeof chunk) break;
    }
    if (size == 0) {
        std::free(buffer);
        return String();
    }
    String s = Load(buffer, static_cast<int64_t>(size));
    std::free(buffer);
    return s;
}

void lang_Print(const String &s) {
    const int64_t length = s.Length();
    // Three bytes per unit at most, then the line feed and the NUL.
    const size_t need = static_cast<size_t>(length) * 3 + 2;
    if (need > g_printCapacity) {
        if (!g_printBuffer) std::atexit(FreePrintBuffer);
        g_printBuffer = static_cast<unsigned char *>(rt_Realloc(g_printBuffer, need));
        g_printCapacity = need;
    }
    unsigned char *out = g_printBuffer;
    const char16_t *units = s.Data();
    for (int64_t i = 0; i < length; ++i) {
        unsigned u = units[i];
        if (u < 0x80) {
            *out++ = static_cast<unsigned char>(u);
        } else if (u < 0x800) {
            *out++ = static_cast<unsigned char>(0xC0 | (u >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            *out++ = static_cast<unsigned char>(0xE0 | (u >> 12));
            *out++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
    }
    *out++ = '\n';
    *out = 0;
    std::fputs(reinterpret_cast<const char *>(g_printBuffer), stdout);
    std::fflush(stdout);
}

int lang_PrintWrapper(const String &s) {
    lang_Print(s);
    return 0;
}

// The host object's file and system services: data paths, opening and
// loading files, images, the state file and the date.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_image.h"
#include "host/platform/hx_platform.h"

namespace {
const String kStateFile(u"./.zentrovastate");

void PutUnit(std::string &out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool HasPrefix(const std::string &s, const char *prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }
}  // namespace

std::string host_ToUtf8(const String &s) {
    std::string out;
    out.reserve(static_cast<size_t>(s.Length()));
    const int n = s.Length();
    for (int i = 0; i < n; ++i) {
        unsigned c = static_cast<unsigned>(s[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
            unsigned lo = static_cast<unsigned>(s[i + 1]);
            if (lo >= 0xDC00 && lo < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        // A lone 0xDC80 to 0xDCFF stands for a byte of a file name that
        // is not UTF-8 (host_FromFileName): the byte itself again.
        if (c >= 0xDC80 && c <= 0xDCFF)
            out += static_cast<char>(c - 0xDC00);
        else
            PutUnit(out, c);
    }
    return out;
}

String host_FromFileName(const std::string &bytes) {
    const size_t n = bytes.size();
    std::u16string units;
    units.reserve(n);
    size_t i = 0;
    while (i < n) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        // Only the shortest form of a character other than a surrogate
        // comes back from host_ToUtf8 as the same bytes.
        const size_t len = b < 0x80                 ? 1
                           : b >= 0xC2 && b <= 0xDF ? 2
                           : b >= 0xE0 && b <= 0xEF ? 3
                           : b >= 0xF0 && b <= 0xF4 ? 4
                                                    : 0;
        unsigned c = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        bool ok = len > 0 && n - i >= len;
        for (size_t k = 1; ok && k < len; ++k) {
            const unsigned next = static_cast<unsigned char>(bytes[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (ok && len == 3) ok = c >= 0x800 && (c < 0xD800 || c > 0xDFFF);
        if (ok && len == 4) ok = c >= 0x10000 && c <= 0x10FFFF;
        if (!ok) {
            units += static_cast<char16_t>(0xDC00 + b);
            i += 1;
        } else if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            i += len;
        } else {
            units += static_cast<char16_t>(c);
            i += len;
        }
    }
    return units.empty() ? String() : String(units.data(), static_cast<int64_t>(units.size()));
}

std::string host_EncodeStateUnits(const String &s) {
    std::string out;
    out.reserve(static_cast<size_t>(s.Length()));
    for (int i = 0; i < s.Length(); ++i) PutUnit(out, static_cast<unsigned>(s[i]));
    return out;
}

String host_FromUtf8(const std::string &s) {
    if (s.empty()) return String();
    return String::Load(reinterpret_cast<const unsigned char *>(s.data()), static_cast<int64_t>(s.size()));
}

String app_FixDataPath(String path) {
    int scheme = path.Find(String(u":/"));
    if (scheme >= 0 && path.Find(String(u"/")) == scheme + 1) return path;
    if (path.StartsWith(String(u"./")) || path.StartsWith(String(u"/"))) return path;
    return String(u"zentrova://data/") + path;
}

String host_MapDataPath(String path, String appFolder) {
    if (!path.StartsWith(String(u"zentrova:"))) return path;
    if (path.StartsWith(String(u"zentrova://data/"))) return appFolder + String(u"/data/") + path.Slice(16);
    if (path.StartsWith(String(u"zentrova://internal/"))) return appFolder + String(u"/internal/") + path.Slice(20);
    if (path.StartsWith(String(u"zentrova://external/"))) return appFolder + String(u"/external/") + path.Slice(20);
    return String();
}

std::string host_ExecutableFolder() {
    std::string exe = platform_ExecutablePath();
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) std::abort();
    return exe.substr(0, slash);
}

std::string host_MapDataPathUtf8(const std::string &path, const std::string &appFolder) {
    if (!HasPrefix(path, "zentrova:")) return path;
    if (HasPrefix(path, "zentrova://data/")) return appFolder + "/data/" + path.substr(16);
    if (HasPrefix(path, "zentrova://internal/")) return appFolder + "/internal/" + path.substr(20);
    if (HasPrefix(path, "zentrova://external/")) return appFolder + "/external/" + path.substr(20);
    return std::string();
}

unsigned char *host_ReadWholeFile(FILE *f, int *length) {
    // Chunks of 4096 bytes gathered into one growing block. The total is
    // checked in 64 bits against the signed 32-bit length that a data
    // buffer holds, every allocation is checked, and a read error fails
    // the load rather than returning part of the file.
    unsigned char chunk[4096];
    unsigned char *block = nullptr;
    size_t size = 0, capacity = 0;
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, f);
        if (got > 0) {
            if (size + got > static_cast<size_t>(INT32_MAX)) break;
            if (size + got > capacity) {
                size_t grown = capacity ? capacity * 2 : sizeof chunk;
                while (grown < size + got) grown *= 2;
                if (grown > static_cast<size_t>(INT32_MAX)) grown = INT32_MAX;
                unsigned char *larger = static_cast<unsigned char *>(std::realloc(block, grown));
                if (!larger) break;
                block = larger;
                capacity = grown;
            }
            std::memcpy(block + size, chunk, got);
            size += got;
        }
        if (got < sizeof chunk) {
            if (std::ferror(f)) break;
            // An empty file still gives a block (of length 0).
            if (!block) block = static_cast<unsigned char *>(std::malloc(1));
            if (!block) return nullptr;
            *length = static_cast<int>(size);
            gc_AddExternalBytes(static_cast<int32_t>(size));
            return block;
        }
    }
    std::free(block);
    return nullptr;
}

// ---------------------------------------------------------------------------

FILE *HxGame::OpenFile(String path, String mode) {
    String mapped = PathToFilePath(path);
    if (mapped.Empty()) return nullptr;
    return platform_OpenFile(host_ToUtf8(mapped).c_str(), host_ToUtf8(mode).c_str());
}

String HxGame::LoadString(String path) {
    FILE *f = OpenFile(path, String(u"rb"));
    if (!f) return String();
    String text = String::Load(f);
    std::fclose(f);
    return text;
}

std::string host_StateFilePath() { return host_ToUtf8(kStateFile); }

bool host_CopyFile(const std::string &from, const std::string &to) {
    FILE *f = platform_OpenFile(from.c_str(), "rb");
    if (!f) return false;
    int length = 0;
    unsigned char *bytes = host_ReadWholeFile(f, &length);
    std::fclose(f);
    if (!bytes) return false;
    bool copied = platform_ReplaceFile(to.c_str(), bytes, static_cast<size_t>(length)) == 0;
    std::free(bytes);
    return copied;
}

String HxGame::LoadState() { return LoadString(kStateFile); }

int HxGame::SaveState(String state) {
    String mapped = PathToFilePath(kStateFile);
    if (mapped.Empty()) return -1;
    std::string bytes = host_EncodeStateUnits(state);
    const std::string file = host_ToUtf8(mapped);
    const int result = platform_ReplaceFile(file.c_str(), bytes.data(), bytes.size());
    // A save killed before its rename left its temporary file behind.
    platform_RemoveStaleReplaceFiles(file.c_str());
    return result;
}

unsigned char *HxGame::LoadData(String path, int *length) {
    FILE *f = OpenFile(path, String(u"rb"));
    if (!f) return nullptr;
    unsigned char *block = host_ReadWholeFile(f, length);
    std::fclose(f);
    return block;
}

void HxGame::GetDate(Array<int> date) {
    const int n = date.Length();
    if (n < 1) return;
    platform_DateTime t = platform_LocalTime();
    const int values[7] = {t.year, t.month, t.day, t.hour, t.minute, t.second, 0};
    for (int i = 0; i < n && i < 7; ++i) date[i] = values[i];
}

// ---------------------------------------------------------------------------

String HxGlfwGame::PathToFilePath(String path) {
    // The folder's bytes as the system gave them, whatever they are: a
    // name read by the text rules could name another folder.
    if (appFolder.Empty()) appFolder = host_FromFileName(host_ExecutableFolder());
    if (!path.StartsWith(String(u"zentrova:"))) return path;
    if (path.StartsWith(String(u"zentrova://internal/"))) {
        if (internalFolder.Empty()) internalFolder = appFolder + String(u"/internal");
        return internalFolder + String(u"/") + path.Slice(20);
    }
    return host_MapDataPath(path, appFolder);
}

unsigned char *HxGlfwGame::LoadImageData(String path, int *width, int *height, int *depth) {
    FILE *f = OpenFile(path, String(u"rb"));
    if (!f) return nullptr;
    int w = 0, h = 0, d = 0;
    unsigned char *pixels = host_DecodeImage(f, &w, &h, &d);
    std::fclose(f);
    if (!pixels) {
        std::fputs("HxGlfwGame->data=null  ", stdout);
        std::fflush(stdout);
        return nullptr;
    }
    const int64_t bytes = static_cast<int64_t>(w) * h * d;
    *width = w;
    *height = h;
    *depth = d;
    gc_AddExternalBytes(static_cast<int32_t>(bytes));
    return pixels;
}

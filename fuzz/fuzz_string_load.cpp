// Feeds arbitrary bytes to the text decoder and checks the shape of the
// result: the unit count follows from the form the bytes were read as.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/rt_string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int64_t n = static_cast<int64_t>(size);
    String s = String::Load(data, n);
    const int64_t length = s.Length();

    const bool utf16 = n >= 2 && ((data[0] == 0xFE && data[1] == 0xFF) || (data[0] == 0xFF && data[1] == 0xFE));
    const int64_t start = !utf16 && n >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;

    if (length < 0) std::abort();
    if (utf16) {
        if (string_LoadError || length != (n - 2) / 2) std::abort();
    } else if (string_LoadError) {
        // One unit per byte behind a skipped mark, each byte zero-extended.
        if (std::strcmp(string_LoadError, "Invalid UTF-8") != 0 || length != n - start) std::abort();
        for (int64_t i = 0; i < length; ++i)
            if (s[static_cast<int>(i)] != data[start + i]) std::abort();
    } else {
        // Every sequence is one to three bytes and gives one unit, and no
        // byte of 0xF0 or above (a lead of four bytes or more) is in any.
        if (length > n - start || length * 3 < n - start) std::abort();
        for (int64_t i = start; i < n; ++i)
            if (data[i] >= 0xF0) std::abort();
    }
    if (length == 0 && s.GetRep() != &String::EmptyRep) std::abort();
    return 0;
}

// Feeds arbitrary bytes, decoded as a text file is, to the JSON reader.
// Every input must either read or throw c_JsonError; a value that reads must
// write compact text that reads back to the very same text.
#include <cstddef>
#include <cstdint>

#include "runtime/rt_json.h"

namespace {

bool g_ready = false;

void Setup() {
    gc_InitLists();
    json_InitGlobals();
    gc_SetRoots(json_MarkGlobals);
    g_ready = true;
}

// Drops everything the last input made.
void Collect() {
    gc_MarkGlobals();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!g_ready) Setup();
    String text = String::Load(data, static_cast<int64_t>(size));
    try {
        c_JsonParser *parser = gc_New<c_JsonParser>()->m_new(text);
        c_JsonValue *value = parser->ParseValue();
        String written = value->ToJson();
        c_JsonParser *again = gc_New<c_JsonParser>()->m_new(written);
        c_JsonValue *reread = again->ParseValue();
        if (again->TokenType() != json_TokenEnd) __builtin_trap();
        if (reread->ToJson() != written) __builtin_trap();
    } catch (c_JsonError *) {
    }
    // The object initialiser reads the same text its own way.
    try {
        gc_New<c_JsonObject>()->m_new(text)->ToJson();
    } catch (c_JsonError *) {
    }
    Collect();
    return 0;
}

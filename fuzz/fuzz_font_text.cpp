// Feeds arbitrary bytes, decoded as a text file is, to the bitmap-font text
// reader. Whatever the text says, what the reader keeps stays in proportion
// to it: no more page slots than the text could fill, no more glyphs than
// lines, no page name longer than the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/hx_fontfile.h"
#include "runtime/rt_gc.h"

namespace {

bool g_ready = false;

void NoRoots() {}

void Setup() {
    gc_InitLists();
    gc_SetRoots(NoRoots);
    g_ready = true;
}

// Drops everything the last input made.
void Collect() {
    gc_MarkGlobals();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
}

void Check(const String &text) {
    const FontFile font = host_ParseFontText(String(u"fonts/f.txt"), text);
    const size_t units = static_cast<size_t>(text.Length());
    size_t lines = 1;
    for (size_t i = 0; i < units; ++i) lines += text[static_cast<int>(i)] == u'\n';
    if (font.pageCount < 0) std::abort();
    if (font.pageFiles.size() > static_cast<size_t>(font.pageCount) || font.pageFiles.size() > units / 5)
        std::abort();
    for (const String &name : font.pageFiles)
        if (static_cast<size_t>(name.Length()) > units) std::abort();
    if (font.glyphs.size() > lines) std::abort();
    if (!(font.folder == String(u"fonts/"))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!g_ready) Setup();
    Check(String::Load(data, static_cast<int64_t>(size)));
    Collect();
    return 0;
}

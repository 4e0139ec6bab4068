// Writing and reading the progress record: one object of seven integers.
#include <benchmark/benchmark.h>

#include "runtime/rt_json.h"

namespace {

const char16_t *const kKeys[] = {u"lvlcampaign", u"lvlopenworld", u"coins", u"cnthealing",
                                 u"cntbighealing", u"cntinvulnerability", u"cntrevive"};
const int kValues[] = {12, 7, 123456, 3, 1, 2, 0};

String Key(int i) {
    int n = 0;
    while (kKeys[i][n]) ++n;
    return String(kKeys[i], n);
}

void Setup() {
    static bool ready = false;
    if (ready) return;
    json_InitGlobals();
    gc_SetRoots(json_MarkGlobals);
    ready = true;
}

// A full collection now and then keeps the heap at its steady size; its
// cost is part of what is measured.
void CollectSometimes(int64_t iteration) {
    if ((iteration & 255) == 255) {
        gc_MarkGlobals();
        gc_CollectAll();
        gc_Reclaim(INT32_MAX);
    }
}

String WriteRecord(const String *keys) {
    c_JsonObject *record = gc_New<c_JsonObject>()->m_new();
    for (int i = 0; i < 7; ++i) record->SetInt(keys[i], kValues[i]);
    return record->ToJson();
}

void BM_ProgressWrite(benchmark::State &state) {
    Setup();
    String keys[7];
    for (int i = 0; i < 7; ++i) keys[i] = Key(i);
    int64_t n = 0;
    for (auto _ : state) {
        String text = WriteRecord(keys);
        benchmark::DoNotOptimize(text.Data());
        CollectSometimes(n++);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProgressWrite);

void BM_ProgressRead(benchmark::State &state) {
    Setup();
    String keys[7];
    for (int i = 0; i < 7; ++i) keys[i] = Key(i);
    String text = WriteRecord(keys);
    int64_t n = 0;
    for (auto _ : state) {
        c_JsonParser *parser = gc_New<c_JsonParser>()->m_new(text);
        auto *record = static_cast<c_JsonObject *>(parser->ParseValue());
        int sum = 0;
        for (int i = 0; i < 7; ++i) sum += record->GetInt(keys[i], 0);
        benchmark::DoNotOptimize(sum);
        CollectSometimes(n++);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * text.Length() * 2);
}
BENCHMARK(BM_ProgressRead);

}  // namespace

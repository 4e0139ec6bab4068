// Ordered-map insertion and lookup against std::map, int and String keys,
// the same key sets in the same order for both.
//
//   ./bench_map --benchmark_filter=Int/1000
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "runtime/rt_map.h"

namespace {

using IntMap = KeyedMap<int32_t, Object *, kMapFindNode | kMapSet>;  // int keys, object values
using StrMap = c_StringMap4;                                        // String keys, float values

struct StringLess {
    bool operator()(const String &a, const String &b) const { return a.Compare(b) < 0; }
};

// Distinct random keys in random order; the String keys are their decimal text.
const std::vector<int32_t> &IntKeys(int n) {
    static std::map<int, std::vector<int32_t>> cache;
    auto &keys = cache[n];
    if (keys.empty()) {
        std::mt19937 rng(12345);
        std::map<int32_t, bool> seen;
        while (static_cast<int>(keys.size()) < n) {
            int32_t k = static_cast<int32_t>(rng());
            if (seen.emplace(k, true).second) keys.push_back(k);
        }
    }
    return keys;
}
const std::vector<String> &StringKeys(int n) {
    static std::map<int, std::vector<String>> cache;
    auto &keys = cache[n];
    if (keys.empty())
        for (int32_t k : IntKeys(n)) keys.push_back(String("key/") + String(k));
    return keys;
}
// The same keys in another order, for lookups.
template <class K>
std::vector<K> Shuffled(const std::vector<K> &keys) {
    std::vector<K> out = keys;
    std::mt19937 rng(777);
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// Nothing is rooted here: two full collections and a reclaim destroy every
// map the benchmark made.
void DropAll() {
    gc_SetRoots(nullptr);
    gc_CollectAll();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
}

void BM_MapInsertInt(benchmark::State &state) {
    const auto &keys = IntKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        IntMap *m = gc_New<IntMap>()->m_new();
        for (int32_t k : keys) m->Set(k, nullptr);
        benchmark::DoNotOptimize(m->root.get());
        state.PauseTiming();
        DropAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_StdMapInsertInt(benchmark::State &state) {
    const auto &keys = IntKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto *m = new std::map<int32_t, Object *>();
        for (int32_t k : keys) (*m)[k] = nullptr;
        benchmark::DoNotOptimize(m->size());
        state.PauseTiming();
        delete m;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_MapLookupInt(benchmark::State &state) {
    const auto &keys = IntKeys(static_cast<int>(state.range(0)));
    const auto probes = Shuffled(keys);
    IntMap *m = gc_New<IntMap>()->m_new();
    for (int32_t k : keys) m->Set(k, nullptr);
    for (auto _ : state)
        for (int32_t k : probes) benchmark::DoNotOptimize(m->FindNode(k));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(probes.size()));
    DropAll();
}

void BM_StdMapLookupInt(benchmark::State &state) {
    const auto &keys = IntKeys(static_cast<int>(state.range(0)));
    const auto probes = Shuffled(keys);
    std::map<int32_t, Object *> m;
    for (int32_t k : keys) m[k] = nullptr;
    for (auto _ : state)
        for (int32_t k : probes) benchmark::DoNotOptimize(m.find(k));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(probes.size()));
}

void BM_MapInsertString(benchmark::State &state) {
    const auto &keys = StringKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        StrMap *m = gc_New<StrMap>()->m_new();
        for (const String &k : keys) m->Set(k, 1.0f);
        benchmark::DoNotOptimize(m->root.get());
        state.PauseTiming();
        DropAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_StdMapInsertString(benchmark::State &state) {
    const auto &keys = StringKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto *m = new std::map<String, float, StringLess>();
        for (const String &k : keys) (*m)[k] = 1.0f;
        benchmark::DoNotOptimize(m->size());
        state.PauseTiming();
        delete m;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_MapLookupString(benchmark::State &state) {
    const auto &keys = StringKeys(static_cast<int>(state.range(0)));
    const auto probes = Shuffled(keys);
    StrMap *m = gc_New<StrMap>()->m_new();
    for (const String &k : keys) m->Set(k, 1.0f);
    for (auto _ : state)
        for (const String &k : probes) benchmark::DoNotOptimize(m->FindNode(k));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(probes.size()));
    DropAll();
}

void BM_StdMapLookupString(benchmark::State &state) {
    const auto &keys = StringKeys(static_cast<int>(state.range(0)));
    const auto probes = Shuffled(keys);
    std::map<String, float, StringLess> m;
    for (const String &k : keys) m[k] = 1.0f;
    for (auto _ : state)
        for (const String &k : probes) benchmark::DoNotOptimize(m.find(k));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(probes.size()));
}

}  // namespace

BENCHMARK(BM_MapInsertInt)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMapInsertInt)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MapLookupInt)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMapLookupInt)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MapInsertString)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMapInsertString)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MapLookupString)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdMapLookupString)->Arg(1000)->Arg(100000);

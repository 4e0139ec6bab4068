// Strings against std::u16string doing the same work: building a text by
// repeated concatenation, joining two medium strings, and comparing.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/rt_string.h"

namespace {

std::u16string Text(int n, char16_t first) {
    std::u16string t;
    for (int i = 0; i < n; ++i) t += static_cast<char16_t>(first + i % 26);
    return t;
}

String Ours(const std::u16string &t) { return String(t.data(), static_cast<int64_t>(t.size())); }

// s = s + piece, `range(0)` times: every step copies the text built so far.
void BM_ConcatRepeated_String(benchmark::State &state) {
    const String piece = Ours(Text(8, u'a'));
    const int steps = static_cast<int>(state.range(0));
    for (auto _ : state) {
        String s;
        for (int i = 0; i < steps; ++i) s = s + piece;
        benchmark::DoNotOptimize(s.Data());
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_ConcatRepeated_String)->Arg(16)->Arg(256);

void BM_ConcatRepeated_Std(benchmark::State &state) {
    const std::u16string piece = Text(8, u'a');
    const int steps = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::u16string s;
        for (int i = 0; i < steps; ++i) s = s + piece;
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_ConcatRepeated_Std)->Arg(16)->Arg(256);

// a + b of two strings of `range(0)` units each.
void BM_ConcatMedium_String(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    String a = Ours(Text(n, u'a')), b = Ours(Text(n, u'A'));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.Data());
        String r = a + b;
        benchmark::DoNotOptimize(r.Data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConcatMedium_String)->Arg(64)->Arg(256);

void BM_ConcatMedium_Std(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    std::u16string a = Text(n, u'a'), b = Text(n, u'A');
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        std::u16string r = a + b;
        benchmark::DoNotOptimize(r.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConcatMedium_Std)->Arg(64)->Arg(256);

// Equal texts in two separate representations, so == reads every unit.
void BM_Equal_String(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    String a = Ours(Text(n, u'a')), b = Ours(Text(n, u'a'));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.Data());
        benchmark::DoNotOptimize(b.Data());
        bool same = a == b;
        benchmark::DoNotOptimize(same);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Equal_String)->Arg(64)->Arg(256);

void BM_Equal_Std(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    std::u16string a = Text(n, u'a'), b = Text(n, u'a');
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
        bool same = a == b;
        benchmark::DoNotOptimize(same);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Equal_Std)->Arg(64)->Arg(256);

// Ordering of two texts that differ only in their last unit.
void BM_Compare_String(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    std::u16string t = Text(n, u'a');
    String a = Ours(t);
    t.back() = u'~';
    String b = Ours(t);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.Data());
        benchmark::DoNotOptimize(b.Data());
        int order = a.Compare(b);
        benchmark::DoNotOptimize(order);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compare_String)->Arg(64)->Arg(256);

void BM_Compare_Std(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    std::u16string a = Text(n, u'a');
    std::u16string b = a;
    b.back() = u'~';
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
        int order = a.compare(b);
        benchmark::DoNotOptimize(order);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compare_Std)->Arg(64)->Arg(256);

}  // namespace

// Small-object allocation and collection against plain new/delete.
//
// One benchmark iteration is one host event: the event allocates short-lived
// objects, linked into short chains as translated code links them (through
// the write barrier), and ends with one collector step, as the host does
// after every event. The plain variant allocates objects of the same size
// and layout with new and deletes them at the end of the event.
//
// In the steady state nearly every collected allocation first destroys one
// object that the last full collection found unreachable, some 8 MB of
// allocations ago; loading that object's cold header is most of the time
// an allocation takes, so fewer instructions on the allocation path barely
// move these figures.
#include <benchmark/benchmark.h>

#include <climits>
#include <vector>

#include "runtime/rt_object.h"

namespace {

class c_BenchNode : public Object {
public:
    gc_ref<c_BenchNode> m_left;
    gc_ref<c_BenchNode> m_right;
    int m_value;

    c_BenchNode() : m_left(), m_right(), m_value(0) {}
    c_BenchNode *m_new(int value, c_BenchNode *left) {
        m_value = value;
        m_left = left;
        return this;
    }
    void Mark() override {
        gc_Enqueue(m_left);
        gc_Enqueue(m_right);
    }
};

// The same footprint without a collector: the header words are kept so that
// both variants move the same number of bytes.
struct PlainNode {
    virtual ~PlainNode() {}
    void *link[2] = {nullptr, nullptr};
    uint32_t flags = 0;
    PlainNode *left = nullptr;
    PlainNode *right = nullptr;
    int value = 0;

    PlainNode(int v, PlainNode *l) : left(l), value(v) {}
};
static_assert(sizeof(PlainNode) == sizeof(c_BenchNode), "same object size");

constexpr int kChain = 4;

// The rooted live set: one global holding a complete binary tree.
gc_ref<c_BenchNode> g_liveRoot;
void MarkBenchGlobals() { gc_Enqueue(g_liveRoot); }

// Destroys every collected object so that each benchmark starts empty.
void ResetCollector() {
    gc_SetRoots(nullptr);
    g_liveRoot = gc_ref<c_BenchNode>();
    gc_CollectAll();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
    gc_NewBytes = 0;
}

void GarbageEvent(int count) {
    c_BenchNode *prev = nullptr;
    for (int i = 0; i < count; ++i) {
        c_BenchNode *n = gc_New<c_BenchNode>()->m_new(i, i % kChain ? prev : nullptr);
        benchmark::DoNotOptimize(n);
        prev = n;
    }
}

void PlainGarbageEvent(int count, std::vector<PlainNode *> &made) {
    PlainNode *prev = nullptr;
    for (int i = 0; i < count; ++i) {
        PlainNode *n = new PlainNode(i, i % kChain ? prev : nullptr);
        benchmark::DoNotOptimize(n);
        made.push_back(n);
        prev = n;
    }
    for (PlainNode *n : made) delete n;
    made.clear();
}

// `range(0)` short-lived objects per event, then one collector step.
void BM_GcGarbage(benchmark::State &state) {
    ResetCollector();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        GarbageEvent(count);
        gc_Collect();
    }
    state.SetItemsProcessed(state.iterations() * count);
    ResetCollector();
}
BENCHMARK(BM_GcGarbage)->Arg(64)->Arg(1024);

void BM_NewDeleteGarbage(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<PlainNode *> made;
    made.reserve(static_cast<size_t>(count));
    for (auto _ : state) PlainGarbageEvent(count, made);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_NewDeleteGarbage)->Arg(64)->Arg(1024);

constexpr int kEventGarbage = 256;

// A tree of `size` nodes; `parents` receives the nodes whose children are
// leaves, where each event replaces one leaf.
template <class Node, class MakeFn, class LinkFn>
Node *BuildTree(int size, MakeFn make, LinkFn link, std::vector<Node *> &parents) {
    std::vector<Node *> nodes;
    nodes.reserve(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) nodes.push_back(make(i));
    for (int i = 1; i < size; ++i) link(nodes[static_cast<size_t>((i - 1) / 2)], nodes[static_cast<size_t>(i)], i % 2);
    for (int i = 0; 2 * i + 1 < size; ++i)
        if (4 * i + 3 >= size) parents.push_back(nodes[static_cast<size_t>(i)]);
    return nodes[0];
}

// A live set of `range(0)` objects reachable from a root, one leaf replaced
// per event, plus short-lived garbage, then one collector step.
void BM_GcLiveSet(benchmark::State &state) {
    ResetCollector();
    const int size = static_cast<int>(state.range(0));
    std::vector<c_BenchNode *> parents;
    g_liveRoot = BuildTree<c_BenchNode>(
        size, [](int i) { return gc_New<c_BenchNode>()->m_new(i, nullptr); },
        [](c_BenchNode *parent, c_BenchNode *child, int left) {
            if (left) parent->m_left = child;
            else parent->m_right = child;
        },
        parents);
    gc_SetRoots(MarkBenchGlobals);
    gc_MarkGlobals();
    size_t next = 0;
    for (auto _ : state) {
        c_BenchNode *parent = parents[next];
        next = (next + 1) % parents.size();
        parent->m_left = gc_New<c_BenchNode>()->m_new(-1, nullptr);
        GarbageEvent(kEventGarbage);
        gc_Collect();
    }
    state.SetItemsProcessed(state.iterations() * (kEventGarbage + 1));
    ResetCollector();
}
BENCHMARK(BM_GcLiveSet)->Arg(1 << 10)->Arg(1 << 14)->Arg(1 << 17);

void BM_NewDeleteLiveSet(benchmark::State &state) {
    const int size = static_cast<int>(state.range(0));
    std::vector<PlainNode *> parents;
    PlainNode *root = BuildTree<PlainNode>(
        size, [](int i) { return new PlainNode(i, nullptr); },
        [](PlainNode *parent, PlainNode *child, int left) {
            if (left) parent->left = child;
            else parent->right = child;
        },
        parents);
    std::vector<PlainNode *> made;
    made.reserve(kEventGarbage);
    size_t next = 0;
    for (auto _ : state) {
        PlainNode *parent = parents[next];
        next = (next + 1) % parents.size();
        delete parent->left;
        parent->left = new PlainNode(-1, nullptr);
        PlainGarbageEvent(kEventGarbage, made);
    }
    state.SetItemsProcessed(state.iterations() * (kEventGarbage + 1));
    // Tear the tree down.
    std::vector<PlainNode *> stack{root};
    while (!stack.empty()) {
        PlainNode *n = stack.back();
        stack.pop_back();
        if (n->left) stack.push_back(n->left);
        if (n->right) stack.push_back(n->right);
        delete n;
    }
}
BENCHMARK(BM_NewDeleteLiveSet)->Arg(1 << 10)->Arg(1 << 14)->Arg(1 << 17);

}  // namespace

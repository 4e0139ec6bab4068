#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "runtime/rt_map.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// The named instances: map class, concrete class and node class of each row.
template <class Map, class Concrete, class Node>
constexpr bool kRow = std::is_base_of_v<Map, Concrete> && std::is_same_v<typename Concrete::Node, Node> &&
                      std::is_abstract_v<Map> && !std::is_abstract_v<Concrete>;
static_assert(kRow<c_Map, c_IntMap, c_Node>);
static_assert(kRow<c_Map2, c_IntMap2, c_Node2>);
static_assert(kRow<c_Map3, c_StringMap, c_Node3>);
static_assert(kRow<c_Map4, c_IntMap3, c_Node4>);
static_assert(kRow<c_Map5, c_IntMap4, c_Node5>);
static_assert(kRow<c_Map6, c_StringMap2, c_Node6>);
static_assert(kRow<c_Map7, c_StringMap3, c_Node7>);
static_assert(kRow<c_Map8, c_StringMap4, c_Node8>);
static_assert(kRow<c_Map9, c_StringMap5, c_Node9>);
static_assert(std::is_same_v<decltype(std::declval<c_Map3 &>().Keys()), c_MapKeys *>);
static_assert(std::is_same_v<decltype(std::declval<c_MapKeys &>().ObjectEnumerator()), c_KeyEnumerator *>);
static_assert(std::is_same_v<decltype(std::declval<c_Map6 &>().ObjectEnumerator()), c_NodeEnumerator *>);
static_assert(std::is_same_v<decltype(std::declval<c_Map7 &>().ObjectEnumerator()), c_NodeEnumerator2 *>);

// The body under test with every operation; the named instances share it.
constexpr unsigned kAllOps = (1u << 12) - 1;
using IntMap = KeyedMap<int32_t, float, kAllOps>;
using StrMap = KeyedMap<String, float, kAllOps>;
using ObjMap = KeyedMap<String, Object *, kMap7Ops>;  // c_StringMap3's operations over plain objects

String S(const std::u16string &s) { return String(s.data(), static_cast<int64_t>(s.size())); }
std::u16string U(const String &s) { return std::u16string(s.Data(), static_cast<size_t>(s.Length())); }

// Red-black invariants: colours -1/1, parent links, no red child of a red
// node, equal black height. Returns the black height or -1.
template <class Node>
int BlackHeight(Node *n, Node *parent, size_t *count, std::string *error) {
    if (!n) return 1;
    ++*count;
    if (n->parent.get() != parent) *error = "parent link";
    if (n->colour != kMapRed && n->colour != kMapBlack) *error = "colour value";
    if (n->colour == kMapRed && parent && parent->colour == kMapRed) *error = "red child of a red node";
    int l = BlackHeight<Node>(n->left, n, count, error);
    int r = BlackHeight<Node>(n->right, n, count, error);
    if (l != r) *error = "black heights differ";
    return l + (n->colour == kMapBlack ? 1 : 0);
}

// A map of one entry keeps its red root; every larger one has a black root.
template <class Map>
std::string CheckTree(Map *m, size_t size) {
    auto *root = m->root.get();
    if (!root) return size == 0 ? "" : "no root";
    if (root->parent) return "root has a parent";
    if (root->colour != (size == 1 ? kMapRed : kMapBlack)) return "root colour";
    std::string error;
    size_t count = 0;
    BlackHeight(root, decltype(root)(nullptr), &count, &error);
    if (count != size) return "node count";
    return error;
}

// In-order walk of the tree through the successor links.
template <class Map, class Model, class Conv>
void ExpectSameContents(Map *m, const Model &model, Conv conv) {
    auto *n = Map::Node::Leftmost(m->root);
    for (const auto &[key, value] : model) {
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(conv(n->key), key);
        EXPECT_EQ(n->value, value);
        n = Map::Node::Successor(n);
    }
    EXPECT_EQ(n, nullptr);
}

// Random Set (insert or replace) and Add against std::map; the return value
// of every call, Get after every call, invariants along the way.
template <class Map, class Model, class KeyGen, class ToKey, class FromKey>
void RunRandom(uint32_t seed, int steps, KeyGen next_key, ToKey to_key, FromKey from_key) {
    std::mt19937 rng(seed);
    Map *m = gc_New<Map>()->m_new();
    Model model;
    for (int i = 0; i < steps; ++i) {
        auto k = next_key(rng);
        auto key = to_key(k);
        float value = static_cast<float>(i);
        bool present = model.count(k) != 0;
        if (rng() % 3 == 0) {
            ASSERT_EQ(m->Add(key, value), present ? 0 : 1) << "step " << i;
            model.emplace(k, value);
        } else {
            ASSERT_EQ(m->Set(key, value), present ? 0 : 1) << "step " << i;
            model[k] = value;
        }
        ASSERT_EQ(m->Get(key), model[k]);
        if (i % 97 == 0) {
            ASSERT_EQ(CheckTree(m, model.size()), "") << "step " << i;
        }
    }
    ASSERT_EQ(CheckTree(m, model.size()), "");
    ExpectSameContents(m, model, from_key);
    for (const auto &entry : model) EXPECT_TRUE(m->Contains(to_key(entry.first)));
}

// "key colour(left,right)" with B for black and R for red.
template <class Node>
std::string Shape(Node *n) {
    if (!n) return "";
    std::string s = std::to_string(n->key) + (n->colour == kMapBlack ? "B" : "R");
    if (n->left || n->right) s += "(" + Shape<Node>(n->left) + "," + Shape<Node>(n->right) + ")";
    return s;
}

std::unordered_set<gc_object *> ListSet(gc_ListHead &list) {
    std::unordered_set<gc_object *> s;
    for (gc_object *o = list.next; o != &list; o = o->next) s.insert(o);
    return s;
}

class MapTest : public RuntimeTest {};

TEST_F(MapTest, RandomIntKeysMatchStdMap) {
    // A pool with the extremes and colour words gives repeats and keys far
    // more than 2^31 apart; the rest are arbitrary 32-bit words.
    std::vector<int32_t> pool = {INT_MIN, INT_MAX, 0, -1, 1, -2, static_cast<int32_t>(0xFF000000u),
                                 static_cast<int32_t>(0xFFFFFFFFu), static_cast<int32_t>(0xFF808080u), 0x00FFFFFF};
    for (int i = 0; i < 150; ++i) pool.push_back(static_cast<int32_t>(i * 28629151u));
    for (uint32_t seed : {1u, 2u, 3u}) {
        RunRandom<IntMap, std::map<int32_t, float>>(
            seed, 4000,
            [&](std::mt19937 &rng) {
                return rng() % 2 ? pool[rng() % pool.size()] : static_cast<int32_t>(rng());
            },
            [](int32_t k) { return k; }, [](int32_t k) { return k; });
    }
}

TEST_F(MapTest, RandomStringKeysMatchStdMap) {
    // std::u16string orders by unsigned unit, a prefix first: the map's order.
    const char16_t alphabet[] = {u'a', u'b', u'B', 0x00E9, 0xFFE9, 0x8000, 0x0001};
    for (uint32_t seed : {4u, 5u}) {
        RunRandom<StrMap, std::map<std::u16string, float>>(
            seed, 3000,
            [&](std::mt19937 &rng) {
                std::u16string s(rng() % 5, u' ');
                for (auto &c : s) c = alphabet[rng() % 7];
                return s;
            },
            S, U);
    }
}

TEST_F(MapTest, AscendingInsertionShapes) {
    IntMap *m = gc_New<IntMap>()->m_new();
    m->Set(1, 0);
    EXPECT_EQ(Shape(m->root.get()), "1R");
    m->Set(2, 0);
    EXPECT_EQ(Shape(m->root.get()), "1B(,2R)");
    m->Set(3, 0);
    EXPECT_EQ(Shape(m->root.get()), "2B(1R,3R)");
    for (int k = 4; k <= 10; ++k) m->Set(k, 0);
    EXPECT_EQ(Shape(m->root.get()), "4B(2B(1B,3B),6B(5B,8R(7B,9B(,10R))))");
}

TEST_F(MapTest, SetReplacesAndAddKeeps) {
    c_StringMap4 *m = gc_New<c_StringMap4>()->m_new();
    EXPECT_EQ(m->Set(String("k"), 1.0f), 1);
    EXPECT_EQ(m->Set(String("k"), 2.0f), 0);
    EXPECT_EQ(m->Get(String("k")), 2.0f);
    KeyedMap<int32_t, float, kMap4Ops> *a = gc_New<KeyedMap<int32_t, float, kMap4Ops>>();  // c_IntMap3's operations
    EXPECT_EQ(a->Add(7, 1.0f), 1);
    EXPECT_EQ(a->Add(7, 2.0f), 0);
    EXPECT_EQ(a->Get(7), 1.0f);
    EXPECT_EQ(CheckTree(m, 1), "");
    EXPECT_EQ(CheckTree(a, 1), "");
}

TEST_F(MapTest, IntKeysFarApartOrderTruly) {
    // Wrapped differences would put INT_MAX before -2 and lose keys.
    const std::vector<int32_t> keys = {INT_MAX, -2, INT_MIN, 0, static_cast<int32_t>(0xFF000000u), 0x7F000000,
                                       static_cast<int32_t>(0xFFFFFFFFu), 0x00FFFFFF, 1, static_cast<int32_t>(0x80000001u)};
    std::vector<int32_t> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int32_t> order = keys;
    std::mt19937 rng(9);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(order.begin(), order.end(), rng);
        IntMap *m = gc_New<IntMap>()->m_new();
        for (int32_t k : order) ASSERT_EQ(m->Set(k, static_cast<float>(k & 0xFFFF)), 1);
        for (int32_t k : order) ASSERT_EQ(m->Set(k, 1.0f), 0) << k;
        std::vector<int32_t> walked;
        for (auto *n = m->FirstNode(); n; n = n->NextNode()) walked.push_back(n->key);
        ASSERT_EQ(walked, sorted);
        ASSERT_EQ(CheckTree(m, keys.size()), "");
    }
}

TEST_F(MapTest, StringKeysOrderByUnsignedUnitThenLength) {
    c_StringMap *m = gc_New<c_StringMap>()->m_new();
    for (auto k : {u"b", u"a", u"ab", u"B", u"abc", u"Z", u"\u00e9", u"", u"\uffe9", u"\u8000", u"\u0001"})
        m->Insert(String(k, std::char_traits<char16_t>::length(k)), nullptr);
    std::vector<std::u16string> walked;
    for (c_Node3 *n = m->FirstNode(); n; n = n->NextNode()) walked.push_back(U(n->key));
    const std::vector<std::u16string> expected = {u"",  u"\u0001", u"B",      u"Z",      u"a",     u"ab",
                                                  u"abc", u"b",      u"\u00e9", u"\u8000", u"\uffe9"};
    EXPECT_EQ(walked, expected);
}

TEST_F(MapTest, ReplacingKeepsTheFirstKeyObject) {
    c_StringMap4 *m = gc_New<c_StringMap4>()->m_new();
    String first(u"name");
    String second = first.DeepCopy();
    ASSERT_NE(first.GetRep(), second.GetRep());
    m->Set(first, 1.0f);
    EXPECT_EQ(m->Set(second, 2.0f), 0);
    EXPECT_EQ(m->FindNode(second)->key.GetRep(), first.GetRep());
    EXPECT_EQ(m->Get(first), 2.0f);
}

TEST_F(MapTest, EmptyMapsGiveTheirDefaults) {
    // Reading a map over a class that is only declared needs nothing more.
    c_IntMap4 *textures = gc_New<c_IntMap4>()->m_new();
    c_StringMap2 *named = gc_New<c_StringMap2>()->m_new();
    c_StringMap4 *scalars = gc_New<c_StringMap4>()->m_new();
    c_StringMap5 *vectors = gc_New<c_StringMap5>()->m_new();
    c_StringMap *objects = gc_New<c_StringMap>()->m_new();
    EXPECT_EQ(textures->Get(0xFF000000), nullptr);
    EXPECT_EQ(textures->FindNode(0), nullptr);
    EXPECT_EQ(named->Get(String("x")), nullptr);
    EXPECT_FALSE(named->Contains(String("x")));
    EXPECT_EQ(named->FirstNode(), nullptr);
    EXPECT_EQ(scalars->Get(String("x")), 0.0f);
    EXPECT_TRUE(vectors->Get(String("x")).IsEmptyRep());
    EXPECT_EQ(objects->FirstNode(), nullptr);
    EXPECT_FALSE(objects->Contains(String("")));
    // A new vector node holds the shared empty array; a stored one is marked.
    Array<float> v(3);
    v[2] = 5.0f;
    vectors->Set(String("v"), v);
    EXPECT_EQ(vectors->Get(String("v")), v);
    EXPECT_EQ(vectors->Get(String("v"))[2], 5.0f);
    EXPECT_FALSE(gc_IsWhite(v.GetRep()));
}

// ---- enumerators and key views ----

std::vector<std::u16string> WalkKeys(c_Map3 *m) {
    std::vector<std::u16string> out;
    c_KeyEnumerator *e = m->Keys()->ObjectEnumerator();
    while (e->HasNext()) out.push_back(U(e->NextObject()));
    return out;
}

TEST_F(MapTest, KeyEnumeratorWalksAscending) {
    c_StringMap *m = gc_New<c_StringMap>()->m_new();
    EXPECT_TRUE(WalkKeys(m).empty());
    m->Insert(String("b"), nullptr);
    EXPECT_EQ(WalkKeys(m), std::vector<std::u16string>{u"b"});
    m->Insert(String("a"), nullptr);
    m->Insert(String("c"), nullptr);
    EXPECT_EQ(WalkKeys(m), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    // A view made without a map enumerates nothing.
    EXPECT_FALSE(gc_New<c_MapKeys>()->m_new()->ObjectEnumerator()->HasNext());
}

TEST_F(MapTest, KeysAddedDuringAWalkAfterItsPositionAreVisited) {
    c_StringMap *m = gc_New<c_StringMap>()->m_new();
    m->Insert(String("b"), nullptr);
    m->Insert(String("d"), nullptr);
    c_KeyEnumerator *e = m->Keys()->ObjectEnumerator();
    std::vector<std::u16string> out = {U(e->NextObject())};  // "b"; positioned at "d"
    m->Insert(String("a"), nullptr);
    m->Insert(String("c"), nullptr);
    // Enough keys behind the position to rotate the tree around it.
    std::vector<std::u16string> expected = {u"b", u"d"};
    for (char16_t c = u'e'; c <= u'z'; ++c) {
        m->Insert(S(std::u16string(1, c)), nullptr);
        expected.push_back(std::u16string(1, c));
    }
    while (e->HasNext()) out.push_back(U(e->NextObject()));
    EXPECT_EQ(out, expected);
    EXPECT_EQ(CheckTree(m, 26), "");
}

TEST_F(MapTest, NodeEnumeratorHandsOutNodesInOrder) {
    ObjMap *m = gc_New<ObjMap>()->m_new();
    EXPECT_FALSE(m->ObjectEnumerator()->HasNext());
    Object *a = gc_New<Object>();
    Object *b = gc_New<Object>();
    Object *c = gc_New<Object>();
    m->Set(String("b"), b);
    m->Set(String("a"), a);
    auto *e = m->ObjectEnumerator();
    m->Set(String("c"), c);
    // A value replaced before the walk reaches its node is seen.
    m->Set(String("b"), c);
    std::vector<std::pair<std::u16string, Object *>> out;
    while (e->HasNext()) {
        auto *n = e->NextObject();
        out.emplace_back(U(n->Key()), n->Value());
    }
    EXPECT_EQ(out, (std::vector<std::pair<std::u16string, Object *>>{{u"a", a}, {u"b", c}, {u"c", c}}));
}

TEST_F(MapTest, NextObjectOnAFinishedEnumeratorIsARuntimeError) {
    EXPECT_EXIT(
        {
            std::fclose(stdin);
            gc_New<c_KeyEnumerator>()->m_new()->NextObject();
        },
        ::testing::ExitedWithCode(255), "");
}

// ---- collection ----

gc_ref<c_StringMap> g_objects;
gc_ref<c_StringMap5> g_vectors;

void MapRoots() {
    gc_Enqueue(g_objects);
    gc_Enqueue(g_vectors);
}

// Destroys everything that is not reachable from the roots.
void CollectTwiceAndReclaim() {
    gc_CollectAll();  // drains what the barriers queued
    gc_CollectAll();  // sweeps what only those held
    gc_Reclaim(INT32_MAX);
}

template <class Map>
void AddTree(Map *m, std::unordered_set<gc_object *> *out) {
    out->insert(m);
    for (auto *n = Map::Node::Leftmost(m->root); n; n = Map::Node::Successor(n)) {
        out->insert(n);
        if constexpr (std::is_same_v<Map, c_StringMap5>) {
            if (!n->value.get().IsEmptyRep()) out->insert(n->value.get().GetRep());
        } else if (n->value) {
            out->insert(n->value.get());
        }
    }
}

TEST_F(MapTest, RootedMapsSurviveAndDieWithTheirRoot) {
    gc_SetRoots(MapRoots);
    g_objects = gc_New<c_StringMap>()->m_new();
    g_vectors = gc_New<c_StringMap5>()->m_new();
    std::vector<String> keys;
    std::vector<Object *> values;
    for (int i = 0; i < 300; ++i) {
        keys.push_back(String("key") + String(i * 7919 % 1000));
        values.push_back(gc_New<Object>());
        g_objects->Set(keys.back(), values.back());
        Array<float> v(2);
        v[0] = static_cast<float>(i);
        g_vectors->Set(keys.back(), v);
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2000; ++i) gc_New<Object>();  // garbage to destroy
        CollectTwiceAndReclaim();
    }
    std::unordered_set<gc_object *> tree;
    AddTree(g_objects.get(), &tree);
    AddTree(g_vectors.get(), &tree);
    EXPECT_EQ(tree.size(), 2u + 300 * 4);
    // Nothing else survived and nothing of the maps died (the roots are queued again).
    std::unordered_set<gc_object *> alive = ListSet(gc_LiveList);
    for (gc_object *o : ListSet(gc_MarkQueue)) alive.insert(o);
    EXPECT_EQ(alive, tree);
    EXPECT_EQ(CheckTree(g_objects.get(), 300), "");
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(g_objects->FindNode(keys[i])->value.get(), values[i]);
        ASSERT_EQ(g_vectors->Get(keys[i])[0], static_cast<float>(i));
        ASSERT_EQ(keys[i].GetRep()->count, 3u);  // ours and one per map
    }

    g_objects = nullptr;
    g_vectors = nullptr;
    CollectTwiceAndReclaim();
    EXPECT_EQ(gc_LiveList.next, &gc_LiveList);
    EXPECT_EQ(gc_UnreachableList.next, &gc_UnreachableList);
    EXPECT_EQ(gc_PendingFreeBytes, 0);
    for (const String &k : keys) EXPECT_EQ(k.GetRep()->count, 1u);  // the nodes released their keys
}

TEST_F(MapTest, StoresIntoABlackMapSurviveTheSweep) {
    gc_SetRoots(MapRoots);
    g_objects = gc_New<c_StringMap>()->m_new();
    for (int i = 0; i < 50; ++i) g_objects->Set(String(i), gc_New<Object>());
    // One insertion at a time into a map that is black down to a varying
    // depth (the rest grey or white): the new node is linked into a black
    // node, and rotations move white nodes under black ones.
    for (int i = 50; i < 250; ++i) {
        CollectTwiceAndReclaim();
        gc_MarkQueued(i % 3 == 0 ? INT32_MAX : 40 + 80 * (i % 11));
        g_objects->Set(String(i), gc_New<Object>());
        gc_CollectAll();
        ASSERT_EQ(gc_UnreachableList.next, &gc_UnreachableList) << i;
    }
    CollectTwiceAndReclaim();
    gc_MarkQueued(INT32_MAX);
    Object *replaced = g_objects->FindNode(String(7))->value;
    Object *replacement = gc_New<Object>();
    g_objects->Set(String(7), replacement);
    gc_CollectAll();
    EXPECT_EQ(gc_UnreachableList.next, &gc_UnreachableList);
    // The replaced value was black in that cycle; the next one drops it alone.
    gc_CollectAll();
    EXPECT_EQ(ListSet(gc_UnreachableList), std::unordered_set<gc_object *>{replaced});
    std::unordered_set<gc_object *> tree;
    AddTree(g_objects.get(), &tree);
    EXPECT_EQ(tree.size(), 1u + 250 * 2);
    EXPECT_EQ(tree.count(replacement), 1u);
    EXPECT_EQ(CheckTree(g_objects.get(), 250), "");
    g_objects = nullptr;
}

}  // namespace

// Ordered maps, their enumerators and key views.
//
// A map is a red-black tree of collected nodes that only grows: there is no
// removal, a value is replaced by storing a new one under the same key, and
// walks go in ascending key order. Every map type is a pair: an abstract map
// class that holds the tree and implements the operations, and a concrete
// class that adds nothing but the key comparison.
//
// One template body serves every instance: MapNode, MapBody (the abstract
// map class) and KeyedMap (the concrete one), parameterised by key type,
// value type and the set of operations the instance offers. The named
// classes are aliases in the table at the end of this file.
//
// Value types: an object reference (stored as gc_ref<U>, so stores run the
// write barrier), a float held in the node, or an Array<float> (stored as
// ArrayField<float>, marked at once). A map over a class that is only
// declared here can be named and read anywhere; storing into it needs the
// complete class.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/rt_array.h"
#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// Operations an instance offers (the tree code itself is always there).
inline constexpr unsigned kMapFindNode = 1u << 0;
inline constexpr unsigned kMapContains = 1u << 1;
inline constexpr unsigned kMapGet = 1u << 2;
inline constexpr unsigned kMapSet = 1u << 3;
inline constexpr unsigned kMapInsert = 1u << 4;
inline constexpr unsigned kMapAdd = 1u << 5;
inline constexpr unsigned kMapFirstNode = 1u << 6;
inline constexpr unsigned kMapKeys = 1u << 7;
inline constexpr unsigned kMapObjectEnumerator = 1u << 8;
inline constexpr unsigned kNodeNextNode = 1u << 9;
inline constexpr unsigned kNodeKey = 1u << 10;
inline constexpr unsigned kNodeValue = 1u << 11;

// Node colours.
inline constexpr int32_t kMapRed = -1;
inline constexpr int32_t kMapBlack = 1;

// Key types: how a key is passed and how two keys order.
template <class K>
struct map_Key;

template <>
struct map_Key<int32_t> {
    using Arg = int32_t;
    // A true three-way comparison. The difference a - b wrapped to 32 bits
    // is no ordering: keys more than 2^31 apart would order both ways.
    static int32_t Compare(int32_t a, int32_t b) { return (a > b) - (a < b); }
};

template <>
struct map_Key<String> {
    using Arg = const String &;
    // First differing unit (unsigned), else the shorter first.
    static int32_t Compare(const String &a, const String &b) { return a.Compare(b); }
};

// Value types: how a value is stored in a node, whether the node marks it,
// and what Get returns for an absent key.
template <class V>
struct map_Value;

template <>
struct map_Value<float> {
    using Stored = float;
    using Arg = float;
    static constexpr bool kMarks = false;
    static float Default() { return 0.0f; }
    static float Load(float v) { return v; }
};

template <class U>
struct map_Value<U *> {
    using Stored = gc_ref<U>;
    using Arg = U *;
    static constexpr bool kMarks = true;
    static U *Default() { return nullptr; }
    static U *Load(const gc_ref<U> &v) { return v.get(); }
};

template <class E>
struct map_Value<Array<E>> {
    using Stored = ArrayField<E>;
    using Arg = const Array<E> &;
    static constexpr bool kMarks = true;
    // The shared empty array of the element type.
    static Array<E> Default() { return Array<E>(); }
    static Array<E> Load(const ArrayField<E> &v) { return v.get(); }
};

template <class M>
class MapKeyView;
template <class N>
class MapKeyEnumerator;
template <class N>
class MapNodeEnumerator;

template <class K, class V, unsigned Ops>
class MapNode : public Object {
public:
    using KeyArg = typename map_Key<K>::Arg;
    using ValueArg = typename map_Value<V>::Arg;

    K key;
    gc_ref<MapNode> right;
    gc_ref<MapNode> left;
    typename map_Value<V>::Stored value;
    int32_t colour;
    gc_ref<MapNode> parent;

    MapNode() : key(), right(), left(), value(map_Value<V>::Default()), colour(0), parent() {}

    MapNode *m_new() { return this; }
    MapNode *m_new(KeyArg key, ValueArg value, int32_t colour, MapNode *parent) {
        this->key = key;
        this->value = value;
        this->colour = colour;
        this->parent = parent;
        return this;
    }

    MapNode *NextNode()
        requires((Ops & kNodeNextNode) != 0)
    {
        return Successor(this);
    }
    K Key()
        requires((Ops & kNodeKey) != 0)
    {
        return key;
    }
    V Value()
        requires((Ops & kNodeValue) != 0)
    {
        return map_Value<V>::Load(value);
    }

    void Mark() override {
        gc_Enqueue(right);
        gc_Enqueue(left);
        if constexpr (map_Value<V>::kMarks) gc_Enqueue(value);
        gc_Enqueue(parent);
    }

    // The in-order successor, null after the last node.
    static MapNode *Successor(MapNode *n) {
        if (MapNode *r = n->right) {
            while (MapNode *l = r->left) r = l;
            return r;
        }
        MapNode *p = n->parent;
        while (p && n == p->right.get()) {
            n = p;
            p = p->parent;
        }
        return p;
    }
    static MapNode *Leftmost(MapNode *n) {
        if (n)
            while (MapNode *l = n->left) n = l;
        return n;
    }
};

template <class K, class V, unsigned Ops>
class MapBody : public Object {
public:
    using Node = MapNode<K, V, Ops>;
    using KeyArg = typename map_Key<K>::Arg;
    using ValueArg = typename map_Value<V>::Arg;

    gc_ref<Node> root;

    MapBody() : root() {}
    MapBody *m_new() { return this; }

    // Orders two keys: negative, zero or positive. Not the Object comparison.
    using Object::Compare;
    virtual int32_t Compare(KeyArg a, KeyArg b) = 0;

    Node *FindNode(KeyArg key)
        requires((Ops & kMapFindNode) != 0)
    {
        return Find(key);
    }
    bool Contains(KeyArg key)
        requires((Ops & kMapContains) != 0)
    {
        return Find(key) != nullptr;
    }
    V Get(KeyArg key)
        requires((Ops & kMapGet) != 0)
    {
        Node *n = Find(key);
        return n ? map_Value<V>::Load(n->value) : map_Value<V>::Default();
    }
    // 1 when a node was inserted, 0 when the key's value was replaced.
    int32_t Set(KeyArg key, ValueArg value)
        requires((Ops & kMapSet) != 0)
    {
        return Put(key, value, true);
    }
    int32_t Insert(KeyArg key, ValueArg value)
        requires((Ops & kMapInsert) != 0)
    {
        return Put(key, value, true);
    }
    // 1 when a node was inserted; 0 and no change when the key is present.
    int32_t Add(KeyArg key, ValueArg value)
        requires((Ops & kMapAdd) != 0)
    {
        return Put(key, value, false);
    }
    Node *FirstNode()
        requires((Ops & kMapFirstNode) != 0)
    {
        return Node::Leftmost(root);
    }
    MapKeyView<MapBody> *Keys()
        requires((Ops & kMapKeys) != 0);
    MapNodeEnumerator<Node> *ObjectEnumerator()
        requires((Ops & kMapObjectEnumerator) != 0);

    void Mark() override { gc_Enqueue(root); }

    void RotateLeft(Node *x) {
        Node *y = x->right;
        x->right = y->left.get();
        if (y->left) y->left->parent = x;
        y->parent = x->parent.get();
        Node *p = x->parent;
        if (!p) {
            root = y;
        } else if (x == p->left.get()) {
            p->left = y;
        } else {
            p->right = y;
        }
        y->left = x;
        x->parent = y;
    }
    void RotateRight(Node *x) {
        Node *y = x->left;
        x->left = y->right.get();
        if (y->right) y->right->parent = x;
        y->parent = x->parent.get();
        Node *p = x->parent;
        if (!p) {
            root = y;
        } else if (x == p->right.get()) {
            p->right = y;
        } else {
            p->left = y;
        }
        y->right = x;
        x->parent = y;
    }
    void InsertFixup(Node *node) {
        for (;;) {
            Node *p = node->parent;
            if (!p || p->colour != kMapRed) break;
            Node *g = p->parent;
            if (!g) break;
            if (p == g->left.get()) {
                Node *uncle = g->right;
                if (uncle && uncle->colour == kMapRed) {
                    p->colour = kMapBlack;
                    uncle->colour = kMapBlack;
                    g->colour = kMapRed;
                    node = g;
                    continue;
                }
                if (node == p->right.get()) {
                    node = p;
                    RotateLeft(node);
                }
                node->parent->colour = kMapBlack;
                node->parent->parent->colour = kMapRed;
                RotateRight(node->parent->parent);
            } else {
                Node *uncle = g->left;
                if (uncle && uncle->colour == kMapRed) {
                    p->colour = kMapBlack;
                    uncle->colour = kMapBlack;
                    g->colour = kMapRed;
                    node = g;
                    continue;
                }
                if (node == p->left.get()) {
                    node = p;
                    RotateRight(node);
                }
                node->parent->colour = kMapBlack;
                node->parent->parent->colour = kMapRed;
                RotateLeft(node->parent->parent);
            }
        }
        root->colour = kMapBlack;
    }

protected:
    // The searched key is always the first argument of Compare.
    Node *Find(KeyArg key) {
        Node *n = root;
        while (n) {
            int32_t c = Compare(key, n->key);
            if (c > 0) {
                n = n->right;
            } else if (c < 0) {
                n = n->left;
            } else {
                return n;
            }
        }
        return nullptr;
    }

    int32_t Put(KeyArg key, ValueArg value, bool replace) {
        Node *n = root;
        Node *parent = nullptr;
        int32_t c = 0;
        while (n) {
            parent = n;
            c = Compare(key, n->key);
            if (c > 0) {
                n = n->right;
            } else if (c < 0) {
                n = n->left;
            } else {
                // The node keeps the key object it was inserted with.
                if (replace) n->value = value;
                return 0;
            }
        }
        Node *added = gc_New<Node>()->m_new(key, value, kMapRed, parent);
        if (!parent) {
            // A map of one entry has a red root.
            root = added;
            return 1;
        }
        if (c > 0) {
            parent->right = added;
        } else {
            parent->left = added;
        }
        InsertFixup(added);
        return 1;
    }
};

// The concrete class: only the key comparison.
template <class K, class V, unsigned Ops>
class KeyedMap final : public MapBody<K, V, Ops> {
public:
    using Base = MapBody<K, V, Ops>;
    KeyedMap *m_new() { return this; }
    using Object::Compare;
    int32_t Compare(typename Base::KeyArg a, typename Base::KeyArg b) override { return map_Key<K>::Compare(a, b); }
};

// A view of a map's keys; its enumerator hands them out in ascending order.
template <class M>
class MapKeyView : public Object {
public:
    using Node = typename M::Node;
    gc_ref<M> map;

    MapKeyView() : map() {}
    MapKeyView *m_new() { return this; }
    MapKeyView *m_new(M *map) {
        this->map = map;
        return this;
    }
    // A view without a map enumerates nothing.
    MapKeyEnumerator<Node> *ObjectEnumerator() {
        Node *first = map ? Node::Leftmost(map->root) : nullptr;
        return gc_New<MapKeyEnumerator<Node>>()->m_new(first);
    }
    void Mark() override { gc_Enqueue(map); }
};

// The successor is looked up at each step in the tree as it then stands, so
// keys added behind the walk's position are still handed out.
template <class N>
class MapKeyEnumerator : public Object {
public:
    gc_ref<N> node;

    MapKeyEnumerator() : node() {}
    MapKeyEnumerator *m_new() { return this; }
    MapKeyEnumerator *m_new(N *node) {
        this->node = node;
        return this;
    }
    bool HasNext() { return node.get() != nullptr; }
    String NextObject() {
        N *current = node;
        if (!current) object_RuntimeError("Enumerator has no next element");
        node = N::Successor(current);
        return current->key;
    }
    void Mark() override { gc_Enqueue(node); }
};

template <class N>
class MapNodeEnumerator : public Object {
public:
    gc_ref<N> node;

    MapNodeEnumerator() : node() {}
    MapNodeEnumerator *m_new() { return this; }
    MapNodeEnumerator *m_new(N *node) {
        this->node = node;
        return this;
    }
    bool HasNext() { return node.get() != nullptr; }
    N *NextObject() {
        N *current = node;
        if (!current) object_RuntimeError("Enumerator has no next element");
        node = N::Successor(current);
        return current;
    }
    void Mark() override { gc_Enqueue(node); }
};

template <class K, class V, unsigned Ops>
MapKeyView<MapBody<K, V, Ops>> *MapBody<K, V, Ops>::Keys()
    requires((Ops & kMapKeys) != 0)
{
    return gc_New<MapKeyView<MapBody>>()->m_new(this);
}

template <class K, class V, unsigned Ops>
MapNodeEnumerator<MapNode<K, V, Ops>> *MapBody<K, V, Ops>::ObjectEnumerator()
    requires((Ops & kMapObjectEnumerator) != 0)
{
    return gc_New<MapNodeEnumerator<Node>>()->m_new(Node::Leftmost(root));
}

// ---------------------------------------------------------------------------
// The instances. Value classes of other subsystems are only declared here.
class c_Glyph;
class c_DisplayMode;
class c_Glyph2;
class c_Texture;
class c_JsonValue;

// Operations of each instance.
inline constexpr unsigned kMap1Ops = kMapAdd;
inline constexpr unsigned kMap2Ops = kMapFindNode | kMapContains | kMapSet | kMapInsert;
inline constexpr unsigned kMap3Ops =
    kMapFindNode | kMapContains | kMapSet | kMapInsert | kMapFirstNode | kMapKeys | kNodeNextNode;
inline constexpr unsigned kMap4Ops = kMapFindNode | kMapGet | kMapAdd;
inline constexpr unsigned kMap5Ops = kMapFindNode | kMapGet | kMapSet;
inline constexpr unsigned kMap6Ops =
    kMapFindNode | kMapContains | kMapGet | kMapSet | kMapFirstNode | kMapObjectEnumerator | kNodeNextNode | kNodeValue;
inline constexpr unsigned kMap7Ops = kMapFindNode | kMapContains | kMapGet | kMapSet | kMapFirstNode |
                                     kMapObjectEnumerator | kNodeNextNode | kNodeKey | kNodeValue;
inline constexpr unsigned kMap8Ops = kMapFindNode | kMapContains | kMapGet | kMapSet;
inline constexpr unsigned kMap9Ops = kMapFindNode | kMapContains | kMapGet | kMapSet;

// map class                                          concrete class                                              node class                                            key     value
using c_Map = MapBody<int32_t, c_Glyph *, kMap1Ops>;            using c_IntMap = KeyedMap<int32_t, c_Glyph *, kMap1Ops>;           using c_Node = MapNode<int32_t, c_Glyph *, kMap1Ops>;            // int    c_Glyph
using c_Map2 = MapBody<int32_t, c_DisplayMode *, kMap2Ops>;     using c_IntMap2 = KeyedMap<int32_t, c_DisplayMode *, kMap2Ops>;    using c_Node2 = MapNode<int32_t, c_DisplayMode *, kMap2Ops>;     // int    c_DisplayMode
using c_Map3 = MapBody<String, Object *, kMap3Ops>;             using c_StringMap = KeyedMap<String, Object *, kMap3Ops>;          using c_Node3 = MapNode<String, Object *, kMap3Ops>;             // String Object
using c_Map4 = MapBody<int32_t, c_Glyph2 *, kMap4Ops>;          using c_IntMap3 = KeyedMap<int32_t, c_Glyph2 *, kMap4Ops>;         using c_Node4 = MapNode<int32_t, c_Glyph2 *, kMap4Ops>;          // int    c_Glyph2
using c_Map5 = MapBody<int32_t, c_Texture *, kMap5Ops>;         using c_IntMap4 = KeyedMap<int32_t, c_Texture *, kMap5Ops>;        using c_Node5 = MapNode<int32_t, c_Texture *, kMap5Ops>;         // int    c_Texture
using c_Map6 = MapBody<String, c_Texture *, kMap6Ops>;          using c_StringMap2 = KeyedMap<String, c_Texture *, kMap6Ops>;      using c_Node6 = MapNode<String, c_Texture *, kMap6Ops>;          // String c_Texture
using c_Map7 = MapBody<String, c_JsonValue *, kMap7Ops>;        using c_StringMap3 = KeyedMap<String, c_JsonValue *, kMap7Ops>;    using c_Node7 = MapNode<String, c_JsonValue *, kMap7Ops>;        // String c_JsonValue
using c_Map8 = MapBody<String, float, kMap8Ops>;                using c_StringMap4 = KeyedMap<String, float, kMap8Ops>;            using c_Node8 = MapNode<String, float, kMap8Ops>;                // String float
using c_Map9 = MapBody<String, Array<float>, kMap9Ops>;         using c_StringMap5 = KeyedMap<String, Array<float>, kMap9Ops>;     using c_Node9 = MapNode<String, Array<float>, kMap9Ops>;         // String Array<float>

// enumerators and key views
using c_MapKeys = MapKeyView<c_Map3>;                  // made by c_Map3 Keys()
using c_KeyEnumerator = MapKeyEnumerator<c_Node3>;     // made by c_MapKeys ObjectEnumerator()
using c_NodeEnumerator = MapNodeEnumerator<c_Node6>;   // made by c_Map6 ObjectEnumerator()
using c_NodeEnumerator2 = MapNodeEnumerator<c_Node7>;  // made by c_Map7 ObjectEnumerator()

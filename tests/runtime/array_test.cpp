// Arrays: the shared empty instances, element defaults and stores, marking
// of reference arrays, slices and String element release.
#include "tests/runtime/rt_fixture.h"

namespace {

class Item : public Object {
public:
    gc_ref<Item> next;
    explicit Item(Item *n = nullptr) : next(n) {}
    void Mark() override { gc_Enqueue(next); }
};

class Holder : public Object {
public:
    ArrayField<Item *> items;
    void Mark() override { gc_Enqueue(items); }
};

bool OnList(gc_ListHead &h, const gc_object *x) {
    for (gc_object *o = h.next; o != &h; o = o->next)
        if (o == x) return true;
    return false;
}

class ArrayTest : public RuntimeTest {};

}  // namespace

TEST_F(ArrayTest, LengthZeroIsTheSharedEmptyArray) {
    EXPECT_EQ(Array<int>(0).GetRep(), Array<int>().GetRep());
    EXPECT_EQ(Array<String>(0).GetRep(), Array<String>::EmptyRep());
    EXPECT_EQ(Array<Item *>(0).GetRep(), Array<Item *>::EmptyRep());
    EXPECT_NE(static_cast<void *>(Array<int>::EmptyRep()), static_cast<void *>(Array<float>::EmptyRep()));
    EXPECT_EQ(gc_NewBytes, 0);
    EXPECT_EQ(gc_AllocBytes, 0);
    // A field of array type defaults to the empty array, never null.
    Holder *h = gc_New<Holder>();
    EXPECT_EQ(h->items.Length(), 0);
    EXPECT_TRUE(h->items.get().IsEmptyRep());
}

TEST_F(ArrayTest, NewArraysHoldDefaults) {
    Array<String> s(3);
    Array<float> f(4);
    Array<bool> b(2);
    Array<Item *> r(5);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(s[i].Empty());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f[i], 0.0f);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(b[i]);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r[i].get(), nullptr);
    // Header plus elements, rounded to 8.
    EXPECT_EQ(r.GetRep()->Size(), 32u + 5 * 8);
    EXPECT_EQ(f.GetRep()->Size(), 32u + 16);
    EXPECT_EQ(b.GetRep()->Size(), 40u);
}

TEST_F(ArrayTest, NegativeLengthIsARuntimeError) {
    EXPECT_EXIT(
        {
            std::fclose(stdin);
            Array<int> a(-1);
        },
        ::testing::ExitedWithCode(255), "");
}

TEST_F(ArrayTest, ElementStoresUseTheBarrier) {
    Array<Item *> a(2);
    Item *x = gc_New<Item>();
    gc_MarkObject(a.GetRep());  // the array is black
    a[1] = x;                   // the barrier queues the element
    EXPECT_TRUE(OnList(gc_MarkQueue, x));
}

TEST_F(ArrayTest, MarkingShadesOnlyWhiteElementsAtOnce) {
    // Elements that are still white, as after a sweep: stored the way an
    // initialiser stores, without the barrier.
    Array<Item *> a(4);
    Item *chained = gc_New<Item>();
    Item *white = gc_New<Item>(chained);
    Item *black = gc_New<Item>();
    ::new (&a[0]) gc_ref<Item>(white);
    ::new (&a[2]) gc_ref<Item>(black);
    gc_MarkObject(black);
    int32_t before = gc_MarkedBytes;
    gc_MarkObject(a.GetRep());
    EXPECT_EQ(gc_MarkedBytes, before + static_cast<int32_t>(a.GetRep()->Size() + white->Size()));
    EXPECT_TRUE(OnList(gc_MarkedList, white));
    EXPECT_TRUE(OnList(gc_MarkQueue, chained));  // one level: the element's Mark queues
}

TEST_F(ArrayTest, ArrayFieldStoreMarksAtOnce) {
    Holder *h = gc_New<Holder>();
    Array<Item *> a(1);
    h->items = a;
    EXPECT_TRUE(OnList(gc_MarkedList, a.GetRep()));
    // Survives a full collection through its holder.
    static Holder *root;
    root = h;
    gc_SetRoots([] { gc_Enqueue(root); });
    gc_MarkGlobals();
    gc_CollectAll();
    gc_CollectAll();
    EXPECT_TRUE(OnList(gc_LiveList, a.GetRep()));
}

TEST_F(ArrayTest, SliceTable) {
    struct Case {
        int length, from, to;
        std::vector<int> expect;
    } cases[] = {
        {0, 0, 2, {}}, {1, 1, 3, {}}, {2, 1, 3, {1}}, {3, 1, 3, {1, 2}}, {5, 1, 3, {1, 2}},
        {5, 0, 2, {0, 1}}, {5, 2, 4, {2, 3}}, {3, 2, 4, {2}},
    };
    for (const Case &c : cases) {
        Array<int> a(static_cast<int64_t>(c.length));
        for (int i = 0; i < c.length; ++i) a[i] = i;
        Array<int> s = a.Slice(c.from, c.to);
        ASSERT_EQ(s.Length(), static_cast<int>(c.expect.size())) << c.length << " " << c.from;
        if (c.expect.empty()) {
            EXPECT_TRUE(s.IsEmptyRep());
        }
        for (int i = 0; i < s.Length(); ++i) EXPECT_EQ(s[i], c.expect[i]);
    }
}

TEST_F(ArrayTest, DestroyingStringArrayReleasesItsStrings) {
    {
        Array<String> a(2);
        a[0] = String(u"first");
        a[1] = String(u"second");
    }
    int32_t before = gc_NewBytes;
    gc_CollectAll();  // unreachable
    gc_Reclaim(2147483647);
    EXPECT_EQ(gc_NewBytes, before - (8 + 2 * 5) - (8 + 2 * 6));
    // Inside an allocation the released bytes do not count.
    {
        Array<String> b(1);
        b[0] = String(u"xyz");
    }
    gc_CollectAll();
    int32_t mid = gc_NewBytes;
    Array<int> c(1);
    EXPECT_EQ(gc_NewBytes, mid + 40);
}

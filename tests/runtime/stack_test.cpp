#include <climits>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "runtime/rt_stack.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// The bodies of the object stacks over plain objects: c_Stack5's operations
// (with NIL) and c_Stack4's.
using DrawOpLikeStack = StackBody<Object *, kStack5Ops>;
using PlainObjectStack = StackBody<Object *, kStack4Ops>;

static_assert(std::is_base_of_v<c_Stack3, c_StringStack>);
static_assert(std::is_base_of_v<c_Stack7, c_FloatStack>);

std::unordered_set<gc_object *> ListSet(gc_ListHead &list) {
    std::unordered_set<gc_object *> s;
    for (gc_object *o = list.next; o != &list; o = o->next) s.insert(o);
    return s;
}

Array<String> Strings(std::initializer_list<const char *> items) {
    Array<String> a(static_cast<int64_t>(items.size()));
    int i = 0;
    for (const char *s : items) a[i++] = String(s);
    return a;
}

std::string Narrow(const String &s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i) out += static_cast<char>(s[i]);
    return out;
}

class StackTest : public RuntimeTest {};

TEST_F(StackTest, PushGrowsToLengthPlusFiveTimesTwo) {
    c_FloatStack *s = gc_New<c_FloatStack>()->m_new();
    EXPECT_TRUE(s->data.get().IsEmptyRep());
    std::vector<int> capacities;
    for (int i = 0; i < 151; ++i) {
        Array<float> before = s->data;
        s->Push(static_cast<float>(i));
        if (!(s->data.get() == before)) {
            capacities.push_back(s->data.Length());
            EXPECT_FALSE(gc_IsWhite(s->data.get().GetRep()));  // marked when made
            for (int j = 0; j <= i; ++j) ASSERT_EQ(s->data[j], static_cast<float>(j));
            for (int j = i + 1; j < s->data.Length(); ++j) ASSERT_EQ(s->data[j], 0.0f);
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{10, 30, 70, 150, 310}));
    EXPECT_EQ(s->length, 151);
}

TEST_F(StackTest, FromArrayIsFullAndCopied) {
    Array<String> source = Strings({"a", "b", "c"});
    c_StringStack *s = gc_New<c_StringStack>()->m_new(source);
    EXPECT_EQ(s->length, 3);
    EXPECT_EQ(s->data.Length(), 3);
    EXPECT_FALSE(s->data.get() == source);
    EXPECT_EQ(source[0].GetRep()->count, 2u);
    s->Push(String("d"));
    EXPECT_EQ(s->data.Length(), 16);
    EXPECT_EQ(Narrow(s->Join(String(""))), "abcd");
    EXPECT_TRUE(gc_New<c_StringStack>()->m_new(Array<String>())->data.get().IsEmptyRep());
}

TEST_F(StackTest, ToArrayIsAnExactCopy) {
    c_StringStack *s = gc_New<c_StringStack>()->m_new();
    EXPECT_TRUE(s->ToArray().IsEmptyRep());
    s->Push(String("x"));
    s->Push(String("y"));
    Array<String> a = s->ToArray();
    ASSERT_EQ(a.Length(), 2);
    EXPECT_FALSE(a == s->data.get());
    EXPECT_EQ(a[0].GetRep(), s->data[0].GetRep());
    EXPECT_EQ(Narrow(a[1]), "y");
}

TEST_F(StackTest, JoinPutsTheSeparatorBetweenNeighbours) {
    struct Case {
        std::initializer_list<const char *> items;
        const char *separator;
        const char *expected;
    };
    for (const Case &c : {Case{{"a", "", "b"}, ",", "a,,b"}, Case{{"one"}, ",", "one"}, Case{{}, ",", ""},
                          Case{{"", ""}, "", ""}, Case{{"ab", "c", "de"}, "--", "ab--c--de"}}) {
        c_StringStack *s = gc_New<c_StringStack>()->m_new(Strings(c.items));
        String joined = s->Join(String(c.separator));
        EXPECT_EQ(Narrow(joined), c.expected) << c.expected;
        if (c.items.size() == 1) {
            EXPECT_EQ(joined.GetRep(), s->data[0].GetRep());
        }
        if (*c.expected == 0) {
            EXPECT_TRUE(joined.Empty());
        }
    }
}

TEST_F(StackTest, ClearAndPopWriteNilIntoVacatedSlots) {
    DrawOpLikeStack *s = gc_New<DrawOpLikeStack>();
    std::vector<Object *> objects;
    for (int i = 0; i < 5; ++i) {
        objects.push_back(gc_New<Object>());
        s->Push(objects.back());
    }
    EXPECT_EQ(s->Pop(), objects[4]);
    EXPECT_EQ(s->Length(), 4);
    EXPECT_EQ(s->data[4].get(), nullptr);
    s->Clear();
    EXPECT_EQ(s->Length(), 0);
    EXPECT_EQ(s->Data().Length(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(s->data[i].get(), nullptr);

    // The float stacks write their NIL, whatever it holds.
    c_FloatStack *f = gc_New<c_FloatStack>()->m_new();
    for (int i = 1; i <= 5; ++i) f->Push(static_cast<float>(i));
    c_Stack7::NIL = -1.0f;
    f->Clear();
    c_Stack7::NIL = 0.0f;
    EXPECT_EQ(f->length, 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(f->data[i], i < 5 ? -1.0f : 0.0f) << i;
}

TEST_F(StackTest, SetLength) {
    struct Case {
        int n;
        int length;
        int capacity;
    };
    // From a stack of 5 elements and capacity 10.
    for (const Case &c : {Case{3, 3, 10}, Case{7, 7, 10}, Case{10, 10, 10}, Case{12, 12, 20}, Case{25, 25, 25}}) {
        DrawOpLikeStack *s = gc_New<DrawOpLikeStack>();
        std::vector<Object *> objects;
        for (int i = 0; i < 5; ++i) {
            objects.push_back(gc_New<Object>());
            s->Push(objects.back());
        }
        s->SetLength(c.n);
        EXPECT_EQ(s->Length(), c.length) << c.n;
        EXPECT_EQ(s->Data().Length(), c.capacity) << c.n;
        for (int i = 0; i < s->Data().Length(); ++i)
            EXPECT_EQ(s->data[i].get(), i < 5 && i < c.n ? objects[i] : nullptr) << c.n << " slot " << i;
    }
}

TEST_F(StackTest, RangedPush) {
    Array<float> values(5);
    for (int i = 0; i < 5; ++i) values[i] = static_cast<float>(i * 10);
    auto contents = [](c_FloatStack *s) {
        std::vector<float> out;
        for (int i = 0; i < s->length; ++i) out.push_back(s->data[i]);
        return out;
    };
    c_FloatStack *s = gc_New<c_FloatStack>()->m_new();
    s->Push(values, 1, 2);
    s->Push(values, 4, 0);
    s->Push(values, 0, -1);
    s->Push(values, 5);
    s->Push(values, 3);
    EXPECT_EQ(contents(s), (std::vector<float>{10, 20, 30, 40}));
}

TEST_F(StackTest, OutOfContractCallsAreRuntimeErrors) {
    auto expect_error = [](auto body) {
        EXPECT_EXIT(
            {
                std::fclose(stdin);
                body();
            },
            ::testing::ExitedWithCode(255), "");
    };
    expect_error([] { gc_New<DrawOpLikeStack>()->Pop(); });
    expect_error([] { gc_New<DrawOpLikeStack>()->SetLength(-1); });
    expect_error([] { gc_New<c_FloatStack>()->Push(Array<float>(3), 2, 2); });
    expect_error([] { gc_New<c_FloatStack>()->Push(Array<float>(3), INT_MAX, INT_MAX); });
    expect_error([] { gc_New<c_FloatStack>()->Push(Array<float>(3), -1); });
}

gc_ref<PlainObjectStack> g_stack;
void StackRoots() { gc_Enqueue(g_stack); }

void CollectTwiceAndReclaim() {
    gc_CollectAll();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
}

TEST_F(StackTest, RootedStackKeepsItsElements) {
    gc_SetRoots(StackRoots);
    g_stack = gc_New<PlainObjectStack>();
    std::vector<Object *> objects;
    for (int i = 0; i < 25; ++i) {
        objects.push_back(gc_New<Object>());
        g_stack->Push(objects.back());
    }
    CollectTwiceAndReclaim();
    gc_MarkQueued(INT32_MAX);  // the stack and its array are black
    // Pushing into the black stack grows it and stores white objects.
    for (int i = 25; i < 40; ++i) {
        objects.push_back(gc_New<Object>());
        g_stack->Push(objects.back());
    }
    CollectTwiceAndReclaim();
    std::unordered_set<gc_object *> expected(objects.begin(), objects.end());
    expected.insert(g_stack.get());
    expected.insert(g_stack->data.get().GetRep());
    std::unordered_set<gc_object *> alive = ListSet(gc_LiveList);
    for (gc_object *o : ListSet(gc_MarkQueue)) alive.insert(o);
    EXPECT_EQ(alive, expected);  // the outgrown arrays are gone
    for (int i = 0; i < 40; ++i) ASSERT_EQ(g_stack->data[i].get(), objects[i]);
    g_stack = nullptr;
    CollectTwiceAndReclaim();
    EXPECT_EQ(gc_LiveList.next, &gc_LiveList);
}

}  // namespace

#include <string>
#include <vector>

#include "runtime/rt_set.h"
#include "tests/runtime/rt_fixture.h"

namespace {

std::u16string U(const String &s) { return std::u16string(s.Data(), static_cast<size_t>(s.Length())); }

std::vector<std::u16string> Walk(c_Set *set) {
    std::vector<std::u16string> out;
    c_KeyEnumerator *e = set->ObjectEnumerator();
    while (e->HasNext()) out.push_back(U(e->NextObject()));
    return out;
}

class SetTest : public RuntimeTest {};

TEST_F(SetTest, NewSetIsEmpty) {
    c_StringSet *set = gc_New<c_StringSet>()->m_new();
    EXPECT_FALSE(set->Contains(String("")));
    EXPECT_FALSE(set->Contains(String("a")));
    EXPECT_TRUE(Walk(set).empty());
    // A set made without a map holds nothing.
    c_Set *bare = gc_New<c_Set>()->m_new();
    EXPECT_FALSE(bare->Contains(String("a")));
    EXPECT_TRUE(Walk(bare).empty());
}

TEST_F(SetTest, InsertKeepsDistinctKeysInOrder) {
    c_StringSet *set = gc_New<c_StringSet>()->m_new();
    for (const char *k : {"b", "a", "b", "abc", "B"}) set->Insert(String(k));
    EXPECT_EQ(Walk(set), (std::vector<std::u16string>{u"B", u"a", u"abc", u"b"}));
    EXPECT_TRUE(set->Contains(String("abc")));
    EXPECT_TRUE(set->Contains(String("B")));
    // Membership is exact: no prefix, no case folding.
    EXPECT_FALSE(set->Contains(String("ab")));
    EXPECT_FALSE(set->Contains(String("ABC")));
    EXPECT_FALSE(set->Contains(String("abcd")));
    for (c_Node3 *n = set->map->FirstNode(); n; n = n->NextNode()) EXPECT_EQ(n->value.get(), nullptr);
}

TEST_F(SetTest, SetOverAGivenMap) {
    c_StringMap *map = gc_New<c_StringMap>()->m_new();
    map->Set(String("x"), gc_New<Object>());
    c_Set *set = gc_New<c_Set>()->m_new(map);
    EXPECT_TRUE(set->Contains(String("x")));
    EXPECT_EQ(Walk(set), std::vector<std::u16string>{u"x"});
}

}  // namespace

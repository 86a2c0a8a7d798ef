// Hit records (the nearest record, the nearest handle), and the key-binding lookup and arithmetic of window input.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/HandlePick.h"
#include "viewer/Input.h"
#include "viewer/WindowState.h"

// The nearest named record wins; a handle (two names: its model's tag, its number) wins over the brush at any depth.
TEST(ProcessHits, nearest_named_record_wins_and_ties_keep_the_earlier) {
    struct Record {
        GLuint min_depth;
        std::vector<GLuint> names;
    };
    const struct {
        std::vector<Record> records;
        int expected;
        float z;               // last_z after, from -1
        GLuint owner, handle;  // the handle hit, 0 for none
    } cases[] = {
        {{{0x80000000u, {216}}, {0x40000000u, {2, 7}}, {0xC0000000u, {3}}}, 2, 0.25f, 2, 7},  // the first name counts
        {{{1000u, {216}}, {1000u, {1}}}, 216, 1000 / 4294967296.0f, 0, 0},
        {{{0u, {}}, {0x20000000u, {5}}}, 5, 0.125f, 0, 0},  // nearest, but nameless
        {{{0u, {}}}, -1, -1.0f, 0, 0},
        {{{0u, {216}}, {0xC0000000u, {1, 2}}, {0x80000000u, {3, 1}}, {0x80000000u, {4, 1}}}, 216, 0.0f, 3, 1},
    };
    for (const auto& c : cases) {
        std::vector<GLuint> buf;  // name count, min and max depth, then the names
        for (const Record& r : c.records) {
            buf.insert(buf.end(), {static_cast<GLuint>(r.names.size()), r.min_depth, 0xffffffffu});
            buf.insert(buf.end(), r.names.begin(), r.names.end());
        }
        window_state.last_z = -1.0f;
        EXPECT_EQ(processHits(static_cast<GLint>(c.records.size()), buf.data()), c.expected) << c.expected;
        EXPECT_FLOAT_EQ(window_state.last_z, c.z) << c.expected;
        HandleHit hit;
        EXPECT_EQ(c.handle != 0, nearestHandleHit(static_cast<GLint>(c.records.size()), buf.data(), hit));
        EXPECT_EQ(c.owner, c.handle ? hit.owner : 0u) << c.expected;
        EXPECT_EQ(c.handle, c.handle ? hit.handle : 0u) << c.expected;
    }
    GLuint overflowed[1] = {};
    EXPECT_EQ(processHits(-1, overflowed), -1);
}

TEST(KeyBindings, only_letters_fold_and_codes_to_grave_accent_raise) {
    const struct {
        unsigned char key, lookup;
        double amount;  // with a step of 4
    } cases[] = {
        {'Q', 'q', 4.0},  {'A', 'a', 4.0},  {'Z', 'z', 4.0},  // upper case finds the lower-case binding
        {'q', 'q', -4.0}, {'z', 'z', -4.0},                   // and lower case lowers it
        {'1', '1', 4.0},  {'0', '0', 4.0},  {'@', '@', 4.0},  // digits and punctuation find their own
        {'[', '[', 4.0},  {'`', '`', 4.0},  {'{', '{', -4.0}, {'~', '~', -4.0}, {' ', ' ', 4.0}, {0x7f, 0x7f, -4.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bindingLookupKey(c.key), c.lookup) << c.key;
        EXPECT_EQ(bindingAmount(c.key, 4.0), c.amount) << c.key;
    }
    // The step goes through single precision: 0.1 arrives as 0.1f.
    EXPECT_EQ(bindingAmount('E', 0.1), static_cast<double>(0.1f));
}

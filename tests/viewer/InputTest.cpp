// Hit-record walking and the key-binding arithmetic of the window input.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/Input.h"
#include "viewer/SceneState.h"

namespace {

// A hit record: name count, minimum and maximum depth, then the names.
void addRecord(std::vector<GLuint>& buf, GLuint minDepth, std::vector<GLuint> names) {
    buf.push_back(static_cast<GLuint>(names.size()));
    buf.push_back(minDepth);
    buf.push_back(0xffffffffu);
    buf.insert(buf.end(), names.begin(), names.end());
}

}  // namespace

TEST(ProcessHits, nearest_record_wins_and_sets_depth) {
    std::vector<GLuint> buf;
    addRecord(buf, 0x80000000u, {216});
    addRecord(buf, 0x40000000u, {2, 7});  // nearer; its first name counts
    addRecord(buf, 0xC0000000u, {3});
    last_z = -1.0f;
    EXPECT_EQ(processHits(3, buf.data()), 2);
    EXPECT_FLOAT_EQ(last_z, 0.25f);
}

TEST(ProcessHits, equal_depths_keep_the_earlier_record) {
    std::vector<GLuint> buf;
    addRecord(buf, 1000u, {216});
    addRecord(buf, 1000u, {1});
    EXPECT_EQ(processHits(2, buf.data()), 216);
}

TEST(ProcessHits, records_without_names_are_skipped) {
    std::vector<GLuint> buf;
    addRecord(buf, 0u, {});             // nearest, but nameless
    addRecord(buf, 0x20000000u, {5});
    EXPECT_EQ(processHits(2, buf.data()), 5);
    EXPECT_FLOAT_EQ(last_z, 0.125f);

    std::vector<GLuint> empty;
    addRecord(empty, 0u, {});
    last_z = 0.5f;
    EXPECT_EQ(processHits(1, empty.data()), -1);
    EXPECT_EQ(last_z, 0.5f);  // untouched when nothing qualifies
    EXPECT_EQ(processHits(-1, empty.data()), -1);  // overflow counts as no hit
}

TEST(KeyBindings, lookup_key_folds_codes_up_to_grave_accent) {
    EXPECT_EQ(bindingLookupKey('Q'), 'q');
    EXPECT_EQ(bindingLookupKey('q'), 'q');
    EXPECT_EQ(bindingLookupKey('`'), 0x80);  // 0x60 itself is shifted too
    EXPECT_EQ(bindingLookupKey('1'), 'Q');   // digits land on upper-case letters
    EXPECT_EQ(bindingLookupKey('a'), 'a');   // 0x61 is left alone
}

TEST(KeyBindings, amount_sign_and_single_precision) {
    EXPECT_EQ(bindingAmount('Q', 4.0), 4.0);
    EXPECT_EQ(bindingAmount('q', 4.0), -4.0);
    EXPECT_EQ(bindingAmount('1', 4.0), 4.0);
    EXPECT_EQ(bindingAmount('E', 0.1), static_cast<double>(0.1f));
    EXPECT_NE(bindingAmount('E', 0.1), 0.1);
    EXPECT_EQ(bindingAmount('e', 0.1), -static_cast<double>(0.1f));
}

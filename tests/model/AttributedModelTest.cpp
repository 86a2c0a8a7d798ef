// Attributes, limits and handles of the model base.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "tests/model/TestModel.h"

TEST(AttributedModelTest, set_accepts_values_equal_to_either_limit)
{
    TestModel m;
    EXPECT_EQ(0, m.setAttribute("red", 0.0));
    EXPECT_EQ(0.0, m.getAttribute("red"));
    EXPECT_EQ(0, m.setAttribute("red", 1.0));
    EXPECT_EQ(1.0, m.getAttribute("red"));
    EXPECT_EQ(0, m.setAttribute("size", 0.5));
    EXPECT_EQ(0.5, m.getAttribute("size"));
}

TEST(AttributedModelTest, set_refuses_out_of_bounds_without_clamping)
{
    TestModel m;
    EXPECT_EQ(1, m.setAttribute("red", 1.0000001));
    EXPECT_EQ(0.5, m.getAttribute("red"));
    EXPECT_EQ(1, m.setAttribute("red", -0.1));
    EXPECT_EQ(0.5, m.getAttribute("red"));
    // Bounded below only: any large value is fine.
    EXPECT_EQ(0, m.setAttribute("size", 1e9));
    EXPECT_EQ(1, m.setAttribute("size", 0.4999));
    EXPECT_EQ(1e9, m.getAttribute("size"));
}

TEST(AttributedModelTest, unknown_attribute_is_never_created)
{
    TestModel m;
    int before = m.getAttributeCount();
    EXPECT_EQ(-1, m.setAttribute("blue", 1.0));
    EXPECT_EQ(-1, m.adjustAttribute("blue", 1.0));
    EXPECT_EQ(0.0, m.getAttribute("blue"));
    EXPECT_FALSE(m.hasAttribute("blue"));
    EXPECT_EQ(before, m.getAttributeCount());
}

TEST(AttributedModelTest, lookup_is_by_text_not_pointer)
{
    TestModel m;
    char name[] = "size";
    EXPECT_TRUE(m.hasAttribute(name));
    EXPECT_EQ(0, m.setAttribute(name, 3.0));
    EXPECT_EQ(3.0, m.getAttribute("size"));
    EXPECT_FALSE(m.hasAttribute("Size"));
}

TEST(AttributedModelTest, nan_passes_both_limits_and_is_stored)
{
    TestModel m;
    EXPECT_EQ(0, m.setAttribute("red", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(std::isnan(m.getAttribute("red")));
}

TEST(AttributedModelTest, adjust_clamps_at_limits_and_moves_back_from_them)
{
    TestModel m;
    EXPECT_EQ(0, m.adjustAttribute("red", 4.0));
    EXPECT_EQ(1.0, m.getAttribute("red"));
    EXPECT_EQ(0, m.adjustAttribute("red", -0.25));
    EXPECT_EQ(0.75, m.getAttribute("red"));
    EXPECT_EQ(0, m.adjustAttribute("red", -4.0));
    EXPECT_EQ(0.0, m.getAttribute("red"));
    EXPECT_EQ(0, m.adjustAttribute("size", -4.0));
    EXPECT_EQ(0.5, m.getAttribute("size"));
    EXPECT_EQ(0, m.adjustAttribute("x", -4.0));
    EXPECT_EQ(-4.0, m.getAttribute("x"));
}

TEST(AttributedModelTest, attribute_names_come_in_strcmp_order)
{
    TestModel m;
    ASSERT_EQ(5, m.getAttributeCount());
    const char** names = m.getAttributeNames();
    ASSERT_NE(nullptr, names);
    const char* expected[] = {"red", "size", "x", "y", "z"};
    for (int i = 0; i < 5; ++i)
        EXPECT_STREQ(expected[i], names[i]) << i;
    std::free(names);
}

TEST(AttributedModelTest, toggle_handles_flips_and_reports)
{
    TestModel m;
    EXPECT_FALSE(m.showHandles);
    EXPECT_TRUE(m.toggleHandles());
    EXPECT_FALSE(m.toggleHandles());
    m.enableHandles();
    EXPECT_TRUE(m.showHandles);
    m.disableHandles();
    EXPECT_FALSE(m.showHandles);
}

TEST(AttributedModelTest, adjust_handle_counts_from_one_and_ignores_others)
{
    TestModel m;
    m.adjustHandle(0, 5.0, 5.0, 5.0);
    m.adjustHandle(4, 5.0, 5.0, 5.0);
    EXPECT_EQ(1.0, m.handle(0).x);
    EXPECT_EQ(2.0, m.handle(1).y);
    EXPECT_EQ(3.0, m.handle(2).z);

    m.adjustHandle(1, 0.5, -1.0, 2.0);
    EXPECT_EQ(1.5, m.handle(0).x);
    EXPECT_EQ(-1.0, m.handle(0).y);
    EXPECT_EQ(2.0, m.handle(0).z);
    m.adjustHandle(3, 0.0, 0.0, -3.0);
    EXPECT_EQ(0.0, m.handle(2).z);
    // Dragging a handle moves the handle, never the model.
    EXPECT_EQ(0.0, m.getAttribute("x"));
}

// Whole buffers compared: a failure names both sizes and the first bytes that differ, never the (megabyte) buffers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

template <class Expected, class Actual>
testing::AssertionResult sameBytes(const Expected& expected, const Actual& actual) {
    const size_t common = std::min<size_t>(expected.size(), actual.size());
    size_t differing = 0;
    std::string first;
    for (size_t i = 0; i < common; ++i) {
        const unsigned e = static_cast<unsigned char>(expected[i]), a = static_cast<unsigned char>(actual[i]);
        if (e != a && ++differing <= 5) {
            char one[64];
            std::snprintf(one, sizeof one, ", at %zu: 0x%02x, not 0x%02x", i, a, e);
            first += one;
        }
    }
    if (differing == 0 && expected.size() == actual.size())
        return testing::AssertionSuccess() << "the same " << common << " bytes";
    return testing::AssertionFailure() << expected.size() << " bytes expected, " << actual.size() << " got; "
                                       << differing << " of the first " << common << " differ" << first;
}

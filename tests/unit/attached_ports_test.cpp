// The simulator's "--inputs" / "--outputs" lists.
#include "sim/device/AttachedPorts.h"

#include <gtest/gtest.h>

using quorvane::sim::parsePortSet;
using quorvane::sim::PortSet;

TEST(AttachedPorts, ListsAllAndNone) {
    EXPECT_EQ(parsePortSet("1,2,5"),
              (PortSet{true, true, false, false, true, false, false, false}));
    EXPECT_EQ(parsePortSet("8"), (PortSet{false, false, false, false, false, false, false, true}));
    EXPECT_EQ(parsePortSet("all"), (PortSet{true, true, true, true, true, true, true, true}));
    EXPECT_EQ(parsePortSet("none"), PortSet{});
}

TEST(AttachedPorts, RefusesAnythingElse) {
    for (const char* text : {"", "0", "9", "1,", ",1", "1,,2", "12", "1 2", "a", "-1", "All"})
        EXPECT_FALSE(parsePortSet(text)) << text;
}

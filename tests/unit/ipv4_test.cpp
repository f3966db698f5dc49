// Dotted IPv4 addresses as typed by the user: only four plain decimal parts are accepted, so a
// typo can never turn into a name lookup or into a different address than the one shown.
#include "core/link/Ipv4.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(Ipv4, AcceptsFourDecimalPartsAroundBlanks) {
    EXPECT_EQ(parseIpv4("192.168.0.80"), 0xC0A80050u);
    EXPECT_EQ(parseIpv4("0.0.0.0"), 0x00000000u);
    EXPECT_EQ(parseIpv4("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(parseIpv4("10.0.100.1"), 0x0A006401u);
    EXPECT_EQ(parseIpv4("  127.0.2.1\t"), 0x7F000201u);
}

TEST(Ipv4, RefusesWrongPartCountsAndEmptyParts) {
    for (const char* text : {"", " ", "1.2.3", "1.2.3.4.5", "1.2.3.", ".1.2.3", "1..2.3",
                             "1.2.3.4.", "...", "1.2.3.4 5"})
        EXPECT_FALSE(parseIpv4(text)) << '"' << text << '"';
}

TEST(Ipv4, RefusesPartsOutOfRangeOrNotPlainDecimal) {
    for (const char* text : {"256.1.1.1", "1.1.1.256", "1.1.1.1000", "-1.1.1.1", "+1.1.1.1",
                             "0x7f.0.0.1", "1.2.3.4a", "1.2.3.a", "1. 2.3.4", "１.2.3.4"})
        EXPECT_FALSE(parseIpv4(text)) << '"' << text << '"';
}

TEST(Ipv4, RefusesForeignAddressNotations) {
    // Each of these reaches 127.0.0.1 or another address through the lax classic parser.
    for (const char* text : {"localhost", "127.1", "127.0.1", "2130706433", "127.000.000.001",
                             "010.0.0.1", "127.0.0.01"})
        EXPECT_FALSE(parseIpv4(text)) << '"' << text << '"';
}

TEST(Ipv4, FormatsAsDottedDecimal) {
    EXPECT_EQ(formatIpv4(0xC0A80050u), "192.168.0.80");
    EXPECT_EQ(formatIpv4(0u), "0.0.0.0");
    EXPECT_EQ(formatIpv4(0xFFFFFFFFu), "255.255.255.255");
}

TEST(Ipv4, OnlyUnicastAddressesCanBeConnectedTo) {
    EXPECT_TRUE(isUnicastIpv4(0xC0A80050u));  // 192.168.0.80
    EXPECT_TRUE(isUnicastIpv4(0x7F000201u));  // 127.0.2.1
    EXPECT_TRUE(isUnicastIpv4(0xDFFFFFFFu));  // 223.255.255.255, just below multicast
    EXPECT_FALSE(isUnicastIpv4(0x00000000u)); // this host
    EXPECT_FALSE(isUnicastIpv4(0xFFFFFFFFu)); // limited broadcast
    EXPECT_FALSE(isUnicastIpv4(0xE0000001u)); // 224.0.0.1
    EXPECT_FALSE(isUnicastIpv4(0xEFFFFFFFu)); // 239.255.255.255
}

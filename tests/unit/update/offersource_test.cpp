#include "update/OfferSource.h"

#include <gtest/gtest.h>

TEST(OfferSource, OnlyLoopbackAddressesAndLocalhostAreThisComputer)
{
    for (const char* local : {"127.0.0.1", "127.0.0.1:8080", "127.255.3.4", "localhost", "LocalHost:65535", "::1",
                              "[::1]", "[::1]:80"})
        EXPECT_TRUE(isThisComputer(local)) << local;
    for (const char* other :
         {"www.quillon.com.cn", "zeb-vendor.test", "127.0.0.1.evil.com", "localhost.example", "evil-localhost",
          "128.0.0.1", "10.127.0.1", "2130706433", "0x7f000001", "0x7f.0.0.1", "0177.0.0.1", "127.1", "127.0.0.1.",
          "127.0.0.256", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:", "127.0.0.1:80:80", "localhost:x",
          "[::1]:", "[::2]", "::2", "0:0:0:0:0:0:0:2", "", ":80"})
        EXPECT_FALSE(isThisComputer(other)) << other;

    EXPECT_TRUE(takesOffersFrom("www.quillon.com.cn", false));
    EXPECT_FALSE(takesOffersFrom("www.quillon.com.cn", true));
    EXPECT_TRUE(takesOffersFrom("127.0.0.1:8080", true));
}

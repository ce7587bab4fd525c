#include "settings/Deployment.h"

#include <gtest/gtest.h>

TEST(ServiceHost, AcceptsHostAndHostWithPort)
{
    ServiceHost h;
    ASSERT_TRUE(parseServiceHost("hq.sinajs.cn", h));
    EXPECT_EQ(h.name, "hq.sinajs.cn");
    EXPECT_EQ(h.port, 80);
    EXPECT_EQ(h.authority(), "hq.sinajs.cn");

    ASSERT_TRUE(parseServiceHost("127.0.0.1:8123", h));
    EXPECT_EQ(h.name, "127.0.0.1");
    EXPECT_EQ(h.port, 8123);
    EXPECT_EQ(h.authority(), "127.0.0.1:8123");
}

TEST(ServiceHost, RefusesEmptyMalformedAndHostileValues)
{
    ServiceHost h;
    h.name = "kept";
    for (const char* bad : {"", ":80", "host:", "host:0", "host:65536", "host:12a", "host:123456",
                            "ho st", "host/evil", "a\"b", "host:80:81", "user@host"}) {
        EXPECT_FALSE(parseServiceHost(bad, h)) << bad;
    }
    EXPECT_FALSE(parseServiceHost(nullptr, h));
    EXPECT_EQ(h.name, "kept");
}

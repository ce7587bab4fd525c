#include "settings/Deployment.h"

#include "tests/support/ScopedDeployment.h"

#include <gtest/gtest.h>

TEST(VendorSite, EveryAddressComesFromTheOneHost)
{
    const ScopedDeployment hosts(nullptr, "vendor.test:8080");
    EXPECT_EQ(vendorRoot(), "http://vendor.test:8080");
    EXPECT_EQ(vendorHomePage(), "http://vendor.test:8080/");
    EXPECT_EQ(quoteLinkBase(), "http://vendor.test:8080/zeb/zebskip.php?Ver=2");
    EXPECT_EQ(vendorPage("/zeb/feedback.php"), "http://vendor.test:8080/zeb/feedback.php");
}

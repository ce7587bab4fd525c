#include "settings/Deployment.h"

#include "tests/support/TestDeployment.h"

#include <gtest/gtest.h>

TEST(VendorSite, EveryAddressComesFromTheOneHost)
{
    const Deployment hosts = testDeployment(nullptr, "vendor.test:8080");
    EXPECT_EQ(vendorRoot(hosts), "http://vendor.test:8080");
    EXPECT_EQ(vendorHomePage(hosts), "http://vendor.test:8080/");
    EXPECT_EQ(quoteLinkBase(hosts), "http://vendor.test:8080/zeb/zebskip.php?Ver=2");
    EXPECT_EQ(vendorPage(hosts, "/zeb/feedback.php"), "http://vendor.test:8080/zeb/feedback.php");
}

#include "update/VendorSite.h"

#include "settings/Deployment.h"
#include "settings/UserSettings.h"

std::atomic<int> versionBlocked{0};

std::string vendorRoot()
{
    return "http://" + deployment().vendorHost.authority();
}

std::string vendorHomePage()
{
    return vendorRoot() + "/";
}

std::string vendorPage(const char* path)
{
    return vendorRoot() + path;
}

std::string quoteLinkBase()
{
    return vendorPage("/zeb/zebskip.php?Ver=") + std::to_string(buildNumber);
}

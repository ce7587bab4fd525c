// The addresses of the vendor site, all formed from its one host value.
#pragma once

#include <atomic>
#include <string>

// "http://" and the host: the site's root, without a trailing "/".
std::string vendorRoot();
// The home page: the root and "/".
std::string vendorHomePage();
// The link prefix of every code and name cell: ".../zeb/zebskip.php?Ver=2".
std::string quoteLinkBase();
// "http://" + host + path, for the fixed pages ("/zeb/feedback.php", ...).
std::string vendorPage(const char* path);

// Set by the vendor service client when the vendor demands an upgrade of this
// version; every later page is the upgrade notice.
extern std::atomic<int> versionBlocked;

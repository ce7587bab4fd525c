// Where the two outside services live. The quote service's host and the
// vendor site's host are values of the deployment: built in, and replaceable
// at run time by "QuoteHost" and "VendorHost" under the program's registry key.
#pragma once

#include <cstdint>
#include <string>

struct ServiceHost {
    std::string name;
    std::uint16_t port = 80;

    // "name" or "name:port", the port left out when it is the HTTP default.
    std::string authority() const;
};

// Reads "host" or "host:port". Returns false (out untouched) for an empty,
// malformed or hostile value: only letters, digits, '-' and '.' make a host
// name, and a port is 1 to 65535.
bool parseServiceHost(const char* text, ServiceHost& out);

struct Deployment {
    ServiceHost quoteHost;
    ServiceHost vendorHost;
};

// The hosts built into the program.
Deployment builtInDeployment();

// The addresses of the vendor site, all formed from its one host value.
// "http://" and the host: the site's root, without a trailing "/".
std::string vendorRoot(const Deployment& d);
// The home page: the root and "/".
std::string vendorHomePage(const Deployment& d);
// The link prefix of every code and name cell: ".../zeb/zebskip.php?Ver=2".
std::string quoteLinkBase(const Deployment& d);
// "http://" + host + path, for the fixed pages ("/zeb/feedback.php", ...).
std::string vendorPage(const Deployment& d, const char* path);

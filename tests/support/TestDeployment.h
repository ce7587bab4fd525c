// The built-in hosts with test hosts in place of any given.
#pragma once

#include "settings/Deployment.h"

inline Deployment testDeployment(const char* quoteHost = nullptr, const char* vendorHost = nullptr)
{
    Deployment d = builtInDeployment();
    if (quoteHost)
        parseServiceHost(quoteHost, d.quoteHost);
    if (vendorHost)
        parseServiceHost(vendorHost, d.vendorHost);
    return d;
}

// Points the program at test hosts for one scope, and puts the hosts it had
// back afterwards.
#pragma once

#include "settings/Deployment.h"

class ScopedDeployment {
public:
    explicit ScopedDeployment(const char* quoteHost = nullptr, const char* vendorHost = nullptr)
        : saved(deployment())
    {
        Deployment d = builtInDeployment();
        if (quoteHost)
            parseServiceHost(quoteHost, d.quoteHost);
        if (vendorHost)
            parseServiceHost(vendorHost, d.vendorHost);
        setDeployment(d);
    }
    ~ScopedDeployment() { setDeployment(saved); }
    ScopedDeployment(const ScopedDeployment&) = delete;
    ScopedDeployment& operator=(const ScopedDeployment&) = delete;

private:
    Deployment saved;
};

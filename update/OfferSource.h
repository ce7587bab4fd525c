// Which vendor sites a build takes offers of a new build from.
#pragma once

#include <string>

// True when authority ("host" or "host:port") names this computer:
// "localhost" in any case, a loopback address 127.x.y.z written as four
// decimal numbers without leading zeros, or "::1" (in brackets when a port
// follows). Every other spelling is refused, also of the same address (one
// number, octal or hexadecimal parts), and so are names under those.
bool isThisComputer(const std::string& authority);

// A build with its own update key takes offers from any vendor site; one with
// the development key, which anyone can sign with, only from this computer.
bool takesOffersFrom(const std::string& authority, bool developmentKey);

// Opening addresses in the user's own browser.
#pragma once

#include <string>

// Hands address (GB2312) to the shell to open, only when isWebAddress
// accepts it. False when it was refused or the shell failed.
bool openWebAddress(const std::string& address);

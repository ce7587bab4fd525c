// The application object: one copy per desktop, the paths, and the modal run
// of the mini-window that is the program's whole life.
#pragma once

#include <string>

class CQuoteApp {
public:
    // Runs the start-up sequence and the mini-window; returns the process's
    // exit code. A second copy hands over to the first and returns -1.
    int InitInstance();

    // Full path of the page file (zebtmp.htm).
    std::wstring pagePath;
};

// The page file's path: zebtmp.htm in the browser-cache folder ("Cache"
// under the current user's Shell Folders), else in the temporary folder.
std::wstring pagePathRule();

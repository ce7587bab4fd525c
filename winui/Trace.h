// The program's one diagnostic trace: a failure the program cannot act on,
// or whose cause would otherwise be lost, is written here with its cause.
// It goes to the system's debug output (OutputDebugStringW), which costs next
// to nothing while no debugger or viewer listens; nothing is written to files.
#pragma once

#include <cstdint>

// "Zeb: <what> (<code>)", the code in hexadecimal (a Win32 error, an HRESULT
// or an NTSTATUS); what is ASCII. A code of 0 is left out.
void trace(const char* what, std::uint32_t code = 0);

// The same with GetLastError() as the code.
void traceLastError(const char* what);

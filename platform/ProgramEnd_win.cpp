#include "platform/ProgramEnd.h"

#include <windows.h>
#include <cstdio>

int EndProgram(int code) {
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
    return code;  // not reached
}

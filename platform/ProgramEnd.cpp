#include "platform/ProgramEnd.h"

int EndProgram(int code) {
    return code;
}

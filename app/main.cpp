// The program's entry. Takes no arguments.
#include "app/program.h"

#include <cstdio>

int main(int, char**) {
    // One console line per frame, visible as it happens even through a pipe.
    setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return RunProgram();
}

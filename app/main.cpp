// The program's entry: flowfield [--watch] [EFFECT.fx]
#include "app/program.h"

#include <cstdio>

int main(int argc, char** argv) {
    int exitCode = ReadArguments(argc, argv);
    if (exitCode >= 0) return exitCode;

    // One console line per frame, visible as it happens even through a pipe.
    setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return RunProgram();
}

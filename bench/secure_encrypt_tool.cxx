// Encrypts one file the way the designer's secure pass does, for bench/secure.sh.
// Not part of the CMake build (the .cxx name keeps it out of the benchmark glob).
#include <cstdio>

#include "disc/secure_file.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION PASSWORD\n", argv[0]);
        return 2;
    }
    return rondivo::encryptFile(argv[1], argv[2], argv[3]) ? 0 : 1;
}

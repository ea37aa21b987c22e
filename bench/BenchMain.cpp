// The main of every benchmark program that brings none of its own.
#include "bench/BenchMain.h"

int main(int argc, char** argv) {
    if (!bench::Initialize(argc, argv))
        return 1;
    return bench::RunAll();
}

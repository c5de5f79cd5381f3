// SPDX-License-Identifier: MIT
// Commits one deliberate fault, named by the first argument, so that the
// sanitizer build can show that each kind of report fails the run.
#include <climits>
#include <cstdio>
#include <cstring>

namespace {
int* volatile kept = nullptr;
}

int main(int argc, char** argv)
{
    const char* fault = argc > 1 ? argv[1] : "";
    if (std::strcmp(fault, "leak") == 0) {
        kept = new int[25];
        kept = nullptr; // the only pointer to it is gone
        return 0;
    }
    if (std::strcmp(fault, "use-after-free") == 0) {
        int* a = new int[4]{};
        delete[] a;
        volatile int i = 1;
        std::printf("%d\n", a[i]);
        return 0;
    }
    if (std::strcmp(fault, "signed-overflow") == 0) {
        volatile int big = INT_MAX;
        std::printf("%d\n", big + 1);
        return 0;
    }
    if (std::strcmp(fault, "float-cast-overflow") == 0) {
        // What a cell index taken from a far-away ball's position would do.
        volatile float far = 1e30f;
        std::printf("%d\n", static_cast<int>(far));
        return 0;
    }
    std::fprintf(stderr, "unknown fault '%s'\n", fault);
    return 2;
}

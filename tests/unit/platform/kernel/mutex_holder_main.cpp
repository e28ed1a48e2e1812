// A process that creates a named mutex, prints the last error that followed, and holds the
// handle until it is ended: the other process in the named mutex tests.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "winbase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::string name = argv[1];
    const std::u16string wide(name.begin(), name.end());
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, wide.c_str());
    std::printf("%lu\n",
                static_cast<unsigned long>(mutex == nullptr ? 0xFFFFFFFFu : GetLastError()));
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}

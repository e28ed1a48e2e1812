// main() of test programs that open sockets: each test process gets its own network namespace.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "private_network.h"

int main(int argc, char** argv) {
    bool listingOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0) {
            listingOnly = true;
        }
    }
    if (!listingOnly) {
        std::string error;
        if (!brevanta::test::EnterPrivateNetwork(&error)) {
            std::fprintf(stderr, "cannot enter a private network namespace: %s\n", error.c_str());
            return 1;
        }
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

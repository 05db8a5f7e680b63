// The end-to-end test program: its one argument is the path of kestrel.exe.
#include "e2e/probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: %s path-to-kestrel.exe\n", argv[0]);
        return 2;
    }
    std::string path = argv[1];
    if (!path.empty() && path[0] == '/') { // a Unix path, as CTest passes it under Wine
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    kestrel::probe::KestrelPath = path;
    return RUN_ALL_TESTS();
}

// The end-to-end test program: its arguments are the paths of kestrel.exe and of mail_handler.exe.
#include "e2e/probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') { // a Unix path, as CTest passes it under Wine
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: %s path-to-kestrel.exe path-to-mail_handler.exe\n", argv[0]);
        return 2;
    }
    kestrel::probe::KestrelPath = WindowsPath(argv[1]);
    kestrel::probe::MailHandlerPath = WindowsPath(argv[2]);
    return RUN_ALL_TESTS();
}

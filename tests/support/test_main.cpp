// Entry of the Windows test program: the platform is prepared as the
// application prepares it, then every test runs in this process.

#include <gtest/gtest.h>

#include "app/flickhold_app.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    fh::CFlickholdApp::PreparePlatform();
    return RUN_ALL_TESTS();
}

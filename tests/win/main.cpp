// The entry of the Windows test programs: GoogleTest's flags first, then the program's own.
#include <gtest/gtest.h>

#include "support.h"

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    parseTestOptions(argc, argv);
    return RUN_ALL_TESTS();
}

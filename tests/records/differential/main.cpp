// The differential test has its own main: libf2c's units are connected by
// f_init(), ours by connect_console_units().
#include <gtest/gtest.h>

#include "differential.hpp"
#include "libf2c_side.h"
#include "records.hpp"

int main(int argc, char** argv) {
    // Ours first: a closed standard stream gets /dev/null on its descriptor,
    // which no file opened later may take.
    zeplo::rec::connect_console_units();
    lf_start();
    (void)zeplo::diff::work_dir();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

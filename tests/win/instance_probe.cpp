// A program that takes part in the single-instance count of its own file, for the tests.
// Admitted, it exits 1 (held first while LUMIVEX_TEST_HOLD names a pair of events); refused, 2.
#include "startup/single_instance_win.h"
#include "startup/test_seams_win.h"

int main() {
    Engine engine;
    const bool admitted = enterSingleInstance(engine);
    if (admitted) testHoldInstance();
    leaveSingleInstance(engine);
    return admitted ? 1 : 2;
}

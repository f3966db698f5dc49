// Entry point of the test programs that link no Qt: GoogleTest with the machine's serial ports
// kept out of reach (PortSafety.h).
#include "PortSafety.h"
#include "RunAllTests.h"

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    quorvane::test::installPortSafety();
    return quorvane::test::runAllTests();
}

#pragma once
// Runs the program's tests and gives its exit status: 77 when every test that ran was skipped
// (no network namespaces, not root, ...) and none failed, which CTest shows as "Skipped"; a
// failure always fails the program, whatever else skipped.

#include <gtest/gtest.h>

namespace quorvane::test {

inline constexpr int AllSkippedStatus = 77;

inline int runAllTests() {
    const int status = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (status == 0 && run.successful_test_count() == 0 && run.skipped_test_count() > 0)
        return AllSkippedStatus;
    return status;
}

} // namespace quorvane::test

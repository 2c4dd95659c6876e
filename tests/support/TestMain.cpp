#include <gtest/gtest.h>

#include <clocale>

// The HTTP server library of the test servers is not built with ThreadSanitizer: the checks
// of its function-local statics are invisible to it, so a memcmp of such a static in another
// server thread looks unsynchronised. Only reports from inside that library are silenced.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Linked into every test program: the sanitizer defaults and the locations
// of the project's files, so that a test behaves the same whether ctest, an
// IDE or a shell starts it.
#include <cstdlib>

extern "C" {
// Read by the sanitizer runtimes before main.
const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0";
}
const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
// Allocations that system libraries loaded by Qt keep until exit.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\nleak:libglib\nleak:libQt6Gui\n";
}
}

namespace {
struct TestEnvironment {
    TestEnvironment() {
        // An explicit setting in the environment wins.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("VANTREL_TEST_DATA", VANTREL_TEST_DATA, 0);
        setenv("VANTREL_SCHEMA", VANTREL_SCHEMA, 0);
        setenv("VANTREL_WEB_DIR", VANTREL_WEB_DIR, 0);
        setenv("VANTREL_BIN_DIR", VANTREL_BIN_DIR, 0);
    }
};
const TestEnvironment environment;
}  // namespace

#pragma once

// Linked into every test program and every helper program the tests start: an unhandled exception on any
// thread ends the program at once with the exception's code, after one line on standard error that names the
// exception, where it happened and the test that was running. Without it Wine starts its debugger, which
// ends the program from outside; Wine then hands its parent (ctest) the exit status 0 whenever the program
// had started a thread before, so a crash passed as a success.
namespace test_support
{

// Names the test that runs from now on in that line (null: none). The strings must outlive the program.
void SetRunningTest(const char* suite, const char* name);

} // namespace test_support

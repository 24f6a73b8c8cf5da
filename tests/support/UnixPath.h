#pragma once

#include <string>

namespace test_support
{

// The Windows path of a file named by an environment variable as a Unix path (ctest passes build paths this
// way), reached through Wine's drive Z:; empty when the variable is not set.
std::wstring FileFromEnvironment(const char* variable);

} // namespace test_support

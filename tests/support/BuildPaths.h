#pragma once
// Where the source tree, the build folder and the test data are, for tests
// and benchmarks. The values come from one generated file of the build.

namespace stovan::test {

const char* SourceDir();
const char* BinaryDir();
const char* FixturesDir();

}  // namespace stovan::test

#define STOVAN_SOURCE_DIR (::stovan::test::SourceDir())
#define STOVAN_BINARY_DIR (::stovan::test::BinaryDir())
#define STOVAN_FIXTURES_DIR (::stovan::test::FixturesDir())

#pragma once
// Seeded test data for archive and compression tests: the same seed gives
// the same bytes on every run.

#include <cstddef>
#include <string>

namespace stovan::test {

// Incompressible bytes.
std::string RandomBytes(std::size_t size, unsigned seed);
// Text with repetition at every distance, like source code or documentation.
std::string TextLike(std::size_t size, unsigned seed);
// One of several kinds (random, text, long runs, short periods, text with
// random holes), of a size mostly below a few KiB and now and then up to
// about 70 KiB, chosen by the seed.
std::string MixedSample(unsigned seed);

}  // namespace stovan::test

// Allocation failure on demand for the database tests: when armed, the n-th
// allocation from now on throws std::bad_alloc, so every out-of-memory path
// can be walked. Kept in a file of its own so that the replaced operators are
// never inlined next to the library's own.
#include <cstdlib>
#include <new>

long gAllocationsUntilFailure = -1;

void* operator new(std::size_t size) {
    if (gAllocationsUntilFailure == 0) {
        gAllocationsUntilFailure = -1;
        throw std::bad_alloc();
    }
    if (gAllocationsUntilFailure > 0) {
        --gAllocationsUntilFailure;
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

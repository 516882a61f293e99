#include "largest_new.hpp"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> largest{0};
}

namespace test_support
{
void reset_largest_new() {largest = 0;}
std::size_t largest_new() {return largest.load();}
}  // namespace test_support

void * operator new(std::size_t size)
{
  std::size_t seen = largest.load();
  while (size > seen && !largest.compare_exchange_weak(seen, size)) {
  }
  if (void * block = std::malloc(size ? size : 1)) {
    return block;
  }
  throw std::bad_alloc();
}

void operator delete(void * block) noexcept
{
  std::free(block);
}

void operator delete(void * block, std::size_t) noexcept
{
  std::free(block);
}

#include "counting_allocator.hpp"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "rcutils/allocator.h"

namespace test_support
{
namespace
{
std::mutex mutex;
AllocationStats stats;
std::size_t fail_at = 0;

// Counts one request; false when it is the one planned to fail.
bool admit(std::size_t bytes)
{
  std::lock_guard<std::mutex> lock(mutex);
  ++stats.requests;
  stats.largest_request = std::max(stats.largest_request, bytes);
  stats.total_requested += bytes;
  return fail_at == 0 || stats.requests != fail_at;
}

void count_live(long change)
{
  std::lock_guard<std::mutex> lock(mutex);
  stats.live = static_cast<std::size_t>(static_cast<long>(stats.live) + change);
}

void * allocate(std::size_t size, void *)
{
  if (!admit(size)) {
    return nullptr;
  }
  void * block = std::malloc(size ? size : 1);
  count_live(block ? 1 : 0);
  return block;
}

void * zero_allocate(std::size_t count, std::size_t size, void *)
{
  if (!admit(count * size)) {
    return nullptr;
  }
  void * block = std::calloc(count ? count : 1, size ? size : 1);
  count_live(block ? 1 : 0);
  return block;
}

void * reallocate(void * pointer, std::size_t size, void *)
{
  if (!admit(size)) {
    return nullptr;
  }
  void * block = std::realloc(pointer, size ? size : 1);
  if (block && !pointer) {
    count_live(1);
  }
  return block;
}

void deallocate(void * pointer, void *)
{
  if (!pointer) {
    std::lock_guard<std::mutex> lock(mutex);
    ++stats.null_deallocations;
    return;
  }
  std::free(pointer);
  count_live(-1);
}
}  // namespace

void reset_allocations()
{
  std::lock_guard<std::mutex> lock(mutex);
  stats = AllocationStats{};
  fail_at = 0;
}

void reset_requests()
{
  std::lock_guard<std::mutex> lock(mutex);
  const std::size_t live = stats.live;
  stats = AllocationStats{};
  stats.live = live;
  fail_at = 0;
}

void fail_request(std::size_t k)
{
  std::lock_guard<std::mutex> lock(mutex);
  fail_at = k == 0 ? 0 : stats.requests + k;
}

AllocationStats allocation_stats()
{
  std::lock_guard<std::mutex> lock(mutex);
  return stats;
}
}  // namespace test_support

extern "C" rcutils_allocator_t rcutils_get_default_allocator()
{
  rcutils_allocator_t allocator;
  allocator.allocate = test_support::allocate;
  allocator.deallocate = test_support::deallocate;
  allocator.reallocate = test_support::reallocate;
  allocator.zero_allocate = test_support::zero_allocate;
  allocator.state = nullptr;
  return allocator;
}

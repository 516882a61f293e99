#ifndef ORVANE_H26X_MSGS__TEST__COUNTING_ALLOCATOR_HPP_
#define ORVANE_H26X_MSGS__TEST__COUNTING_ALLOCATOR_HPP_

// A test executable that links counting_allocator.cpp replaces
// rcutils_get_default_allocator: the libraries (and rosidl_runtime_c) resolve
// it in the executable first, so every allocation of a plain record passes
// through here and can be made to fail on purpose.

#include <cstddef>

namespace test_support
{

struct AllocationStats
{
  std::size_t requests = 0;         // allocate, zero_allocate and reallocate calls
  std::size_t live = 0;             // blocks handed out and not yet released
  std::size_t largest_request = 0;  // bytes of the largest single request
  std::size_t total_requested = 0;  // bytes of all requests together
  std::size_t null_deallocations = 0;
};

// Clears the counters and any planned failure.
void reset_allocations();
// Clears the request counters and sizes, keeping the count of live blocks.
void reset_requests();
// The k-th request from now (1-based) fails; 0 means none does.
void fail_request(std::size_t k);
AllocationStats allocation_stats();

}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__COUNTING_ALLOCATOR_HPP_

#ifndef ORVANE_H26X_MSGS__TEST__LARGEST_NEW_HPP_
#define ORVANE_H26X_MSGS__TEST__LARGEST_NEW_HPP_

// A test executable that links largest_new.cpp replaces the global operator
// new and records its largest single request, to bound what hostile input
// can make a reader of message classes ask for.

#include <cstddef>

namespace test_support
{
void reset_largest_new();
std::size_t largest_new();
}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__LARGEST_NEW_HPP_

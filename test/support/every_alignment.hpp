#ifndef ORVANE_H26X_MSGS__TEST__EVERY_ALIGNMENT_HPP_
#define ORVANE_H26X_MSGS__TEST__EVERY_ALIGNMENT_HPP_

#include <gtest/gtest.h>

#include <random>

#include "classes.hpp"

namespace test_support
{

// Calls check(original, order, start) for `rounds` random messages, in both
// byte orders, at every start alignment from 0 to 7.
template<class Record, class Check>
void for_every_alignment(std::mt19937 & rng, Check check, int rounds = 6)
{
  for (int round = 0; round < rounds; ++round) {
    Plain<Record> original;
    randomize(*original, rng);
    for (Cdr::Endianness order : {kLittle, kBig}) {
      for (std::size_t start = 0; start < 8; ++start) {
        SCOPED_TRACE(testing::Message() << detail::FieldList<Record>::name << " start " << start);
        check(original, order, start);
      }
    }
  }
}

}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__EVERY_ALIGNMENT_HPP_

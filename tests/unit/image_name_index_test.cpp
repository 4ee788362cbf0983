// NameIndex: positions found by name across growth, and a second add of a
// name that keeps the first position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/name_index.h"

using vorn::image::NameIndex;

TEST(NameIndex, FindsEveryNameAcrossGrowth) {
  std::vector<std::string> names;
  NameIndex index;
  auto nameAt = [&](int32_t i) -> const std::string& { return names[size_t(i)]; };
  EXPECT_EQ(index.find("x", nameAt), -1) << "empty index";
  for (int i = 0; i < 1000; ++i) {
    std::string n = "n";
    n += std::to_string(i);
    ASSERT_EQ(index.findOrAdd(n, int32_t(names.size()), nameAt), -1) << n;
    names.push_back(n);
  }
  names.push_back("");  // the empty name is a name like any other
  ASSERT_EQ(index.findOrAdd("", 1000, nameAt), -1);
  for (int32_t i = 0; i <= 1000; ++i) {
    EXPECT_EQ(index.find(names[size_t(i)], nameAt), i);
    EXPECT_EQ(index.findOrAdd(names[size_t(i)], 5000, nameAt), i);
  }
  for (const char* absent : {"n1000", "n", "N1", "n01"}) EXPECT_EQ(index.find(absent, nameAt), -1) << absent;
}

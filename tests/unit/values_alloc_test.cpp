// Allocator buckets, the resize rule, and string-object operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <algorithm>

#include "values/alloc.h"
#include "values/strobj.h"

namespace {

TEST(Allocator, CountTracksLiveBlocksAndIgnoresForeignOrDoubleFrees) {
  spfree(space(0));   // a zero-byte request is a one-byte block
  int32_t before = awk_malloccount;
  void* a = space(10);
  void* b = spacec(100);
  EXPECT_EQ(awk_malloccount, before + 2);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(static_cast<unsigned char*>(b)[i], 0);
  spfree(a);
  spfree(a);  // second free of the same block changes nothing
  EXPECT_EQ(awk_malloccount, before + 1);
  alignas(16) unsigned char foreign[32] = {};
  spfree(foreign + 8);
  spfree(nullptr);
  EXPECT_EQ(awk_malloccount, before + 1);
  spfree(b);
  EXPECT_EQ(awk_malloccount, before);
}

TEST(Allocator, ResizeKeepsTheBlockWhileTheSizeStaysInItsBucket) {
  struct Case { int32_t from, to; bool same; uint32_t kept; };
  const Case cases[] = {
      {20, 24, true, 24},  // bucket 2 still
      {20, 9, true, 9},  // above bucket 1's 8 bytes
      {20, 8, false, 8},  // belongs in bucket 1 now
      {20, 25, false, 24},  // grows to bucket 3, all 24 bytes kept
      {4000, 5000, true, 5000}, {5000, 2000, false, 2000},
  };
  for (const Case& c : cases) {
    auto* p = static_cast<unsigned char*>(space(c.from));
    uint32_t usable = awk_bucketsize(awk_blockbucket(p));
    for (uint32_t i = 0; i < usable; ++i) p[i] = uint8_t(i * 7);
    auto* q = static_cast<unsigned char*>(respace(p, c.to));
    EXPECT_EQ(q == p, c.same) << c.from << " -> " << c.to;
    for (uint32_t i = 0; i < c.kept && i < usable; ++i)
      ASSERT_EQ(q[i], uint8_t(i * 7)) << c.from << " -> " << c.to << " byte " << i;
    spfree(q);
  }
  void* fresh = respace(nullptr, 30);
  EXPECT_EQ(awk_blockbucket(fresh), 3);
  spfree(fresh);
}

// Memory is carved from large mappings: blocks taken across the end of
// one mapping and into the next, and a request too large for a mapping,
// are all usable to their last byte and never overlap.
TEST(Allocator, BlocksAcrossMappingsAndHugeRequests) {
  struct Range {
    char* p;
    int32_t n;
  };
  std::vector<Range> blocks;
  for (int i = 0; i < 80; ++i) blocks.push_back({static_cast<char*>(space(1000000)), 1000000});
  blocks.push_back({static_cast<char*>(space(20 << 20)), 20 << 20});
  for (int i = 0; i < 40; ++i) blocks.push_back({static_cast<char*>(space(100000)), 100000});
  for (size_t i = 0; i < blocks.size(); ++i) {
    blocks[i].p[0] = char(i);
    blocks[i].p[blocks[i].n - 1] = char(i);
  }
  std::vector<Range> sorted = blocks;
  std::sort(sorted.begin(), sorted.end(), [](const Range& a, const Range& b) { return a.p < b.p; });
  for (size_t i = 0; i + 1 < sorted.size(); ++i)
    EXPECT_LE(sorted[i].p + sorted[i].n, sorted[i + 1].p) << i;
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i].p[0], char(i));
    EXPECT_EQ(blocks[i].p[blocks[i].n - 1], char(i));
    spfree(blocks[i].p);
  }
}

// Small blocks are cut back to back from reserve after reserve: a reserve
// is whole pages, none of them left partly unused (once 2% of the memory of
// a million-key array). Gaps of a new mapping are not counted.
TEST(Allocator, SmallBlocksFillEveryReservePage) {
  std::vector<char*> blocks;
  for (int i = 0; i < 50000; ++i) blocks.push_back(static_cast<char*>(space(24)));
  std::vector<char*> fresh(blocks.end() - 40000, blocks.end());   // past any reused ones
  std::sort(fresh.begin(), fresh.end());
  size_t lost = 0;
  for (size_t i = 0; i + 1 < fresh.size(); ++i) {
    const size_t gap = size_t(fresh[i + 1] - fresh[i]);
    if (gap < (size_t(1) << 20)) lost += gap - 32;
  }
  EXPECT_LT(lost, 4096u);
  for (char* b : blocks) spfree(b);
}

TEST(Strings, CompareIsBytewiseThenByLength) {
  struct Case { std::string a, b; int sign; };
  const Case cases[] = {
      {"abc", "abd", -1}, {"abc", "ab", 1}, {"", "", 0}, {"ab", "abc", -1},
      {std::string("a\0b", 3), std::string("a\0c", 3), -1},
      {std::string("a\0", 2), "a", 1}, {"\xff", "a", 1}, {"same", "same", 0},
  };
  for (const Case& c : cases) {
    AwkString* a = stringNew(std::string_view(c.a));
    AwkString* b = stringNew(std::string_view(c.b));
    int r = stringCmp(a, b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    stringFree(a);
    stringFree(b);
  }
}

TEST(Strings, ReferenceCountsAndPermanence) {
  int32_t before = awk_malloccount;
  AwkString* s = stringNew("hello");
  EXPECT_EQ(s->ref, 1);
  EXPECT_EQ(stringDup(s), s);
  EXPECT_EQ(s->ref, 2);
  stringFree(s);
  EXPECT_EQ(s->ref, 1);
  stringFree(s);
  EXPECT_EQ(awk_malloccount, before);

  AwkString* p = stringNew("forever");
  for (int i = 1; i < 32000; ++i) stringDup(p);
  EXPECT_EQ(p->ref, 32000);
  stringDup(p);
  EXPECT_EQ(p->ref, 32001);
  stringDup(p);
  EXPECT_EQ(p->ref, 32001);  // no longer raised
  for (int i = 0; i < 40000; ++i) stringFree(p);
  EXPECT_EQ(p->ref, 32001);
  EXPECT_EQ(std::string(p->text()), "forever");
}

TEST(CStrings, Utilities) {
  char buf[8];
  EXPECT_STREQ(awk_strcpyn(buf, "abcdefghij", sizeof buf), "abcdefg");
  char path[] = "/a/b/c";
  EXPECT_STREQ(awk_strchsub(path, '/', '\\'), "\\a\\b\\c");
  char mixed[] = "MiXeD\xc4";
  EXPECT_STREQ(awk_strtolower(mixed), "mixed\xc4");
  EXPECT_EQ(awk_strtolower(nullptr), nullptr);

  struct Cmp { const char *a, *b; int sign; };
  const Cmp cmps[] = {{"abc", "ABC", 0}, {"abc", "abd", -1}, {"B", "a", 1},
                      {"ab", "abc", -1}, {"\xe4", "\xc4", 1}, {"", "", 0}};
  for (const Cmp& c : cmps) {
    int r = awk_stricmp(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }

  EXPECT_STREQ(awk_lastslash("/x/y.z"), "/y.z");
  EXPECT_EQ(awk_lastslash("plain"), nullptr);
  EXPECT_STREQ(awk_PFileExt("/x/y.tar.gz"), ".gz");
  EXPECT_EQ(awk_PFileExt("/x.d/y"), nullptr);
  EXPECT_STREQ(awk_PFileName("/x/y.z"), "y.z");
  EXPECT_STREQ(awk_PFileName("y.z"), "y.z");
}

}  // namespace

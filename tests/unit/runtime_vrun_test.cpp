// The run-time as a command: how it finds and loads its image, and what it
// says when it cannot. Every case runs the real vrun binary (path in $VRUN).
#include <gtest/gtest.h>

#include <functional>

#include "image/builtins.h"
#include "runtime_helpers.h"

using namespace vorn::image;
using rtest::Asm;

namespace {

TEST(Vrun, NoArgumentPrintsBannerAndUsage) {
  auto r = rtest::run(rtest::vrun(), {});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("vrun ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("\nvrun: fatal error: Expecting filename.ae as first program argument\n"), r.err.npos)
      << r.err;
}

struct BadImage {
  const char* name;
  const char* file;                                     // name in the temp dir
  std::function<void(std::vector<uint8_t>&)> damage;    // null: file not written
  const char* message;                                  // %s = the path
};

const char kOld[] = "vrun: fatal error: Invalid or old version awk program file: %s\n";
const char kShort[] = "vrun: fatal error: (3) error reading file %s\n";
const BadImage kBad[] = {
    {"missing file", "none.ae", nullptr, "vrun: fatal error: Can not open file '%s'\n"},
    {"not an image", "text.ae", [](auto& img) { img.assign(2000, 'a'); }, kOld},
    {"cut inside the root record", "short.ae", [](auto& img) { img.resize(1000); }, kShort},
    {"cut inside segment 0", "short0.ae", [](auto& img) { img.resize(kRootSize + 3); }, kShort},
    {"wrong magic", "magic.ae", [](auto& img) { img[0] ^= 1; }, kOld},
    {"wrong version", "version.ae", [](auto& img) { img[7] ^= 1; }, kOld},
    {"segment count above 600", "count.ae",
     [](auto& img) { putBe32(img.data() + root::kSegmentCount, 601); }, kOld},
    {"negative segment size", "negsize.ae",
     [](auto& img) { putBe16(img.data() + root::kSegmentSizes, 0xFFF0); }, kOld},
    {"not a plain image, no trailer", "image.bin", [](auto& img) { img.resize(2); },
     "vrun: fatal error: invalid awk executable file: %s\n"},
    {"trailer longer than the file", "image.bin",
     [](auto& img) { img.insert(img.end(), {0x7F, 0xFF, 0xFF, 0xFF}); },
     "vrun: fatal error: (2) invalid awk executable file: %s\n"},
};

TEST(Vrun, LoaderMessages) {
  for (const BadImage& b : kBad) {
    rtest::TempDir dir;
    std::string path = dir / b.file;
    if (b.damage) {
      auto img = rtest::minimalWriter().build();
      b.damage(img);
      rtest::writeBytes(path, img);
    }
    auto r = rtest::run(rtest::vrun(), {path});
    char want[600];
    std::snprintf(want, sizeof want, b.message, path.c_str());
    std::string expected = want;
    if (expected.size() > 79)  // the message continues on a second line
      expected.insert(expected.find(": ", 5) + 2, "\n     ");
    EXPECT_EQ(r.status, 2) << b.name;
    EXPECT_EQ(r.err, expected) << b.name;
    EXPECT_EQ(r.out, "") << b.name;
  }
}

// An image cut short in a later segment loads; only a use of an address in
// the missing segment fails.
std::vector<uint8_t> farImage(uint32_t far) {
  ImageWriter w;
  w.setBuildStamp(77);
  Asm a;
  for (uint32_t s : {w.addString("near"), far}) {
    a.op(Op::op_line).u(s == far ? 2 : 1).op(Op::op_pushslot).op(Op::op_pushs).a(s);
    a.op(Op::op_bcall).p(1, 1).s(slot::b_print).op(Op::op_pop);
  }
  a.op(Op::op_ret);
  w.setFunction(1000, a.function());
  w.setRootGid(root::kBegin1Function, 1000);
  return w.build();
}

TEST(Vrun, CutInALaterSegmentFailsOnlyWhenUsed) {
  // The far string lives in one more segment after the writer's last one,
  // of which the file holds only the first bytes.
  uint32_t count = be32(farImage(4).data() + root::kSegmentCount);
  auto img = farImage(count << 16 | 4);
  ASSERT_EQ(be32(img.data() + root::kSegmentCount), count);
  putBe32(img.data() + root::kSegmentCount, count + 1);
  putBe16(img.data() + root::kSegmentSizes + 2 * count, 100);
  img.insert(img.end(), {0, 0, 0, 0, 0, 0, 0, 3, 0, 1});  // 10 of 100 bytes
  rtest::TempDir dir;
  std::string path = dir / "cut.ae";
  rtest::writeBytes(path, img);
  auto r = rtest::run(rtest::vrun(), {path});
  EXPECT_EQ(r.out, "near\n");
  EXPECT_EQ(r.err, "cut: internal error: invalid vmid: " + std::to_string(count) + "\n");
  EXPECT_EQ(r.status, 2);
}

}  // namespace

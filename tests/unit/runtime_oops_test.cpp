// Diagnostics: the first line's pieces, the warnings filter, the 78-column
// continuation, the 517-character prefix limit, and which codes end the run.
#include <gtest/gtest.h>

#include "io/globals.h"
#include "runtime/startup.h"
#include "runtime_helpers.h"

namespace {

struct Outcome {
  std::string err;
  int status = -1;   // -1: oops returned
};

// Runs one oops call with standard error captured; the run's end is caught.
template <class F>
Outcome capture(F call) {
  Outcome o;
  o.err = tsupport::stderrOf([&] { o.status = rtest::exitOf(call); });
  return o;
}

class OopsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    awk_warnings = 7;
    _progname = "vrun";
    awk_debuge = 0;
    awk_filename = nullptr;
    awk_nr = awk_fnr = 0;
  }
  void TearDown() override {
    if (awk_filename) stringFree(awk_filename);
    awk_filename = nullptr;
  }
};

TEST_F(OopsTest, SeverityWordsAndEnds) {
  struct Case { int code; const char* err; int status; } cases[] = {
      {'W', "vrun: warning: msg 7\n", -1},
      {'A', "vrun: warning: msg 7\n", -1},
      {'N', "vrun: note: msg 7\n", -1},
      {'D', "vrun: error: msg 7\n", -1},
      {'M', "vrun: msg 7\n", -1},
      {'E', "vrun: error: msg 7\n", 2},
      {'F', "vrun: fatal error: msg 7\n", 2},
      {'I', "vrun: internal error: msg 7\n", 2},
      {'X', "internal error (oops)\r\n", 2},
      {'q', "internal error (oops)\r\n", 2},
  };
  for (const Case& c : cases) {
    Outcome o = capture([&] { oops(c.code, "msg %d", 7); });
    EXPECT_EQ(o.err, c.err) << char(c.code);
    EXPECT_EQ(o.status, c.status) << char(c.code);
  }
}

TEST_F(OopsTest, WarningsLevelFilters) {
  struct Case { int level; const char* shown; } cases[] = {   // shown: the codes that print
      {0, "eEfF"}, {1, "wWeEfF"}, {2, "aAeEfF"}, {4, "nNeEfF"}, {7, "wWaAnNeEfF"}};
  for (const Case& c : cases) {
    for (char code : std::string("wWaAnNeEfF")) {
      awk_warnings = c.level;
      Outcome o = capture([&] { oops(code, "x"); });
      bool shown = std::string(c.shown).find(code) != std::string::npos;
      EXPECT_EQ(!o.err.empty(), shown) << "WARNINGS=" << c.level << " code " << code;
    }
  }
}

TEST_F(OopsTest, PiecesThatOverflowThePrefixAreDropped) {
  std::string name(500, 'p');
  _progname = name.c_str();
  awk_filename = stringNew("data.txt");
  awk_fnr = 1;
  // name + ": " (502) + "warning" (509) fits; the FILENAME piece would not,
  // ": " still does.
  Outcome o = capture([] { oops('w', "t"); });
  EXPECT_EQ(o.err, name + ": warning: \n     t\n");
  std::string longer(516, 'p');
  _progname = longer.c_str();
  // name + ": " is 518 characters: the first piece itself is dropped.
  o = capture([] { oops('W', "t"); });
  EXPECT_EQ(o.err, "warning: t\n");
}

}  // namespace

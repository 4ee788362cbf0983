// The record reader over explicit streams: every RS mode on inputs with
// and without a final newline, CR LF and control-Z translation, blank-line
// runs, RECLEN, separator patterns and RSM. Each case is read three ways
// (default buffer, a small buffer so records cross refills, and no buffer
// so every byte goes through getc) and all three must agree.
#include <unistd.h>

#include <fstream>

#include "io/stream.h"
#include "records_fixture.h"

using namespace rectest;

namespace {

Cell g_rsm, g_stdin, g_stdout, g_stderr, g_filemode;

struct Rec {
  std::string text, rsm;
  bool operator==(const Rec&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rec& r) {
  return o << "{\"" << r.text << "\" rsm \"" << r.rsm << "\"}";
}
using Recs = std::vector<Rec>;

enum class Buffering { Default, Small, None };

// Reads every record of content through next_record(stream) (opened with
// the given flags); standard error goes to err.
Recs readAll(const std::string& content, Buffering b, std::string& err, uint16_t flags = 0) {
  const std::string path = "/tmp/vorn_records_" + std::to_string(getpid());
  std::ofstream(path, std::ios::binary) << content;
  AwkString* name = stringNew(path);
  awk_bufsize = b == Buffering::Small ? 256 : 4096;
  AwkStream* r = awk_openfile(name, kOpenRead, 0, flags, 0);
  EXPECT_NE(r, nullptr);
  if (b == Buffering::None) setvbuf(r->fp, nullptr, _IONBF, 0);
  Recs out;
  err = tsupport::stderrOf([&] {
    while (AwkString* s = next_record(r)) {
      std::string rsm = cellIsStringy(&g_rsm) ? std::string(g_rsm.w.s->view()) : "<none>";
      out.push_back({std::string(s->view()), rsm});
      stringFree(s);
      if (out.size() > 100000) break;
    }
  });
  awk_sfclose(r, 2);
  awk_bufsize = 4096;
  stringFree(name);
  unlink(path.c_str());
  return out;
}

struct ReaderCase { const char* name; Cell rs; int32_t reclen, rawmode; std::string input; Recs want; };

std::vector<ReaderCase> cases() {
  const std::string longLine(5000, 'x');
  return {
      {"lines", strCell("\n"), kNoLimit, 7, "a\nbb\n\nc\n", {{"a", "\n"}, {"bb", "\n"}, {"", "\n"}, {"c", "\n"}}},
      {"no-final-newline", strCell("\n"), kNoLimit, 7, "a\nb", {{"a", "\n"}, {"b", ""}}},
      {"empty-input", strCell("\n"), kNoLimit, 7, "", {}},
      {"crlf-kept-by-default", strCell("\n"), kNoLimit, 7, "a\r\nb\r\n", {{"a\r", "\n"}, {"b\r", "\n"}}},
      {"crlf-translated", strCell("\n"), kNoLimit, 5, "a\r\nb\r\n", {{"a", "\n"}, {"b", "\n"}}},
      {"lone-cr-kept", strCell("\n"), kNoLimit, 5, "a\rb\nc\r", {{"a\rb", "\n"}, {"c\r", ""}}},
      {"ctrl-z-data-by-default", strCell("\n"), kNoLimit, 7, "a\x1a" "b\n", {{"a\x1a" "b", "\n"}}},
      {"ctrl-z-ends-input", strCell("\n"), kNoLimit, 6, "a\nb\x1a" "c\nd\n", {{"a", "\n"}, {"b", ""}}},
      {"long-line", strCell("\n"), kNoLimit, 7, longLine + "\nz\n", {{longLine, "\n"}, {"z", "\n"}}},
      {"one-byte", strCell(";"), kNoLimit, 7, "a;b;;c\n", {{"a", ";"}, {"b", ";"}, {"", ";"}, {"c\n", ""}}},
      {"nul-byte-data", strCell("\n"), kNoLimit, 7, std::string("a\0b\n", 4), {{std::string("a\0b", 3), "\n"}}},
      {"paragraphs", strCell(""), kNoLimit, 7, "\n\n\na\nb\n\n\n\nc\n", {{"a\nb", "\n\n"}, {"c", "\n"}}},
      {"paragraph-no-final-newline", strCell(""), kNoLimit, 7, "a\n\nb", {{"a", "\n\n"}, {"b", ""}}},
      {"paragraph-only-blank-lines", strCell(""), kNoLimit, 7, "\n\n\n", {}},
      {"disabled-whole-input", intCell(0), kNoLimit, 7, "a\nb\n", {{"a\nb\n", ""}}},
      {"disabled-reclen", intCell(0), 10, 7, std::string(25, 'q'),
       {{std::string(10, 'q'), ""}, {std::string(10, 'q'), ""}, {std::string(5, 'q'), ""}}},
      // A line of exactly RECLEN bytes is one record with its newline.
      {"reclen-exact-line", strCell("\n"), 3, 7, "abc\ndefg\nh\n",
       {{"abc", "\n"}, {"def", ""}, {"g", "\n"}, {"h", "\n"}}},
      {"reclen-exact-last-line", strCell("\n"), 3, 7, "abc\n", {{"abc", "\n"}}},
      {"reclen-one-byte-sep", strCell(";"), 2, 7, "ab;c;", {{"ab", ";"}, {"c", ";"}}},
      {"reclen-crlf", strCell("\n"), 3, 5, "ab\r\nabc\r\nabcd\r\n",
       {{"ab", "\n"}, {"abc", "\n"}, {"abc", ""}, {"d", "\n"}}},
      {"pattern", strCell("ab+"), kNoLimit, 7, "xabbyabz", {{"x", "abb"}, {"y", "ab"}, {"z", ""}}},
      {"pattern-at-end", strCell("ab+"), kNoLimit, 7, "xab", {{"x", "ab"}}},
      {"pattern-alternatives", strCell("\n|;;"), kNoLimit, 7, "a;;b\nc;d", {{"a", ";;"}, {"b", "\n"}, {"c;d", ""}}},
  };
}

using ReaderTest = RecordsTest;

TEST_F(ReaderTest, EveryModeAgreesAcrossBuffering) {
  for (ReaderCase& c : cases()) {
    SCOPED_TRACE(c.name);
    assign(pv::RS, c.rs);
    awk_reclen = c.reclen;
    awk_rawmode = c.rawmode;
    for (Buffering b : {Buffering::Default, Buffering::Small, Buffering::None}) {
      SCOPED_TRACE(int(b));
      std::string err;
      EXPECT_EQ(readAll(c.input, b, err), c.want);
      EXPECT_EQ(err, "");
    }
  }
}

TEST_F(ReaderTest, BinaryAndTextStreamsOverrideRawmode) {
  const std::string in = "a\r\nb\x1a" "c\n";
  std::string err;
  EXPECT_EQ(readAll(in, Buffering::Default, err, SF_TEXT), (Recs{{"a", "\n"}, {"b", ""}}));
  EXPECT_EQ(readAll(in, Buffering::Default, err, SF_BINARY), (Recs{{"a\r", "\n"}, {"b\x1a" "c", "\n"}}));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  awk_initio_cells(&g_rsm, &g_stdin, &g_stdout, &g_stderr, &g_filemode);
  return RUN_ALL_TESTS();
}

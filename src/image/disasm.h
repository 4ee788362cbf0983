// A readable dump of a program image: the root record, the segments, every
// function with its decoded instructions and name list, the module and
// extern tables, the stored argument list and the symbol table with its
// records. Built on ImageReader, so malformed bytes give "error:" lines, not
// crashes.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/decode.h"
#include "image/reader.h"

namespace vorn::image {

// One line: "   14  op_pushs     0x00010018 \"abc\"". `reader` (may be null)
// resolves string operands.
std::string formatInstruction(const Instruction& ins, const ImageReader* reader);

// All instructions of a function, one per line; stops at the first
// undecodable instruction with an "error:" line.
std::string disassembleFunction(const FunctionView& fn, const ImageReader* reader);

// The whole image.
std::string dumpImage(const ImageReader& reader);
// Parses `bytes` (an image, or a bound executable when the image does not
// open) and dumps it; a failure to parse is the single "error:" line.
std::string dumpImage(std::span<const uint8_t> bytes);

// A string as a quoted C-like literal ("a\tb\x01").
std::string quoteBytes(std::string_view s);

}  // namespace vorn::image

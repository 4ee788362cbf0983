// The image dump. Instructions come from the one decoder (decode.h). Every
// read goes through ImageReader or is checked against the function's own
// bytes; what cannot be read is printed as an "error:" line and the dump goes
// on with the next part of the image.
#include "image/disasm.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "image/builtins.h"

namespace vorn::image {

namespace {

using Names = std::map<int, std::string>;

const char* symbolKindName(int k) {
  switch (k) {
    case symkind::kModuleOnly: return "module-only";
    case symkind::kFunction: return "function";
    case symkind::kGlobal: return "global";
    case symkind::kSkipped: return "skipped";
    case symkind::kPredefinedGlobal: return "predefined global";
    case symkind::kSpecialVariable: return "special variable";
    case symkind::kBuiltin: return "builtin";
    default: return "?";
  }
}

// The name a gid has in the image's symbol table or in the fixed tables.
std::string gidName(int gid, const Names* names) {
  if (names) {
    auto it = names->find(gid);
    if (it != names->end()) return it->second;
  }
  if (gid >= gid::kBuiltinFirst && gid <= gid::kBuiltinLast) return kBuiltinNames[gid];
  if (gid >= gid::kSpecialFirst && gid <= gid::kSpecialLast)
    return kSpecialNames[gid - gid::kSpecialFirst];
  if (gid >= gid::kGlobalFirst && gid < gid::kGlobalFirst + kPredefinedCount)
    return kPredefinedNames[gid - gid::kGlobalFirst];
  return {};
}

std::string withName(int64_t v, int gid, const Names* names) {
  std::string n = gidName(gid, names);
  return n.empty() ? printed("%lld", (long long)v) : printed("%lld (%s)", (long long)v, n.c_str());
}

std::string operandText(const Operand& o, const ImageReader* reader, const Names* names,
                        const Instruction& ins) {
  switch (o.kind) {
    case 'b':
      if ((ins.info == &opInfo(Op::op_cmp) || ins.info == &opInfo(Op::op_icmp)) &&
          cmp::valid(int(o.value)))
        return printed("%lld (%s)", (long long)o.value, cmp::kRelationNames[o.value / 2]);
      return printed("%lld", (long long)o.value);
    case 'p': return printed("%lld %lld", (long long)(o.value >> 8), (long long)(o.value & 0xFF));
    case 'h': case 'u': case 'c': case 'e': return printed("%lld", (long long)o.value);
    case 'j': return printed("-> %lld", (long long)o.target);
    case 'l': {
      if (o.value > 0 && o.value % kCellSize == 0)
        return printed("%+lld (param %lld)", (long long)o.value, (long long)(o.value / kCellSize));
      if (o.value < 0 && o.value % kCellSize == 0)
        return printed("%+lld (local %lld)", (long long)o.value, (long long)(-o.value / kCellSize));
      return printed("%+lld", (long long)o.value);
    }
    case 'g': return withName(o.value, int(o.value), names);
    case 'v': return withName(o.value, int(o.value) + gid::kSpecialFirst, nullptr);
    case 's': return withName(o.value, int(o.value), nullptr);
    case 'w': return printed("%d", int32_t(uint32_t(o.value)));
    case 'r': return printed("#%lld", (long long)o.value);
    case 'a': {
      std::string s = printed("0x%08llX", (long long)o.value);
      if (reader) {
        auto str = reader->stringAt(uint32_t(o.value));
        if (str)
          s.append(" ").append(quoteBytes(str.value));
        else
          s.append(" <").append(str.error).append(">");
      }
      return s;
    }
    case 'd': return printed("%.17g dec %lld", o.real, (long long)o.value);
    default: return "?";
  }
}

std::string formatWith(const Instruction& ins, const ImageReader* reader, const Names* names) {
  std::string line = printed("%6zu  %-12s", ins.offset, ins.info->name);
  for (size_t i = 0; i < ins.operands.size(); ++i) {
    line += i ? ", " : "";
    line += operandText(ins.operands[i], reader, names, ins);
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

std::string disassembleWith(const FunctionView& fn, const ImageReader* reader, const Names* names) {
  std::string out;
  for (size_t off = kFunctionHeaderSize; off < fn.bytes.size();) {
    auto ins = decodeInstruction(fn.bytes, off);
    if (!ins) return out + "error: " + ins.error + "\n";
    out += formatWith(ins.value, reader, names);
    for (const Operand& o : ins.value.operands)
      if (o.kind == 'j' && (o.target < kFunctionHeaderSize || o.target >= int64_t(fn.bytes.size()) ||
                            o.target % 2))
        out += printed("error: jump at %zu leaves the function (target %lld)\n", off,
                    (long long)o.target);
    off += ins.value.length;
  }
  return out;
}

const char* phaseNames[] = {"init", "begin1", "begin2", "main", "end1", "end2",
                            "exit", "beginfile", "endfile"};

}  // namespace

std::string quoteBytes(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c >= 0x7F) out += printed("\\x%02X", c);
        else out += char(c);
    }
  }
  return out + "\"";
}

std::string formatInstruction(const Instruction& ins, const ImageReader* reader) {
  return formatWith(ins, reader, nullptr);
}

std::string disassembleFunction(const FunctionView& fn, const ImageReader* reader) {
  return disassembleWith(fn, reader, nullptr);
}

std::string dumpImage(const ImageReader& r) {
  const RootInfo& t = r.root();
  std::string out = "root record\n";
  out += printed("  magic           0x%08X\n  version         0x%08X\n", t.magic, t.version);
  out += printed("  symbol table    0x%08X\n", t.symbolTable);
  out += printed("  module table    0x%08X (%d modules)\n", t.moduleTable, t.moduleCount);
  out += printed("  function table  0x%08X (%d entries)\n", t.functionTable, t.functionCount);
  out += printed("  extern table    0x%08X (%d entries)\n", t.externTable, t.externCount);
  out += printed("  globals         %d\n", t.globalCount);
  const int16_t phases[] = {t.initFunction, t.begin1Function, t.begin2Function,
                            t.mainFunction, t.end1Function,   t.end2Function,
                            t.exitFunction, t.beginFileFunction, t.endFileFunction};
  out += "  phases         ";
  for (size_t i = 0; i < std::size(phases); ++i) out += printed(" %s=%d", phaseNames[i], phases[i]);
  out += printed("\n  stored args     0x%08X\n", t.storedArgs);
  out += printed("  flags           0x%04X\n  build stamp     0x%08X\n", t.flags, t.buildStamp);
  out += printed("segments (%u)\n", t.segmentCount);
  for (int n = 0; n < r.segmentCount(); ++n)
    out += printed("  %3d  %5d bytes%s\n", n, t.segmentSizes[size_t(n)],
                r.segment(n).empty() && t.segmentSizes[size_t(n)] ? " (absent)" : "");
  for (const std::string& note : r.notes()) out += "note: " + note + "\n";

  // gid -> name, from the symbol table, for operands.
  Names names;
  auto table = r.symbolTable();
  if (table)
    for (const SymbolSlot& s : table.value.used) {
      auto rec = r.symbolRecord(s.recordVaddr);
      if (rec && rec.value.gid != 0) names.emplace(rec.value.gid, s.key);
    }

  auto mods = r.modules();
  out += "modules\n";
  if (!mods) {
    out += "error: " + mods.error + "\n";
  } else {
    for (size_t i = 0; i < mods.value.size(); ++i)
      out += printed("  %3zu  %s\n", i, mods.value[i].nameVaddr
                                          ? quoteBytes(mods.value[i].name).c_str()
                                          : "(unnamed)");
  }

  out += "functions\n";
  auto ftab = r.functionTable();
  if (!ftab) {
    out += "error: " + ftab.error + "\n";
  } else {
    for (size_t i = 0; i < ftab.value.size(); ++i) {
      if (ftab.value[i] == 0) continue;
      int gid = int(gid::kFunctionFirst + i);
      std::string name = gidName(gid, &names);
      out += printed("  function %d%s%s @0x%08X\n", gid, name.empty() ? "" : " ", name.c_str(),
                  ftab.value[i]);
      auto fn = r.functionAt(ftab.value[i]);
      if (!fn) {
        out += "error: " + fn.error + "\n";
        continue;
      }
      const FunctionView& f = fn.value;
      out += printed("    kind %u  params %u  locals %u  module %u%s  length %u\n", f.kind,
                  f.paramCount, f.localCount, f.module,
                  f.module == kGeneratedModule ? " (generated)" : "", f.length);
      out += f.nameListTerminated ? "    names " + quoteBytes(f.nameList) + "\n"
                                  : std::string("error: name list has no NUL in its segment\n");
      out += disassembleWith(f, &r, &names);
    }
  }

  auto ext = r.externTable();
  if (!ext) {
    out += "error: " + ext.error + "\n";
  } else if (!ext.value.empty()) {
    out += "externs\n";
    for (size_t i = 0; i < ext.value.size(); ++i) {
      out += printed("  %zu @0x%08X", gid::kExternFirst + i, ext.value[i]);
      auto e = r.externAt(ext.value[i]);
      if (!e) {
        out += "\nerror: " + e.error + "\n";
        continue;
      }
      out += printed("  %s  params %d  return 0x%X  types", quoteBytes(e.value.name).c_str(),
                  e.value.paramCount(), unsigned(uint16_t(e.value.returnType)));
      for (int k = 0; k < e.value.paramCount() && k < 20; ++k)
        out += printed(" %u", e.value.paramTypes[size_t(k)]);
      out += "\n";
    }
  }

  auto args = r.storedArgs();
  if (!args) {
    out += "error: " + args.error + "\n";
  } else if (t.storedArgs) {
    out += "stored arguments\n";
    for (size_t i = 0; i < args.value.size(); ++i)
      out += printed("  %3zu  %s\n", i, quoteBytes(args.value[i]).c_str());
  }

  if (!table) return out + "error: " + table.error + "\n";
  const SymbolTableView& st = table.value;
  out += printed("symbol table  capacity %d  count %d  exponent %u  kind %u  slots 0x%08X\n",
              st.capacity, st.count, st.sizeExponent, st.kind, st.slotsVaddr);
  for (const SymbolSlot& s : st.used) {
    out += printed("  slot %4u  %-16s hash 0x%08X  record 0x%08X\n", s.index,
                quoteBytes(s.key).c_str(), s.hash, s.recordVaddr);
    auto rec = r.symbolRecord(s.recordVaddr);
    if (!rec) {
      out += "error: " + rec.error + "\n";
      continue;
    }
    const SymbolRecordView& v = rec.value;
    out += printed("      %s (kind %d)  gid %d  compiler bits 0x%03X  definitions %d\n",
                symbolKindName(v.kind()), v.kind(), v.gid, v.compilerBits(), v.definitionCount());
    for (const SymbolDefinitionView& d : v.definitions) {
      if (v.kind() == symkind::kBuiltin)
        out += printed("        flags 0x%04X  params %u..%u  types 0x%04X\n", d.info >> 16,
                    d.info >> 12 & 0xF, d.info >> 8 & 0xF, d.line);
      else
        out += printed("        def kind %d  module %d  gid %d  line %u  flags 0x%04X  extra 0x%08X\n",
                    d.kind(), d.module(), d.gid(), d.line, d.flags, d.extra);
    }
  }
  if (st.count != int32_t(st.used.size()))
    out += printed("error: symbol table count %d, %zu slots used\n", st.count, st.used.size());
  return out;
}

std::string dumpImage(std::span<const uint8_t> bytes) {
  ImageReader r;
  auto opened = r.open(bytes);
  if (!opened) {
    auto inner = ImageReader::imageOfExecutable(bytes);
    if (!inner || !r.open(inner.value)) return "error: " + opened.error + "\n";
  }
  return dumpImage(r);
}

}  // namespace vorn::image

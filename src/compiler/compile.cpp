// The compiler driver: parse every source as a module, resolve, generate,
// then write the module table, the extern descriptors and the symbol table
// (every builtin, special variable, predefined global, global, function,
// static name and phase entry point) through the image writer.
#include "compiler/compile.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <span>
#include <string_view>

#include "compiler/codegen.h"
#include "compiler/parser.h"
#include "compiler/unit.h"
#include "image/format.h"
#include "image/name_index.h"
#include "image/signatures.h"
#include "image/writer.h"

namespace vorn::compiler {

namespace {

using image::SymbolDefinition;

// A symbol record while it is gathered: most names have one definition,
// kept in place; a second one moves them all to `more`.
struct Gathered {
  int kind = 0;
  int16_t gid = 0;
  int count = 0;
  SymbolDefinition one;
  std::vector<SymbolDefinition> more;

  void add(const SymbolDefinition& d, bool atFront) {
    if (count == 0) {
      one = d;
    } else {
      if (count == 1) more.assign(1, one);
      more.insert(atFront ? more.begin() : more.end(), d);
    }
    ++count;
  }
  std::span<const SymbolDefinition> definitions() const {
    return count <= 1 ? std::span<const SymbolDefinition>(&one, size_t(count)) : more;
  }
};

// The records by name while they are gathered: later kinds replace or
// extend earlier ones. Names are views of the builtin tables and of the
// unit, which outlive the writing.
struct RecordSet {
  struct Entry {
    std::string_view name;
    Gathered record;
    bool live = true;
  };
  std::vector<Entry> entries;
  image::NameIndex index;

  std::string_view nameAt(int32_t i) const { return entries[size_t(i)].name; }

  // The record of `name`; a new or erased one comes back empty, with
  // `fresh` set.
  Gathered& get(std::string_view name, bool& fresh) {
    int32_t at = index.findOrAdd(name, int32_t(entries.size()), [this](int32_t i) { return nameAt(i); });
    fresh = at < 0 || !entries[size_t(at)].live;
    if (at < 0) return entries.emplace_back(Entry{name, {}, true}).record;
    Entry& e = entries[size_t(at)];
    if (!e.live) e = Entry{name, {}, true};
    return e.record;
  }
  // A record of one definition, replacing any record of the name.
  void set(std::string_view name, int kind, int gid, const SymbolDefinition& def) {
    bool fresh;
    Gathered& r = get(name, fresh);
    r = Gathered{};
    r.kind = kind;
    r.gid = int16_t(gid);
    r.add(def, false);
  }
  Gathered* find(std::string_view name) {
    int32_t at = index.find(name, [this](int32_t i) { return nameAt(i); });
    return at >= 0 && entries[size_t(at)].live ? &entries[size_t(at)].record : nullptr;
  }
  void erase(std::string_view name) {
    int32_t at = index.find(name, [this](int32_t i) { return nameAt(i); });
    if (at >= 0) entries[size_t(at)].live = false;
  }
  // Hands the live records to the writer in name order. Names (which hold
  // no NUL) are ordered by their first eight bytes packed into a word, and
  // by the rest only where those are equal.
  void write(image::ImageWriter& w) {
    std::vector<std::pair<uint64_t, const Entry*>> order;
    order.reserve(entries.size());
    for (const Entry& e : entries) {
      if (!e.live) continue;
      uint64_t key = 0;
      for (size_t i = 0; i < 8; ++i) key = key << 8 | (i < e.name.size() ? uint8_t(e.name[i]) : 0);
      order.emplace_back(key, &e);
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second->name < b.second->name;
    });
    for (const auto& [key, e] : order)
      w.addSymbol(e->name, e->record.kind, e->record.gid, e->record.definitions());
  }
};

void writeSymbols(Unit& u, const CodegenResult& cg, image::ImageWriter& w) {
  RecordSet recs;
  recs.entries.reserve(size_t(image::kBuiltinSlots + image::kSpecialCount + image::kPredefinedCount) +
                       u.globalOrder.size() + u.functions.size() + cg.phases.size());
  auto lineOf = [&](int module, uint32_t offset) { return u.file(module)->lineOf(offset); };
  auto primary = [&](std::string_view name, int kind, int gid, SymbolDefinition def) {
    bool fresh;
    Gathered& r = recs.get(name, fresh);
    r.kind = kind;
    r.gid = int16_t(gid);
    r.add(def, true);
  };
  auto moduleDef = [&](std::string_view name, SymbolDefinition def) {
    bool fresh;
    Gathered& r = recs.get(name, fresh);
    if (fresh) {
      r.kind = image::symkind::kModuleOnly;
      r.gid = 0;
    }
    r.add(def, false);
  };
  // A name of a kind the run-time skips gives way to a module's own.
  auto dropSkipped = [&](std::string_view name) {
    if (Gathered* r = recs.find(name); r && r->kind >= image::symkind::kSkipped) recs.erase(name);
  };
  for (int s = 1; s < image::kBuiltinSlots; ++s) {
    const auto* sig = image::builtinSignature(s);
    recs.set(sig->name, image::symkind::kBuiltin, s,
             SymbolDefinition::builtin(image::builtinFlagWord(*sig), image::builtinCountWord(*sig),
                                       image::builtinTypeWord(*sig)));
  }
  const auto predefined = SymbolDefinition::make(image::defkind::kGlobal, image::kPredefinedModule, 0);
  for (int i = 0; i < image::kSpecialCount; ++i)
    recs.set(image::kSpecialNames[i], image::symkind::kSpecialVariable, image::gid::kSpecialFirst + i,
             predefined);
  for (int i = 0; i < image::kPredefinedCount; ++i)
    recs.set(image::kPredefinedNames[i], image::symkind::kPredefinedGlobal, image::gid::kGlobalFirst + i,
             predefined);
  // A user name that is also an extension builtin's replaces the builtin's
  // record: the program's own meaning is the one reached by name.
  for (const std::string& name : u.globalOrder) {
    const GlobalSym& g = u.globals.at(name);
    recs.erase(name);
    primary(name, image::symkind::kGlobal, g.gid,
            SymbolDefinition::make(image::defkind::kGlobal, g.module, g.gid, lineOf(g.module, g.offset)));
  }
  for (const auto& [name, fn] : u.functions) {
    if (!fn->gid) continue;
    recs.erase(name);
    primary(name, image::symkind::kFunction, fn->gid,
            SymbolDefinition::make(image::defkind::kFunction, fn->module, fn->gid, lineOf(fn->module, fn->offset)));
  }
  for (const ExternDecl* ex : u.externOrder) {
    int gid = image::gid::kExternFirst + ex->index;
    recs.erase(ex->name);
    primary(ex->name, image::symkind::kFunction, gid,
            SymbolDefinition::make(image::defkind::kFunction, ex->module, gid, lineOf(ex->module, ex->offset)));
  }
  for (size_t m = 0; m < u.staticFunctions.size(); ++m) {
    for (const auto& [name, fn] : u.staticFunctions[m]) {
      if (!fn->gid) continue;
      dropSkipped(name);
      moduleDef(name, SymbolDefinition::make(image::defkind::kModuleFunction, int(m), fn->gid,
                                             lineOf(int(m), fn->offset)));
    }
    for (const auto& [name, g] : u.statics[m]) {
      dropSkipped(name);
      moduleDef(name, SymbolDefinition::make(image::defkind::kModuleVariable, int(m), g.gid,
                                             lineOf(int(m), g.offset)));
    }
  }
  for (const PhaseEntry& p : cg.phases)
    moduleDef(p.name, SymbolDefinition::make(image::defkind::kModuleFunction, p.module, p.gid,
                                             lineOf(p.module, p.offset)));
  recs.write(w);
}

void writeExterns(Unit& u, image::ImageWriter& w) {
  for (const ExternDecl* ex : u.externOrder) {
    std::vector<uint8_t> types(ex->paramTypes.begin(), ex->paramTypes.end());
    w.addExternFunction(int16_t(ex->returnType), types, ex->cname);
  }
}

uint32_t buildStamp() {
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  uint32_t s = uint32_t(now) ^ uint32_t(uint64_t(now) >> 32) ^ (uint32_t(getpid()) << 16);
  return s ? s : 1;
}

}  // namespace

bool compileProgram(const std::vector<SourceInput>& sources, const CompileOptions& options,
                    Diagnostics& diag, CompileOutput& out) {
  Program prog;
  prog.modules.resize(sources.size());
  bool ok = true;
  for (size_t i = 0; i < sources.size(); ++i) {
    prog.modules[i].file = std::make_unique<SourceFile>(sources[i].name, sources[i].text);
    ok = parseModule(prog, prog.modules[i], int(i), diag) && ok;
  }
  if (!ok) return false;
  Unit u(prog, diag);
  u.declaredNames = &options.declaredNames;
  if (!resolveProgram(u)) return false;
  try {
    image::ImageWriter w;
    for (const SourceInput& s : sources) w.addModule(s.named ? s.name : "");
    CodegenResult cg;
    if (!generateProgram(u, w, cg)) return false;
    writeExterns(u, w);
    writeSymbols(u, cg, w);
    w.setGlobalCount(u.nextGlobal - image::gid::kGlobalFirst);
    w.setFlags(options.flags);
    w.setBuildStamp(buildStamp());
    if (options.storeArgs) w.setStoredArgs(options.storedArgs);
    out.image = w.build();
    out.functions = std::move(cg.functions);
    out.globalCount = u.nextGlobal - image::gid::kGlobalFirst;
  } catch (const image::ImageError& e) {
    diag.error(std::string("the program does not fit in an image: ") + e.what());
    return false;
  }
  return diag.errorCount() == 0;
}

}  // namespace vorn::compiler

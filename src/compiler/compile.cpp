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
#include "image/fixed_symbols.h"
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

// The fixed name's record as it stands before the program's names are
// merged in.
Gathered fixedRecord(const image::FixedSymbol& f) {
  Gathered r;
  r.kind = f.kind;
  r.gid = f.gid;
  SymbolDefinition d;
  d.info = f.info;
  d.line = f.line;
  r.add(d, false);
  return r;
}

// The records of the program's own names while they are gathered: later
// kinds replace or extend earlier ones. A fixed name (kFixedSymbols) comes in
// with its record the first time the program's names touch it, and its
// entry here, live or erased, then stands for it. Names are views of the
// fixed table and of the unit, which outlive the writing.
struct RecordSet {
  struct Entry {
    std::string_view name;
    uint32_t hash;
    Gathered record;
    bool live;
  };
  std::vector<Entry> entries;
  image::NameIndex index;

  // The entry of `name`, made when it is new: live with the fixed record,
  // or erased.
  Entry& entry(std::string_view name) {
    uint32_t h = image::tableHash(name.data(), name.size());
    int32_t at = index.findOrAddHashed(name, h, int32_t(entries.size()),
                                       [this](int32_t i) { return entries[size_t(i)].name; });
    if (at >= 0) return entries[size_t(at)];
    const image::FixedSymbol* f = image::findFixedSymbol(name);
    return entries.emplace_back(Entry{name, h, f ? fixedRecord(*f) : Gathered{}, f != nullptr});
  }

  // The record of `name`; a new or erased one comes back empty, with
  // `fresh` set.
  Gathered& get(std::string_view name, bool& fresh) {
    Entry& e = entry(name);
    fresh = !e.live;
    if (!e.live) {
      e.record = Gathered{};
      e.live = true;
    }
    return e.record;
  }
  Gathered* find(std::string_view name) {
    Entry& e = entry(name);
    return e.live ? &e.record : nullptr;
  }
  void erase(std::string_view name) { entry(name).live = false; }

  // Hands the live records, the fixed names' included, to the writer in
  // name order: the program's few names, sorted, merged into the fixed list.
  void write(image::ImageWriter& w) {
    std::vector<const Entry*> own;
    own.reserve(entries.size());
    size_t definitions = 0;
    for (const Entry& e : entries) {
      own.push_back(&e);
      definitions += size_t(e.record.count);
    }
    std::sort(own.begin(), own.end(), [](const Entry* a, const Entry* b) { return a->name < b->name; });
    w.reserveSymbols(own.size(), definitions, image::kFixedSymbols.size());
    size_t k = 0;
    for (size_t i = 0; i < image::kFixedSymbols.size(); ++i) {
      const std::string_view name = image::kFixedSymbols[i].name();
      bool replaced = false;
      for (; k < own.size() && own[k]->name <= name; ++k) {
        writeOwn(w, *own[k]);
        replaced = own[k]->name == name;
      }
      if (!replaced) w.addFixedSymbol(int(i));
    }
    for (; k < own.size(); ++k) writeOwn(w, *own[k]);
  }

  static void writeOwn(image::ImageWriter& w, const Entry& e) {
    if (e.live) w.addSymbolHashed(e.name, e.hash, e.record.kind, e.record.gid, e.record.definitions());
  }
};

void writeSymbols(Unit& u, const CodegenResult& cg, image::ImageWriter& w) {
  RecordSet recs;
  recs.entries.reserve(u.globalOrder.size() + u.functions.size() + u.externOrder.size() + cg.phases.size());
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
  // A user name that is also a builtin's or a predefined variable's
  // replaces that record: the program's own meaning is the one reached by
  // name.
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

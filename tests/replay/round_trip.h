#pragma once

// Translating SVF with kestrix and writing SVF with kestrix-replay, both in memory, and
// comparing what two replays list.

#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "driver/run.h"
#include "replay/file_sets.h"
#include "replay/program.h"
#include "replay/replay.h"

namespace kestrix::replay::testing {

// The PCF files kestrix writes for `svf` (empty header), in order; empty when the run did not
// report success.
inline FileSet translate(const std::string& svf, const std::vector<std::string>& options = {}) {
  MemoryConsole console;
  MemoryFileSystem files;
  files.files["in.svf"] = svf;
  files.files["head.txt"] = "";
  std::vector<std::string> args = {"kestrix", "in.svf", "head.txt", "out"};
  args.insert(args.end(), options.begin(), options.end());
  runTranslation(args, console, files);
  FileSet set;
  if (console.out.find("Translation Successful") == std::string::npos) return set;
  for (int n = 1; files.files.count("out" + std::to_string(n) + ".pcf") != 0; ++n) {
    std::string name = "out" + std::to_string(n) + ".pcf";
    set.emplace_back(name, files.files[name]);
  }
  return set;
}

struct ReplayRun {
  int status = 0;
  std::string out;
  std::string err;
  MemoryFileSystem files;
};

// kestrix-replay with `options` over the files of `set`, named as given.
inline ReplayRun runOver(const FileSet& set, const std::vector<std::string>& options) {
  ReplayRun run;
  std::vector<std::string> args = {"kestrix-replay"};
  args.insert(args.end(), options.begin(), options.end());
  for (const auto& [name, contents] : set) {
    run.files.files[name] = contents;
    args.push_back(name);
  }
  MemoryConsole console;
  run.status = runReplay(args, console, run.files);
  run.out = console.out;
  run.err = console.err;
  return run;
}

// A wait's length in microseconds, whatever unit its line uses.
inline long long waitMicroseconds(const std::string& amount) {
  long long value = std::atoll(amount.c_str());
  return !amount.empty() && amount.back() == 's' ? value * 1000000 : value;
}

// Lines joined into one text, each with its line end, for comparing outlines.
inline std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Every operation as one line of text without its place: what two replays must agree on.
inline std::vector<std::string> outline(const Result& result, bool scansAndWaitsOnly) {
  std::vector<std::string> lines;
  for (const Operation& op : result.operations) {
    if (const Scan* s = std::get_if<Scan>(&op)) {
      // Where the set leaves a scan that is never updated is no part of it.
      std::string end = s->updated || !scansAndWaitsOnly ? std::string(stateName(s->end)) : "";
      std::string line = std::string(s->ir ? "SIR " : "SDR ") + s->tdi + " " + s->tdo + " end " +
                         end + (s->updated ? "" : " not updated") + " pio " + s->pio;
      if (!scansAndWaitsOnly) {
        for (std::uint64_t bits : s->segments) line += " " + std::to_string(bits);
      }
      lines.push_back(line);
    } else if (const Wait* w = std::get_if<Wait>(&op)) {
      lines.push_back("wait " + std::to_string(waitMicroseconds(w->amount)) + "us");
    } else if (scansAndWaitsOnly) {
      continue;
    } else if (const Run* r = std::get_if<Run>(&op)) {
      lines.push_back("run " + std::to_string(r->cycles) + " " + std::string(stateName(r->state)));
    } else if (const Walk* k = std::get_if<Walk>(&op)) {
      lines.push_back("walk " + std::string(stateName(k->from)) + " " +
                      std::string(stateName(k->to)) + " " + std::to_string(k->cycles));
    } else if (const PioCycle* p = std::get_if<PioCycle>(&op)) {
      lines.push_back("pio " + p->pins + " " + std::string(stateName(p->state)) + " " +
                      std::string(stateName(p->next)));
    }
  }
  return lines;
}

struct RoundTrip {
  Result first;
  std::string svf;
  std::string svfErrors;
  FileSet again;
  Result second;
};

// Replays `set`, writes its SVF, translates that with kestrix and replays the result.
inline RoundTrip roundTrip(const FileSet& set, const std::vector<std::string>& options = {}) {
  RoundTrip trip;
  trip.first = replayTexts(set);
  ReplayRun svf = runOver(set, {"--svf"});
  trip.svf = svf.out;
  trip.svfErrors = svf.err;
  trip.again = translate(trip.svf, options);
  trip.second = replayTexts(trip.again);
  return trip;
}

}  // namespace kestrix::replay::testing

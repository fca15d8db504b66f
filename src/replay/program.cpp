#include "replay/program.h"

#include <getopt.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "core/file_names.h"
#include "replay/file_set.h"
#include "replay/listing.h"
#include "replay/map_file.h"
#include "replay/operations.h"
#include "replay/replayer.h"
#include "replay/summary.h"
#include "replay/svf_writer.h"
#include "replay/text_out.h"
#include "replay/vcd_writer.h"
#include "replay/vector_lookup.h"

namespace kestrix::replay {
namespace {

constexpr std::string_view kProgram = "kestrix-replay";

constexpr std::string_view kUsage =
    "usage: kestrix-replay [options] outputFile\n"
    "       kestrix-replay [options] file.pcf...\n"
    "\n"
    "Lists what a set of PCF files written by kestrix makes the device do: its scans, runs,\n"
    "walks between states, waits and PIO cycles, each with the file and line where it begins,\n"
    "or the first inconsistency in the files.\n"
    "\n"
    "  outputFile     the output name given to kestrix: out/board reads out/board1.pcf,\n"
    "                 out/board2.pcf, ... up to the first number that is missing\n"
    "  file.pcf...    exactly these files, in this order\n"
    "  --svf          print an SVF program that kestrix translates into the same scans\n"
    "                 and waits\n"
    "  --vector N     name the operation that vector line N of file 1 belongs to (vector\n"
    "                 lines are the lines that begin with a double quote, from 1 in each file);\n"
    "                 N may be a list: --vector 75,99,1203\n"
    "  --file K       with --vector: in file K of the set\n"
    "  --map FILE     the vector map that kestrix -m wrote (found beside the set as\n"
    "                 <dir><stem>.map when the set is given by its output name): --vector then\n"
    "                 names the SVF line, the listing ends its lines with it, and the map is\n"
    "                 checked against the set\n"
    "  --vcd FILE     write the cycles to FILE as a VCD waveform\n"
    "  --summary      print totals: cycles, scans, waits, vector lines, tester time\n"
    "  --frequency HZ with --summary: the TCK frequency for the tester time, when the set\n"
    "                 carries none (or another one)\n"
    "  --help         print this text\n"
    "  --version      print the version\n"
    "\n"
    "Without --svf, --vector or --summary the listing is printed, unless --vcd is given.\n"
    "Exit status: 0 when the set replays without a problem, 1 otherwise.\n";

struct Options {
  bool svf = false;
  bool summary = false;
  bool help = false;
  bool version = false;
  std::vector<std::uint64_t> vectors;
  std::optional<std::uint64_t> file;
  std::optional<std::string> vcd;
  std::optional<std::string> map;
  std::optional<double> frequency;
  std::vector<std::string> inputs;
};

bool positiveNumber(const char* text, std::uint64_t& value) {
  std::string_view digits(text);
  if (digits.empty() || digits.size() > 18) return false;
  value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value > 0;
}

// "75,99,1203": whole numbers from 1 on, separated by commas.
bool vectorList(const char* text, std::vector<std::uint64_t>& values) {
  std::string_view rest(text);
  values.clear();
  for (;;) {
    std::size_t comma = rest.find(',');
    std::string item(rest.substr(0, comma));
    std::uint64_t value = 0;
    if (!positiveNumber(item.c_str(), value)) return false;
    values.push_back(value);
    if (comma == std::string_view::npos) return true;
    rest.remove_prefix(comma + 1);
  }
}

// A frequency in hertz: a positive decimal number, with an exponent if need be (1E6, 2.5e7).
bool hertz(const char* text, double& value) {
  if (!(text[0] >= '0' && text[0] <= '9')) return false;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return *end == '\0' && value > 0 && value < 1e300;
}

bool endsWithPcf(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".pcf") == 0;
}

// The options, or an error message.
std::string readOptions(const std::vector<std::string>& args, Options& options) {
  enum { kSvf = 1000, kVector, kFile, kVcd, kSummary, kHelp, kVersion, kMap, kFrequency };
  static const option kLong[] = {{"svf", no_argument, nullptr, kSvf},
                                 {"vector", required_argument, nullptr, kVector},
                                 {"file", required_argument, nullptr, kFile},
                                 {"vcd", required_argument, nullptr, kVcd},
                                 {"summary", no_argument, nullptr, kSummary},
                                 {"help", no_argument, nullptr, kHelp},
                                 {"version", no_argument, nullptr, kVersion},
                                 {"map", required_argument, nullptr, kMap},
                                 {"frequency", required_argument, nullptr, kFrequency},
                                 {nullptr, 0, nullptr, 0}};
  // getopt permutes its argument vector, so it gets copies.
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  optind = 0;
  opterr = 0;
  int letter;
  std::uint64_t number = 0;
  const int argc = static_cast<int>(args.size());
  while ((letter = getopt_long(argc, argv.data(), ":", kLong, nullptr)) != -1) {
    switch (letter) {
      case kSvf:
        options.svf = true;
        break;
      case kSummary:
        options.summary = true;
        break;
      case kHelp:
        options.help = true;
        break;
      case kVersion:
        options.version = true;
        break;
      case kVcd:
        options.vcd = optarg;
        break;
      case kMap:
        options.map = optarg;
        break;
      case kFrequency: {
        double value = 0;
        if (!hertz(optarg, value)) {
          return std::string("--frequency needs a number of hertz above 0, such as 1E6, not \"") +
                 optarg + "\"";
        }
        options.frequency = value;
        break;
      }
      case kVector:
        if (!vectorList(optarg, options.vectors)) {
          return std::string(
                     "--vector needs a whole number from 1 on (or a list of them, "
                     "separated by commas), not \"") +
                 optarg + "\"";
        }
        break;
      case kFile:
        if (!positiveNumber(optarg, number)) {
          return std::string("--file needs a whole number from 1 on, not \"") + optarg + "\"";
        }
        options.file = number;
        break;
      case ':':
        return std::string(argv[optind - 1]) + " needs a value";
      default:
        // An unknown letter may stand inside a group ("-xy"), where optind has not moved on.
        if (optopt > 0 && optopt < 128)
          return "unknown option -" + std::string(1, static_cast<char>(optopt));
        return "unknown option " + std::string(argv[optind - 1]);
    }
  }
  for (int i = optind; i < argc; ++i) options.inputs.emplace_back(argv[i]);
  return {};
}

std::string checkOptions(const Options& options) {
  if (options.help || options.version) return {};
  if (int modes = options.svf + options.summary + !options.vectors.empty(); modes > 1) {
    return "give only one of --svf, --summary and --vector";
  }
  if (options.file && options.vectors.empty()) return "--file goes with --vector";
  if (options.frequency && !options.summary) return "--frequency goes with --summary";
  if (options.inputs.empty()) return "no output name or PCF files given";
  if (options.inputs.size() > 1) {
    for (const std::string& name : options.inputs) {
      if (!endsWithPcf(name)) {
        return "\"" + name + "\" does not end in .pcf: give one output name, or PCF files";
      }
    }
  }
  return {};
}

// The SVF line where the statement begins that made `op`, as the map gives it: the row that
// holds its first vector line; for a wait, the `waitIndex`-th wait of its file, when the map
// puts it where the set has it.
std::optional<std::uint64_t> svfLineOf(const MapFile& map, const Operation& op,
                                       const std::vector<std::string>& fileNames,
                                       std::size_t waitIndex) {
  const Place& begin = std::visit([](const auto& item) -> const Place& { return item.begin; }, op);
  if (begin.fileIndex >= fileNames.size()) return std::nullopt;
  const std::string& file = fileNames[begin.fileIndex];
  if (std::holds_alternative<Wait>(op)) {
    const MapFile::WaitRow* wait = map.wait(file, waitIndex);
    if (wait == nullptr || wait->after != begin.vector) return std::nullopt;
    return wait->svfLine;
  }
  const MapFile::Row* row = map.row(file, begin.vector);
  if (row == nullptr) return std::nullopt;
  return row->svfLine;
}

class ListingSink final : public OperationSink, public CycleListener {
 public:
  ListingSink(TextOut& out, const MapFile* map) : out_(out), map_(map) {}
  void operation(Operation&& op) override {
    const Place& begin =
        std::visit([](const auto& item) -> const Place& { return item.begin; }, op);
    std::string text = placePrefix(begin) + operationText(op, names_);
    if (map_ != nullptr) {
      std::size_t waitIndex = 0;
      if (std::holds_alternative<Wait>(op)) {
        if (waits_.size() <= begin.fileIndex) waits_.resize(begin.fileIndex + 1);
        waitIndex = waits_[begin.fileIndex]++;
      }
      if (std::optional<std::uint64_t> line = svfLineOf(*map_, op, fileNames_, waitIndex)) {
        text += " ! " + map_->source(*line);
      }
    }
    out_.append(text + "\n");
  }
  void parallelOrder(const std::vector<std::string>& names) override { names_ = names; }
  // The names of the files as the map gives them, heard before their operations are built.
  void fileBegin(std::size_t index, const std::string& name) override {
    if (fileNames_.size() <= index) fileNames_.resize(index + 1);
    fileNames_[index] = mapFileName(name);
  }
  void cycle(const Cycle&) override {}

 private:
  TextOut& out_;
  const MapFile* map_;
  std::vector<std::string> names_;
  std::vector<std::string> fileNames_;
  std::vector<std::size_t> waits_;
};

std::string problemText(const Problem& problem) {
  std::string text = std::string(kProgram) + ": " + problem.where.file + ":";
  if (problem.where.line > 0) text += std::to_string(problem.where.line) + ":";
  return text + " " + problem.message + "\n";
}

// The listeners a run needs, made from its options.
struct Outputs {
  std::unique_ptr<MapFile> map;
  std::unique_ptr<MapCheck> mapCheck;
  std::unique_ptr<ListingSink> listing;
  std::unique_ptr<OperationBuilder> builder;
  std::unique_ptr<SvfWriter> svf;
  std::unique_ptr<Summary> summary;
  std::vector<std::unique_ptr<VectorLookup>> lookups;
  std::unique_ptr<VcdWriter> vcd;

  std::vector<CycleListener*> listeners() const {
    std::vector<CycleListener*> all;
    for (CycleListener* l : std::initializer_list<CycleListener*>{
             mapCheck.get(), listing.get(), builder.get(), svf.get(), summary.get(), vcd.get()}) {
      if (l != nullptr) all.push_back(l);
    }
    for (const std::unique_ptr<VectorLookup>& lookup : lookups) all.push_back(lookup.get());
    return all;
  }
  // Every vector asked for is found (or cannot be): the rest of the set need not be read,
  // unless a map is to be checked against all of it.
  bool done() const {
    if (lookups.empty() || mapCheck != nullptr) return false;
    return std::all_of(lookups.begin(), lookups.end(),
                       [](const std::unique_ptr<VectorLookup>& l) { return l->done(); });
  }
};

bool numberedSet(const Options& options) {
  return options.inputs.size() == 1 && !endsWithPcf(options.inputs[0]);
}

// The map given, or the one beside a set given by its output name; none without either.
std::optional<std::string> mapName(const Options& options, FileSystem& files) {
  if (options.map) return options.map;
  if (!numberedSet(options)) return std::nullopt;
  std::string name = vectorMapName(options.inputs[0]);
  if (name.empty() || !files.identify(name)) return std::nullopt;
  return name;
}

// `path` is a file that the run reads: one of those named, or of the numbered set (past one
// missing number too, where a gap would be reported).
bool readByTheRun(const Options& options, FileSystem& files, const std::string& path) {
  std::optional<FileIdentity> target = files.identify(path);
  if (!target) return false;
  if (!(options.inputs.size() == 1 && !endsWithPcf(options.inputs[0]))) {
    for (const std::string& name : options.inputs) {
      if (files.identify(name) == target) return true;
    }
    return false;
  }
  for (std::int64_t number = 1, missing = 0; missing < 2; ++number) {
    std::optional<FileIdentity> file = files.identify(pcfFileName(options.inputs[0], number));
    if (file == target) return true;
    missing = file ? 0 : missing + 1;
  }
  return false;
}

int replaySet(const Options& options, Console& console, FileSystem& files) {
  TextOut out(console);
  Outputs run;
  // Creating the waveform truncates its file, which must not be one of the set.
  if (options.vcd && readByTheRun(options, files, *options.vcd)) {
    console.printError(std::string(kProgram) + ": " + *options.vcd +
                       " is a file of the set: name another file for the waveform\n");
    return 1;
  }
  if (options.vcd) {
    std::unique_ptr<ByteSink> sink = files.openWrite(*options.vcd);
    if (sink == nullptr) {
      console.printError(std::string(kProgram) + ": cannot create " + *options.vcd + "\n");
      return 1;
    }
    run.vcd = std::make_unique<VcdWriter>(std::move(sink), *options.vcd);
  }
  if (std::optional<std::string> name = mapName(options, files)) {
    run.map = std::make_unique<MapFile>();
    if (std::optional<Problem> problem = run.map->read(files, *name)) {
      console.printError(problemText(*problem));
      return 1;
    }
    run.mapCheck = std::make_unique<MapCheck>(*run.map);
  }
  if (options.svf) run.svf = std::make_unique<SvfWriter>(out);
  if (options.summary) run.summary = std::make_unique<Summary>(options.frequency);
  for (std::uint64_t vector : options.vectors) {
    run.lookups.push_back(
        std::make_unique<VectorLookup>(options.file.value_or(1) - 1, vector, run.map.get()));
  }
  if (!options.svf && !options.summary && options.vectors.empty() && !options.vcd) {
    run.listing = std::make_unique<ListingSink>(out, run.map.get());
    run.builder = std::make_unique<OperationBuilder>(*run.listing);
  }
  FanOut fan(run.listeners());
  Replayer replayer(fan);
  SetReader reader(files, replayer, [&run] { return run.done(); });
  if (numberedSet(options)) {
    reader.readNumbered(options.inputs[0]);
  } else {
    reader.readNamed(options.inputs);
  }
  replayer.finish();
  std::optional<Problem> problem = replayer.problem();
  if (!problem && run.mapCheck) problem = run.mapCheck->problem();
  int status = 0;
  if (problem) {
    if (run.svf) out.append("! the replay stopped: " + problem->message + "\n");
    out.flush();
    console.printError(problemText(*problem));
    status = 1;
  } else if (run.summary) {
    out.append(run.summary->text());
  } else {
    for (std::size_t i = 0; i < run.lookups.size(); ++i) {
      std::string report = run.lookups[i]->report();
      if (report.empty()) {
        out.flush();
        console.printError(std::string(kProgram) + ": no vector line " +
                           std::to_string(options.vectors[i]) + ": " + run.lookups[i]->missing() +
                           "\n");
        status = 1;
      }
      out.append(report);
    }
  }
  out.flush();
  if (run.svf && run.svf->inexact() > 0 && status == 0) {
    std::uint64_t places = run.svf->inexact();
    std::string text = std::string(kProgram) + ": " + std::to_string(places) +
                       (places == 1 ? " place of the set is" : " places of the set are") +
                       " written not exactly";
    if (run.svf->changed() > 0) {
      text += ", " + std::to_string(run.svf->changed()) + " of them with other scans or waits";
    }
    console.printError(text + "; see the comments that begin with \"! not exact\"\n");
  }
  if (run.vcd && !run.vcd->ok()) {
    console.printError(std::string(kProgram) + ": cannot write " + run.vcd->name() + "\n");
    status = 1;
  }
  return status;
}

}  // namespace

int runReplay(const std::vector<std::string>& args, Console& console, FileSystem& files) {
  Options options;
  std::string error = readOptions(args, options);
  if (error.empty()) error = checkOptions(options);
  if (!error.empty()) {
    console.printError(std::string(kProgram) + ": " + error + "\nTry 'kestrix-replay --help'.\n");
    return 1;
  }
  if (options.help) {
    console.print(kUsage);
    return 0;
  }
  if (options.version) {
    console.print(std::string(kProgram) + " " KESTRIX_VERSION "\n");
    return 0;
  }
  return replaySet(options, console, files);
}

}  // namespace kestrix::replay

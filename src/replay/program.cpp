#include "replay/program.h"

#include <getopt.h>

#include <memory>
#include <optional>

#include "core/file_names.h"
#include "replay/file_set.h"
#include "replay/listing.h"
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
    "                 lines are the lines that begin with a double quote, from 1 in each file)\n"
    "  --file K       with --vector: in file K of the set\n"
    "  --vcd FILE     write the cycles to FILE as a VCD waveform\n"
    "  --summary      print totals: cycles, scans, waits, vector lines, tester time\n"
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
  std::optional<std::uint64_t> vector;
  std::optional<std::uint64_t> file;
  std::optional<std::string> vcd;
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

bool endsWithPcf(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".pcf") == 0;
}

// The options, or an error message.
std::string readOptions(const std::vector<std::string>& args, Options& options) {
  enum { kSvf = 1000, kVector, kFile, kVcd, kSummary, kHelp, kVersion };
  static const option kLong[] = {
      {"svf", no_argument, nullptr, kSvf},         {"vector", required_argument, nullptr, kVector},
      {"file", required_argument, nullptr, kFile}, {"vcd", required_argument, nullptr, kVcd},
      {"summary", no_argument, nullptr, kSummary}, {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersion}, {nullptr, 0, nullptr, 0}};
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
      case kVector:
      case kFile:
        if (!positiveNumber(optarg, number)) {
          return std::string(letter == kVector ? "--vector" : "--file") +
                 " needs a whole number from 1 on, not \"" + optarg + "\"";
        }
        (letter == kVector ? options.vector : options.file) = number;
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
  if (int modes = options.svf + options.summary + options.vector.has_value(); modes > 1) {
    return "give only one of --svf, --summary and --vector";
  }
  if (options.file && !options.vector) return "--file goes with --vector";
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

class ListingSink final : public OperationSink {
 public:
  explicit ListingSink(TextOut& out) : out_(out) {}
  void operation(Operation&& op) override {
    const Place& begin =
        std::visit([](const auto& item) -> const Place& { return item.begin; }, op);
    out_.append(placePrefix(begin) + operationText(op, names_) + "\n");
  }
  void parallelOrder(const std::vector<std::string>& names) override { names_ = names; }

 private:
  TextOut& out_;
  std::vector<std::string> names_;
};

std::string problemText(const Problem& problem) {
  std::string text = std::string(kProgram) + ": " + problem.where.file + ":";
  if (problem.where.line > 0) text += std::to_string(problem.where.line) + ":";
  return text + " " + problem.message + "\n";
}

// The listeners a run needs, made from its options.
struct Outputs {
  std::unique_ptr<ListingSink> listing;
  std::unique_ptr<OperationBuilder> builder;
  std::unique_ptr<SvfWriter> svf;
  std::unique_ptr<Summary> summary;
  std::unique_ptr<VectorLookup> lookup;
  std::unique_ptr<VcdWriter> vcd;

  std::vector<CycleListener*> listeners() const {
    std::vector<CycleListener*> all;
    for (CycleListener* l : std::initializer_list<CycleListener*>{
             builder.get(), svf.get(), summary.get(), lookup.get(), vcd.get()}) {
      if (l != nullptr) all.push_back(l);
    }
    return all;
  }
};

// `path` is a file that the run reads: one of those named, or of the numbered set (past one
// missing number too, where a gap would be reported).
bool readByTheRun(const Options& options, FileSystem& files, const std::string& path) {
  std::optional<FileIdentity> target = files.identify(path);
  if (!target) return false;
  bool numbered = options.inputs.size() == 1 && !endsWithPcf(options.inputs[0]);
  if (!numbered) {
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
  if (options.svf) run.svf = std::make_unique<SvfWriter>(out);
  if (options.summary) run.summary = std::make_unique<Summary>();
  if (options.vector) {
    run.lookup = std::make_unique<VectorLookup>(options.file.value_or(1) - 1, *options.vector);
  }
  if (!options.svf && !options.summary && !options.vector && !options.vcd) {
    run.listing = std::make_unique<ListingSink>(out);
    run.builder = std::make_unique<OperationBuilder>(*run.listing);
  }
  FanOut fan(run.listeners());
  Replayer replayer(fan);
  SetReader reader(files, replayer, [&run] { return run.lookup && run.lookup->done(); });
  if (options.inputs.size() == 1 && !endsWithPcf(options.inputs[0])) {
    reader.readNumbered(options.inputs[0]);
  } else {
    reader.readNamed(options.inputs);
  }
  replayer.finish();
  int status = 0;
  if (const std::optional<Problem>& problem = replayer.problem()) {
    if (run.svf) out.append("! the replay stopped: " + problem->message + "\n");
    out.flush();
    console.printError(problemText(*problem));
    status = 1;
  } else if (run.summary) {
    out.append(run.summary->text());
  } else if (run.lookup) {
    std::string report = run.lookup->report();
    if (report.empty()) {
      out.flush();
      console.printError(std::string(kProgram) + ": no vector line " +
                         std::to_string(*options.vector) + ": " + run.lookup->missing() + "\n");
      status = 1;
    }
    out.append(report);
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

#include "driver/run.h"

#include <new>

#include "core/fatal.h"
#include "driver/command_line.h"
#include "driver/input_spool.h"
#include "driver/passes.h"
#include "translation/messages.h"
#include "translation/output_files.h"
#include "translation/translation.h"
#include "translation/vector_map_output.h"

namespace kestrix {
namespace {

void finishRun(Translation& t) {
  closeOutputFile(t);
  finishVectorMap(t);
  t.input.reset();
  std::int64_t files = t.pass.output.nextFileNumber - 1;
  if (files > 1) {
    t.console.print("Translation Successful " + std::to_string(files) + " files generated.\n");
  } else {
    t.console.print("Translation Successful 1 file generated.\n");
  }
  // The success is not whole when statements were skipped: the user must see it at the end.
  std::uint64_t skipped = t.pass.statementsSkipped;
  if (skipped == 1) {
    t.console.print("1 statement not translated: see INVALID COMMAND ENCOUNTERED above.\n");
  } else if (skipped > 1) {
    t.console.print(std::to_string(skipped) +
                    " statements not translated: see INVALID COMMAND ENCOUNTERED above.\n");
  }
}

// After a stop: the input closes and the current file keeps what was written, without trailer.
void closeAfterStop(Translation& t) {
  abandonVectorMap(t);
  t.input.reset();
  if (t.output != nullptr) t.output->closeWithoutTrailer();
  t.output.reset();
  // A file handed to the writer thread when the stop came.
  t.writer.closeFile();
}

void translate(Translation& t, const std::vector<std::string>& args) {
  t.options.programName = args[0];
  t.options.inputFile = args[1];
  t.options.headerFile = args[2];
  t.options.outputFile = args[3];
  t.input = t.files.openRead(inputPath(t.options.inputFile));
  if (t.input == nullptr) fail(t, "Cannot open input file " + t.options.inputFile + "!\n");
  // Taken from the open input, so that /dev/stdin stands for what it reads.
  if (std::optional<FileIdentity> identity = t.input->identity()) t.filesRead.push_back(*identity);
  t.input = keepForRestarts(t, std::move(t.input));
  t.lines.attach(t.input.get());
  readHeaderFile(t);
  lockOutputName(t);
  openNextOutputFile(t);
  readOptions(args, t.options, t.console);
  fixBudget(t.options);
  translateInput(t);
  finishRun(t);
}

}  // namespace

int runTranslation(const std::vector<std::string>& args, Console& console, FileSystem& files,
                   bool plainRestarts) {
  const std::string program = args.empty() ? std::string() : args[0];
  switch (findRequest(args)) {
    case Request::kHelp:
      printUsage(console, program);
      return 0;
    case Request::kVersion:
      printVersion(console);
      return 0;
    case Request::kTranslate:
      break;
  }
  if (args.size() < 4) {
    printUsage(console, program);
    return 1;
  }
  Translation t(console, files);
  t.options.plainRestarts = plainRestarts;
  try {
    translate(t, args);
  } catch (const TranslationAborted&) {
    closeAfterStop(t);
  } catch (const std::bad_alloc&) {
    // A failure of the writer thread that the translation had not yet waited for came first.
    if (!reportWriterFailure(t.writer, t.console)) console.printError("Out of memory!\n");
    closeAfterStop(t);
  }
  return 1;
}

}  // namespace kestrix

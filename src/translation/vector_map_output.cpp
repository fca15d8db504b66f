#include "translation/vector_map_output.h"

#include "core/file_names.h"
#include "translation/messages.h"
#include "translation/output_files.h"
#include "translation/translation.h"

namespace kestrix {

void beginVectorMap(Translation& t) {
  if (!t.options.vectorMapOn || t.mode == PassMode::kCounting) return;
  std::string path = vectorMapName(t.options.outputFile);
  refuseFileRead(t, path);
  // A pass begun again leaves nothing of the map of the pass before.
  if (t.map.on()) t.map.finish();
  std::unique_ptr<ByteSink> sink = t.files.openWrite(path);
  if (sink == nullptr) fail(t, "Cannot open output file " + path + "!\n");
  t.map.start(std::move(sink), path, t.options.inputFile);
  mapFileBegins(t);
}

void mapStatementBegins(Translation& t) {
  if (t.map.on()) {
    t.map.statementBegins(t.lastCommandLineNumber, t.lastCommandLine, t.charged.vectorLines());
  }
}

void mapStatementEnds(Translation& t) {
  if (!t.map.on()) return;
  t.map.segmentEnds(t.charged.vectorLines());
  if (!t.map.ok()) fail(t, "Cannot write output file " + t.map.name() + "!\n");
}

void mapFileEnds(Translation& t) {
  if (t.map.on()) t.map.segmentEnds(t.charged.vectorLines());
}

void mapFileBegins(Translation& t) {
  if (t.map.on()) {
    t.map.fileBegins(pcfBaseName(t.options.outputFile, t.pass.output.nextFileNumber - 1));
  }
}

void mapWait(Translation& t) {
  if (t.map.on()) t.map.wait(t.charged.vectorLines());
}

void finishVectorMap(Translation& t) {
  if (t.map.on() && !t.map.finish()) {
    fail(t, "Cannot write output file " + t.map.name() + "!\n");
  }
}

void abandonVectorMap(Translation& t) {
  if (t.map.on()) t.map.abandon(t.charged.vectorLines());
}

}  // namespace kestrix

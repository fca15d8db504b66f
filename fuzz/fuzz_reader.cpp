// The statement reader and the tokenizer over an input held in memory: every statement is read
// and taken apart into keyword/value pairs, and every value into its tokens. The first byte
// turns comments on; the rest is the SVF text. Reading must end, statements never hold a ";",
// tokens are pieces of their text, and taking tokens always makes progress.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/console.h"
#include "core/fatal.h"
#include "core/io.h"
#include "svf/statement_reader.h"
#include "svf/tokenizer.h"
#include "translation/output_files.h"
#include "translation/read_statement.h"
#include "translation/translation.h"

namespace {

using kestrix::TokenCursor;

[[noreturn]] void failure(const char* what, std::string_view statement) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n--- statement (%zu bytes):\n%.*s\n", what,
               statement.size(), static_cast<int>(statement.size()), statement.data());
  std::abort();
}

bool inside(std::string_view piece, std::string_view text) {
  if (piece.empty()) return true;
  return piece.data() >= text.data() && piece.data() + piece.size() <= text.data() + text.size();
}

// Takes every token of `value`; each must lie in `statement`, and the cursor must advance.
void takeAll(std::string_view value, std::string_view statement, bool& inParentheses) {
  TokenCursor cursor(value, inParentheses);
  std::string_view token;
  std::size_t count = 0;
  while (cursor.takeToken(token)) {
    if (!inside(token, statement)) failure("a token lies outside its statement", statement);
    if (++count > value.size() + 1) failure("takeToken does not advance", statement);
  }
  if (!cursor.empty()) failure("takeToken gave up before the end of the text", statement);
}

void tokenize(std::string_view statement) {
  bool inParentheses = false;
  TokenCursor cursor(statement, inParentheses);
  std::string_view keyword;
  std::string_view value;
  std::size_t pairs = 0;
  for (;;) {
    // A look-ahead undone by its mark must not change what follows.
    TokenCursor::Mark mark = cursor.mark();
    std::string_view ahead;
    bool haveAhead = cursor.takeToken(ahead);
    cursor.restore(mark);
    if (!nextToken(cursor, keyword, value)) break;
    if (!haveAhead || ahead.data() != keyword.data() || ahead.size() != keyword.size()) {
      failure("restoring a mark does not undo a look-ahead", statement);
    }
    if (!inside(keyword, statement) || !inside(value, statement)) {
      failure("a keyword or value lies outside its statement", statement);
    }
    if (++pairs > statement.size() + 1) failure("nextToken does not advance", statement);
    bool valueParentheses = inParentheses;
    takeAll(value, statement, valueParentheses);
  }
  if (!cursor.empty()) failure("nextToken stopped before the end of the statement", statement);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string svf(reinterpret_cast<const char*>(data + 1), size - 1);

  kestrix::MemoryConsole console;
  kestrix::MemoryFileSystem files;
  files.files["in.svf"] = svf;
  files.files["head.txt"] = "";
  kestrix::Translation t(console, files);
  t.options.inputFile = "in.svf";
  t.options.headerFile = "head.txt";
  t.options.outputFile = "out";
  t.options.commentsOn = (data[0] & 1) != 0;
  t.input = files.openRead(t.options.inputFile);
  t.lines.attach(t.input.get());

  std::string statement;
  std::size_t statements = 0;
  try {
    kestrix::openNextOutputFile(t);
    while (kestrix::readStatement(t, statement)) {
      if (statement.find(';') != std::string::npos) failure("a statement holds a \";\"", statement);
      // The reader adds at most a space before and after each line.
      if (statement.size() > 3 * svf.size() + 2)
        failure("a statement longer than its input", statement);
      if (++statements > svf.size() + 1) failure("more statements than input bytes", statement);
      tokenize(statement);
    }
  } catch (const kestrix::TranslationAborted&) {
  }
  if (t.output != nullptr) t.output->closeWithoutTrailer();
  return 0;
}

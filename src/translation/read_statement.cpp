#include "translation/read_statement.h"

#include "svf/statement_reader.h"
#include "translation/messages.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

// Echoed lines follow whichever PCF file is current.
class CurrentFileSink final : public TextSink {
 public:
  explicit CurrentFileSink(Translation& t) : t_(t) {}
  void write(std::string_view text) override { t_.output->write(text); }

 private:
  Translation& t_;
};

// A file cut short (a failed copy, a truncated download) ends inside a statement; a file of
// comments only, or the header file given as the input, holds none.
[[noreturn]] void endOfInput(Translation& t, std::string_view statement) {
  if (!statement.empty()) {
    failQuoting(t, "\nThe input file ends inside a statement!\n", statement,
                t.pass.reader.statementLine);
  }
  fail(t, "\nThe input file " + t.options.inputFile + " holds no SVF statement!\n");
}

}  // namespace

bool readStatement(Translation& t, std::string& statement) {
  CurrentFileSink echo(t);
  StatementReader reader(t.lines, t.pass.reader, t.pass.frequency, t.console, echo,
                         t.options.commentsOn);
  switch (reader.read(statement)) {
    case ReadResult::kStatement:
      if (!statement.empty()) t.pass.reader.statementSeen = true;
      return true;
    case ReadResult::kEnd:
      if (statement.empty() && t.pass.reader.statementSeen) return false;
      endOfInput(t, statement);
    case ReadResult::kReadError:
      break;
    case ReadResult::kUtf16:
      fail(t, "\nThe input file " + t.options.inputFile +
                  " is UTF-16 text: save it as ASCII or UTF-8.\n");
  }
  fail(t, "Cannot open input file " + t.options.inputFile + "!\n");
}

}  // namespace kestrix

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

}  // namespace

bool readStatement(Translation& t, std::string& statement) {
  CurrentFileSink echo(t);
  StatementReader reader(t.lines, t.pass.reader, t.pass.frequency, t.console, echo,
                         t.options.commentsOn);
  switch (reader.read(statement)) {
    case ReadResult::kStatement:
      return true;
    case ReadResult::kEnd:
      return false;
    case ReadResult::kReadError:
      break;
  }
  fail(t, "Cannot open input file " + t.options.inputFile + "!\n");
}

}  // namespace kestrix

#include "replay/replay.h"

#include <array>

#include "replay/operations.h"
#include "replay/replayer.h"

namespace kestrix::replay {
namespace {

class Collector final : public OperationSink {
 public:
  explicit Collector(Result& result) : result_(result) {}
  void operation(Operation&& op) override { result_.operations.push_back(std::move(op)); }
  void parallelOrder(const std::vector<std::string>& names) override { result_.pioNames = names; }

 private:
  Result& result_;
};

}  // namespace

std::string_view stateName(State state) {
  static constexpr std::array<std::string_view, 17> kNames = {
      "RESET",   "IDLE",    "DRSELECT", "DRCAPTURE", "DRSHIFT",   "DREXIT1",
      "DRPAUSE", "DREXIT2", "DRUPDATE", "IRSELECT",  "IRCAPTURE", "IRSHIFT",
      "IREXIT1", "IRPAUSE", "IREXIT2",  "IRUPDATE",  "UNDEFINED"};
  return kNames[static_cast<std::size_t>(state)];
}

Result replayTexts(const std::vector<std::pair<std::string, std::string>>& files) {
  Result result;
  Collector collector(result);
  OperationBuilder builder(collector);
  Replayer replayer(builder);
  for (const auto& [name, contents] : files) {
    replayer.beginFile(name);
    if (!replayer.feed(contents) || !replayer.endFile()) break;
  }
  replayer.finish();
  result.finalState = replayer.state();
  result.problem = replayer.problem();
  return result;
}

}  // namespace kestrix::replay

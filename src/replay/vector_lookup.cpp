#include "replay/vector_lookup.h"

#include "replay/listing.h"
#include "replay/tap.h"

namespace kestrix::replay {
namespace {

const Place& beginOf(const Operation& op) {
  return std::visit([](const auto& item) -> const Place& { return item.begin; }, op);
}

}  // namespace

void VectorLookup::fileBegin(std::size_t index, const std::string& name) {
  if (files_.size() <= index) files_.resize(index + 1);
  files_[index] = name;
  if (index == file_) fileSeen_ = true;
  builder_.fileBegin(index, name);
}

void VectorLookup::parallelOrder(const std::vector<std::string>& names) {
  pioNames_ = names;
  builder_.parallelOrder(names);
}

void VectorLookup::cycle(const Cycle& c) {
  // Several lookups may listen to one replay: each stops working once it has its answer.
  if (done_) return;
  if (isCapture(c.from)) scanBits_ = 0;
  if (!target_ && c.where.file == file_ && (c.vector == vector_ || c.vector + 1 == vector_)) {
    Target target;
    target.cycle = c;
    target.pio = c.pio;
    target.tck1 = c.vector + 1 == vector_;
    target.line = c.where.line + (target.tck1 ? 1 : 0);
    target.inScan = isScanState(c.from) && !(c.from == c.to && isPause(c.from));
    target.bit = scanBits_;
    target_ = std::move(target);
  }
  if (isShift(c.from)) ++scanBits_;
  builder_.cycle(c);
}

void VectorLookup::fileEnd(std::size_t index, std::uint64_t vectorLines) {
  if (index != file_) return;
  fileVectors_ = vectorLines;
  if (!target_) done_ = true;
}

void VectorLookup::finish(State finalState) {
  builder_.finish(finalState);
  done_ = true;
}

// The operation in progress at the target is handed on after it; the runs, walks and PIO
// cycles of one stretch never overlap, so it is the last of them that begins at the target or
// before it. A scan cycle belongs to the scan in progress.
void VectorLookup::operation(Operation&& op) {
  if (!target_ || done_) return;
  bool scan = std::holds_alternative<Scan>(op);
  if (target_->inScan) {
    if (scan) {
      found_ = std::move(op);
      done_ = true;
    }
    return;
  }
  if (after(beginOf(op))) {
    done_ = found_.has_value();
    return;
  }
  if (!scan && !std::holds_alternative<Wait>(op)) found_ = std::move(op);
}

bool VectorLookup::after(const Place& place) const {
  std::size_t index = files_.size();
  while (index > 0 && files_[index - 1] != place.file) --index;
  if (index == 0) return false;
  --index;
  if (index != file_) return index > file_;
  return place.line > target_->cycle.where.line;
}

std::string VectorLookup::report() const {
  if (!target_ || !found_) return {};
  const Target& t = *target_;
  const Cycle& c = t.cycle;
  std::string text = files_[file_] + ":" + std::to_string(t.line) + ": vector " +
                     std::to_string(vector_) + " is the ";
  text += t.tck1 ? "TCK-1" : "TCK-0";
  text += " line of a cycle made in " + std::string(stateName(c.from));
  if (c.to != c.from) text += " that enters " + std::string(stateName(c.to));
  text += std::string(": TMS ") + c.tms + ", TDI " + c.tdi;
  if (!t.tck1) text += std::string(", expected TDO ") + c.tdo;
  if (!t.pio.empty()) text += ", PIO " + pinsWithNames(t.pio, pioNames_);
  text += "\n" + placePrefix(beginOf(*found_)) + operationText(*found_, pioNames_) + "\n";
  if (isShift(c.from)) {
    text += "it shifts bit " + std::to_string(t.bit) +
            " of the scan (bits count from 0 in shift order)\n";
  } else if (t.inScan) {
    text += "it is a cycle of the scan outside Shift: no bit\n";
  }
  if (map_ != nullptr) {
    if (const MapFile::Row* row = map_->row(mapFileName(files_[file_]), vector_)) {
      text += map_->source(row->svfLine) + ": " + row->statement + "\n";
    }
  }
  return text;
}

std::string VectorLookup::missing() const {
  if (!fileSeen_) {
    return "the set has only " + std::to_string(files_.size()) +
           (files_.size() == 1 ? " file" : " files");
  }
  return files_[file_] + " has only " + std::to_string(fileVectors_) + " vector lines";
}

}  // namespace kestrix::replay

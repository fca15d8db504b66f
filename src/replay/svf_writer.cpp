#include "replay/svf_writer.h"

#include <algorithm>
#include <utility>

#include "core/svf_paths.h"
#include "replay/kestrix_walks.h"
#include "replay/listing.h"
#include "replay/svf_text.h"
#include "replay/tap.h"

namespace kestrix::replay {
namespace {

using S = State;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// States per STATE statement, so that lines stay readable.
constexpr std::size_t kPathPiece = 32;
// Cycles in place in Test-Logic-Reset from this many on are written as one RUNTEST: kestrix
// clocks its whole count when no frequency is known (the program written gives none) and
// divides it between files without leaving RESET, where a STATE path may not be cut.
constexpr std::size_t kLongResetRun = 64;
// The cycles that kestrix's RUNTEST writes in its end state after a wait outside IDLE.

std::string name(S state) { return std::string(stateName(state)); }

std::string cycleCount(std::uint64_t count) { return plural(count, "cycle"); }

}  // namespace

void SvfWriter::fileBegin(std::size_t index, const std::string& fileName) {
  if (files_.size() <= index) files_.resize(index + 1);
  files_[index] = fileName;
  if (index == 0) header();
}

void SvfWriter::header() {
  out_.append("! SVF program written by kestrix-replay from the PCF set that begins with " +
              files_[0] +
              "\n! kestrix translates it into the scans and waits of that set.\n"
              "HIR 0;\nHDR 0;\nTIR 0;\nTDR 0;\n");
}

// Each text is one comment or one statement, which its first character tells apart.
void SvfWriter::emit(std::string_view text) {
  if (!text.empty() && text.front() != '!') statementWritten_ = true;
  out_.append(text);
}

void SvfWriter::cycle(const Cycle& c) {
  if (isShift(c.from)) {
    if (path_.empty() || path_.back().kind != Kind::kBits || path_.back().to != c.from ||
        path_.back().pio != c.pio) {
      Element bits;
      bits.kind = Kind::kBits;
      bits.from = bits.to = c.from;
      bits.pio = c.pio;
      bits.where = c.where;
      path_.push_back(std::move(bits));
    }
    Element& bits = path_.back();
    bits.tdi += c.tdi;
    bits.tdo += c.tdo;
    bits.to = c.to;
    return;
  }
  if (!path_.empty() && c.from == c.to) {
    Element& last = path_.back();
    if (last.kind == Kind::kStep && last.from == c.from && last.to == c.from && last.pio == c.pio) {
      ++last.count;
      return;
    }
  }
  Element step;
  step.from = c.from;
  step.to = c.to;
  step.pio = c.pio;
  step.where = c.where;
  path_.push_back(std::move(step));
  // Leaving a stable state, everything before is settled: the cycles in place there too. A
  // program that rests in the pause states between its scans is written as it goes, too.
  if (isStable(c.from) && c.from != c.to) cover(false);
}

void SvfWriter::wait(std::string_view amount, LineRef where) {
  Element wait;
  wait.kind = Kind::kWait;
  wait.amount = amount;
  wait.where = where;
  path_.push_back(std::move(wait));
}

void SvfWriter::finish(State) {
  cover(true);
  settleReset();
}

void SvfWriter::settleReset() {
  if (!resetPending_) return;
  emit("STATE RESET;\n");
  resetPending_ = false;
}

void SvfWriter::pop(std::size_t count) {
  path_.erase(path_.begin(), path_.begin() + static_cast<std::ptrdiff_t>(count));
}

void SvfWriter::notExact(const std::string& why, bool scansKept) {
  ++inexact_;
  if (scansKept) {
    emit("! not exact: " + why + "\n");
  } else {
    ++changed_;
    emit("! not exact, scans or waits differ: " + why + "\n");
  }
}

State SvfWriter::stateBefore(std::size_t index) const {
  return index == 0 ? svf_ : path_[index - 1].to;
}

bool SvfWriter::isBarrier(std::size_t index) const {
  const Element& e = path_[index];
  if (e.kind == Kind::kWait) return true;
  return e.kind == Kind::kStep && !e.pio.empty() && e.from == e.to && isStable(e.from);
}

void SvfWriter::cover(bool final) {
  final_ = final;
  while (!path_.empty()) {
    if (svf_ == S::UNDEFINED) {
      if (!coverUndefined(final)) return;
      continue;
    }
    const Element& front = path_.front();
    if (front.kind == Kind::kWait) {
      if (!writeWait()) return;
      continue;
    }
    if (isBarrier(0) && front.from == svf_) {
      writePio(front.pio, front.count);
      continue;
    }
    std::size_t bits = kNone, barrier = kNone;
    for (std::size_t i = 0; i < path_.size(); ++i) {
      if (path_[i].kind == Kind::kBits) {
        bits = i;
        break;
      }
      if (i > 0 && isBarrier(i)) {
        barrier = i;
        break;
      }
    }
    if (bits != kNone) {
      if (!coverScan(bits)) return;
    } else if (barrier != kNone) {
      writePlain(barrier);
    } else if (final) {
      writePlain(path_.size());
    } else {
      return;  // plain cycles only: what follows may still join them
    }
  }
}

// The cycles before the TAP is known: kestrix's first navigation writes five TMS 1 cycles.
bool SvfWriter::coverUndefined(bool final) {
  std::size_t count = 0;
  std::uint64_t cycles = 0;
  bool reached = false, plain = true, samePio = true;
  for (; count < path_.size(); ++count) {
    const Element& e = path_[count];
    if (e.kind != Kind::kStep || e.from != S::UNDEFINED) break;
    cycles += e.count;
    plain = plain && e.pio.empty();
    samePio = samePio && !e.pio.empty() && e.pio == path_.front().pio;
    if (e.to != S::UNDEFINED) {
      reached = true;
      ++count;
      break;
    }
  }
  if (!reached) {
    if (!final) return false;
    if (count == 0) {
      // A wait before any cycle: there is no stable state to wait in.
      notExact("a wait of " + path_.front().amount + " before the TAP is known is left out", false);
    } else {
      notExact("left out: " + cycleCount(cycles) + " that never bring the TAP into a known state");
    }
    pop(std::max<std::size_t>(count, 1));
    return true;
  }
  bool exact = cycles == static_cast<std::uint64_t>(kResetCycles);
  if (!exact) {
    notExact(cycleCount(cycles) + " before the TAP is known are written as the five reset cycles");
  }
  if (exact && samePio && writePioMap(path_.front().pio)) {
    emit("PIO (" + svfPio(path_.front().pio) + ");\n");
  } else {
    if (!plain) notExact("PIO characters on the reset cycles are left out");
    resetPending_ = true;
  }
  pop(count);
  svf_ = S::RESET;
  return true;
}

// The steps before `end` with no PIO characters, starting where the program stands, written
// exactly: none, one cycle in place in IDLE, or two or more ending in a stable state.
bool SvfWriter::plainExact(std::size_t end) const {
  std::uint64_t cycles = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const Element& e = path_[i];
    if (e.kind != Kind::kStep || !e.pio.empty()) return false;
    cycles += e.count;
  }
  if (end > 0 && path_[0].from != svf_) return false;
  if (cycles == 1) return svf_ == S::IDLE && path_[0].to == S::IDLE;
  return true;
}

bool SvfWriter::plainBits(const Element& bits) {
  return bits.pio.empty() && bits.tdi.find_first_not_of('Z') == std::string::npos &&
         bits.tdo.find_first_not_of('X') == std::string::npos;
}

void SvfWriter::bitsToSteps(std::size_t index) {
  Element bits = std::move(path_[index]);
  std::vector<Element> steps;
  Element step;
  step.from = step.to = bits.from;
  step.where = bits.where;
  step.count = bits.tdi.size() - (bits.to != bits.from ? 1 : 0);
  if (step.count > 0) steps.push_back(step);
  if (bits.to != bits.from) {
    step.to = bits.to;
    step.count = 1;
    steps.push_back(step);
  }
  path_.erase(path_.begin() + static_cast<std::ptrdiff_t>(index));
  path_.insert(path_.begin() + static_cast<std::ptrdiff_t>(index), steps.begin(), steps.end());
}

bool SvfWriter::hasPio(std::size_t end) const {
  for (std::size_t i = 0; i < end; ++i) {
    if (!path_[i].pio.empty()) return true;
  }
  return false;
}

// Where the walk into the shift state of the scan at `bits` can begin: the latest stable state
// from which kestrix's entry walk is exactly the steps that follow it.
std::size_t SvfWriter::entrySplit(std::size_t bits, bool exactOnly, bool keepPio,
                                  bool samePio) const {
  const Element& scan = path_[bits];
  const bool ir = scan.from == S::IRSHIFT;
  for (std::size_t j = bits + 1; j-- > 0;) {
    State from = stateBefore(j);
    if (!isStable(from)) continue;
    std::span<const S> walk = entryWalk(ir, from);
    if (walk.size() != bits - j || matches(j, walk, scan.pio, samePio) != walk.size()) continue;
    if (exactOnly && !plainExact(j)) continue;
    if (keepPio && hasPio(j)) continue;
    return j;
  }
  return kNone;
}

std::size_t SvfWriter::matches(std::size_t start, std::span<const State> states,
                               const std::string& pio, bool samePio) const {
  std::size_t i = 0;
  for (; i < states.size() && start + i < path_.size(); ++i) {
    const Element& e = path_[start + i];
    if (e.kind != Kind::kStep || e.count != 1 || e.to != states[i]) break;
    if (samePio && e.pio != pio) break;
  }
  return i;
}

// No entry walk of kestrix leads into the shift state the way the set does (Capture straight
// into Shift after a path with no stable state): the scan goes through its pause first, from
// where kestrix's walk is Exit2, Shift. The device sees the same bits.
void SvfWriter::rerouteEntryThroughPause(std::size_t bits) {
  Element& into = path_[bits - 1];
  const bool ir = path_[bits].from == S::IRSHIFT;
  const S exit1 = ir ? S::IREXIT1 : S::DREXIT1;
  const S pause = ir ? S::IRPAUSE : S::DRPAUSE;
  const S exit2 = ir ? S::IREXIT2 : S::DREXIT2;
  const S shift = ir ? S::IRSHIFT : S::DRSHIFT;
  const std::vector<S> states = {exit1, pause, exit2, shift};
  notExact("the scan at " + files_[path_[bits].where.file] + ":" +
           std::to_string(path_[bits].where.line) + " passes its pause before shifting");
  Element model = into;
  std::vector<Element> steps;
  S from = into.from;
  for (S state : states) {
    model.from = from;
    model.to = state;
    steps.push_back(model);
    from = state;
  }
  path_.erase(path_.begin() + static_cast<std::ptrdiff_t>(bits - 1));
  path_.insert(path_.begin() + static_cast<std::ptrdiff_t>(bits - 1), steps.begin(), steps.end());
}

// Until the set ends, the path may not yet hold all the cycles that a longer end walk needs.
bool SvfWriter::mayGrow(std::size_t start, std::span<const State> states,
                        const std::string& pio) const {
  if (final_) return false;
  std::size_t have = path_.size() - std::min(start, path_.size());
  return have < states.size() && matches(start, states, pio) == have;
}

bool SvfWriter::coverScan(std::size_t bits) {
  {
    const Element& scan = path_[bits];
    const bool ir = scan.from == S::IRSHIFT;
    if (!final_ && scan.to == scan.from) return false;
    for (S end : endStates(scan)) {
      if (mayGrow(bits + 1, exitWalk(ir, end), scan.pio)) return false;
    }
  }
  // Shift cycles that drive nothing and compare nothing are what an explicit path through
  // the shift state writes: where no SDR or SIR can give them exactly, they are a path.
  if (plainBits(path_[bits])) {
    std::size_t consumed = 0;
    if (entrySplit(bits, false, false) == kNone || endWalk(bits, consumed) == S::UNDEFINED) {
      bitsToSteps(bits);
      return true;
    }
  }
  // Exactly; else with one more cycle in a stable state rather than losing PIO characters.
  std::size_t split = entrySplit(bits, true, true);
  if (split == kNone) split = entrySplit(bits, false, true);
  if (split == kNone) split = entrySplit(bits, false, false);
  if (split == kNone) {
    // The walk in has other PIO characters than the scan: the statement gives it the scan's.
    split = entrySplit(bits, false, false, false);
    if (split != kNone) {
      notExact("the walk into the scan at " + files_[path_[bits].where.file] + ":" +
                   std::to_string(path_[bits].where.line) + " gets its PIO characters",
               false);
    }
  }
  if (split == kNone && bits > 0 && path_[bits - 1].kind == Kind::kStep &&
      path_[bits - 1].to == path_[bits].from && isCapture(path_[bits - 1].from)) {
    std::size_t before = path_.size();
    rerouteEntryThroughPause(bits);
    bits += path_.size() - before;
    split = entrySplit(bits, false, false, false);
  }
  if (split == kNone) {
    notExact("kestrix's own walk leads into the scan at " + files_[path_[bits].where.file] + ":" +
                 std::to_string(path_[bits].where.line),
             false);
    split = bits;
  }
  writePlain(split);
  bits -= split;
  std::size_t consumed = 0;
  State exit = chooseExit(bits, consumed);
  Element scan = std::move(path_[bits]);
  pop(bits + 1 + consumed);
  writeScan(scan, exit);
  svf_ = exit;
  return true;
}

// The end walks to RESET and to the other register's pause pass IDLE: the walk to IDLE, or to
// the scan's own pause, is the start of every other one, and what follows is a path. A scan
// with PIO characters takes the longest end walk that carries them too, since a path cannot.
State SvfWriter::endWalk(std::size_t bits, std::size_t& consumed) const {
  const Element& scan = path_[bits];
  const bool ir = scan.from == S::IRSHIFT;
  consumed = 0;
  if (scan.to != (ir ? S::IREXIT1 : S::DREXIT1)) return S::UNDEFINED;
  State best = S::UNDEFINED;
  for (S end : endStates(scan)) {
    std::span<const S> walk = exitWalk(ir, end);
    if (matches(bits + 1, walk, scan.pio) != walk.size()) continue;
    if (scan.pio.empty()) {
      consumed = walk.size();
      return end;
    }
    if (best == S::UNDEFINED || walk.size() > consumed) {
      best = end;
      consumed = walk.size();
    }
  }
  return best;
}

std::vector<State> SvfWriter::endStates(const Element& scan) {
  const bool ir = scan.from == S::IRSHIFT;
  if (scan.pio.empty()) return {S::IDLE, ir ? S::IRPAUSE : S::DRPAUSE};
  return {std::begin(kEndStates), std::end(kEndStates)};
}

// The end state whose end walk kestrix writes as the steps after the scan's last bit. Where
// none does, the scan ends in its pause and the path goes on from there.
State SvfWriter::chooseExit(std::size_t bits, std::size_t& consumed) {
  const Element& scan = path_[bits];
  const bool ir = scan.from == S::IRSHIFT;
  const S pause = ir ? S::IRPAUSE : S::DRPAUSE;
  const S exit1 = ir ? S::IREXIT1 : S::DREXIT1;
  State best = endWalk(bits, consumed);
  if (best != S::UNDEFINED) return best;
  const std::string place = files_[scan.where.file] + ":" + std::to_string(scan.where.line);
  if (scan.to != exit1) {
    notExact("the scan at " + place + " stops shifting without leaving Shift; it is left in " +
             name(pause));
  } else if (bits + 1 < path_.size() && path_[bits + 1].kind == Kind::kStep &&
             path_[bits + 1].from == exit1) {
    // Exit1 straight to Update: through the pause instead.
    notExact("the scan at " + place + " passes its pause before Update");
    Element& next = path_[bits + 1];
    if (next.to != pause) {
      Element exit2 = next;
      exit2.from = pause;
      exit2.to = ir ? S::IREXIT2 : S::DREXIT2;
      next.from = exit2.to;
      path_.insert(path_.begin() + static_cast<std::ptrdiff_t>(bits + 1), exit2);
    }
  } else {
    notExact("the set leaves the scan at " + place + " in " + name(exit1) + "; it is left in " +
             name(pause));
  }
  return pause;
}

void SvfWriter::writeScan(const Element& bits, State exit) {
  const bool ir = bits.from == S::IRSHIFT;
  // The reset cycles that a scan writes from the unknown state would carry its PIO characters.
  if (!bits.pio.empty()) settleReset();
  State& end = ir ? endIr_ : endDr_;
  if (exit != end) {
    emit(std::string(ir ? "ENDIR " : "ENDDR ") + name(exit) + ";\n");
    end = exit;
  }
  emit("! bits from " + files_[bits.where.file] + ":" + std::to_string(bits.where.line) + "\n");
  std::string text = ir ? "SIR " : "SDR ";
  text += std::to_string(bits.tdi.size()) + " TDI (" + wrapped(svfHex(bits.tdi, "1")) + ")";
  bool& smask = smaskGiven_[ir ? 1 : 0];
  if (smask || bits.tdi.find('Z') != std::string::npos) {
    text += " SMASK (" + wrapped(svfHex(bits.tdi, "01")) + ")";
    smask = true;
  }
  if (bits.tdo.find_first_of("HL") != std::string::npos) {
    text += " TDO (" + wrapped(svfHex(bits.tdo, "H")) + ") MASK (" +
            wrapped(svfHex(bits.tdo, "HL")) + ")";
  }
  if (!bits.pio.empty()) {
    if (writePioMap(bits.pio)) {
      text += " PIO (" + svfPio(bits.pio) + ")";
    } else {
      notExact("the PIO characters of the scan above are left out", false);
    }
  }
  emit(text + ";\n");
  resetPending_ = false;
}

bool SvfWriter::writeWait() {
  std::string amount = path_.front().amount;
  if (!isStable(svf_)) {
    pop(1);
    notExact("a wait of " + amount + " in " + name(svf_) +
                 " is left out: SVF waits in stable "
                 "states only",
             false);
    return true;
  }
  State end = svf_;
  if (svf_ != S::IDLE) {
    pop(1);
    std::optional<State> found = takeRunTestEnd();
    if (!found) {
      Element wait;
      wait.kind = Kind::kWait;
      wait.amount = amount;
      path_.push_front(std::move(wait));
      return false;
    }
    end = *found;
  } else {
    pop(1);
  }
  if (!timeKept(amount)) {
    notExact("kestrix waits in whole seconds from one second on, up to 4294967295: the wait of " +
                 amount + " becomes another",
             false);
  }
  emit("RUNTEST " + name(svf_) + " " + svfSeconds(amount) + " SEC ENDSTATE " + name(end) + ";\n");
  resetPending_ = false;
  svf_ = end;
  return true;
}

// Outside IDLE, kestrix's RUNTEST walks from the wait to its end state and clocks four cycles
// in place there: the end state whose walk and four cycles come next in the path, taken from
// it. Where none does, the wait ends in its own state with four cycles more than the set has.
// Nothing while the path may still grow into one.
std::optional<State> SvfWriter::takeRunTestEnd() {
  for (S end : kEndStates) {
    std::span<const S> walk = end == svf_ ? std::span<const S>() : gotoWalk(svf_, end);
    if (end != svf_ && walk.empty()) continue;
    if (mayGrow(0, walk, std::string())) return std::nullopt;
    if (matches(0, walk, std::string()) != walk.size()) continue;
    if (walk.size() >= path_.size()) {
      if (!final_) return std::nullopt;
      continue;
    }
    const Element& stay = path_[walk.size()];
    if (stay.kind != Kind::kStep || stay.from != end || stay.to != end || !stay.pio.empty()) {
      continue;
    }
    if (stay.count < kRunTestCycles) {
      if (!final_ && walk.size() + 1 == path_.size()) return std::nullopt;
      continue;
    }
    pop(walk.size());
    path_[0].count -= kRunTestCycles;
    if (path_[0].count == 0) pop(1);
    return end;
  }
  notExact("RUNTEST writes " + std::to_string(kRunTestCycles) + " cycles in " + name(svf_) +
           " after the wait that the set does not have");
  return svf_;
}

void SvfWriter::writePio(std::string pins, std::uint64_t count) {
  if (!writePioMap(pins)) {
    notExact("PIO characters that match no PIOMAP are left out");
    path_.front().pio.clear();
    return;
  }
  pop(1);
  settleReset();
  for (std::uint64_t i = 0; i < count; ++i) emit("PIO (" + svfPio(pins) + ");\n");
}

void SvfWriter::parallelOrder(const std::vector<std::string>& names) {
  pioNames_ = names;
  if (!names.empty()) writePioMap(std::string(names.size(), 'X'));
}

bool SvfWriter::writePioMap(const std::string& pins) {
  if (pioNames_.size() != pins.size()) return false;
  if (mappedNames_) return pioNames_ == *mappedNames_;
  // kestrix takes a PIOMAP only before the first statement that clocks: pins declared later
  // in the set cannot be carried.
  if (statementWritten_) return false;
  if (!std::all_of(pioNames_.begin(), pioNames_.end(), pioName)) return false;
  std::string text = "PIOMAP (";
  for (std::size_t i = 0; i < pioNames_.size(); ++i) {
    text += (i > 0 ? " INOUT " : "INOUT ") + pioNames_[i];
  }
  emit(text + ");\n");
  mappedNames_ = pioNames_;
  return true;
}

// The steps before `end` as explicit STATE paths from where the program stands.
void SvfWriter::writePlain(std::size_t end) {
  std::vector<S> states;
  if (end > 0 && path_[0].from != svf_) {
    notExact("a walk from " + name(svf_) + " to " + name(path_[0].from) + " is added", false);
    states = shortestWalk(svf_, path_[0].from);
  }
  bool pio = false;
  for (std::size_t i = 0; i < end; ++i) {
    const Element& e = path_[i];
    pio = pio || !e.pio.empty();
    states.insert(states.end(), e.count, e.to);
  }
  pop(end);
  if (pio) notExact("PIO characters of cycles that move between states are left out", false);
  if (!states.empty() && !isStable(states.back())) settle(states);
  writeStatePath(std::move(states));
}

// STATE ends in a stable state: the shortest way there that neither captures, shifts nor
// updates, so that a scan left open stays open. The cycle that leaves Capture captures, the one
// that leaves Shift shifts, the one that leaves Update updates; the set has none of them. So a
// last cycle into Shift from Capture or Shift goes to Exit1 instead (it still captures or
// shifts its bit), and a last cycle into Capture, Shift, Update or Exit2 that cannot be left so
// is left out.
void SvfWriter::settle(std::vector<State>& states) {
  const State end = states.back();
  while (!states.empty() && !isStable(states.back())) {
    S last = states.back();
    S before = states.size() >= 2 ? states[states.size() - 2] : svf_;
    if (isShift(last) && (isCapture(before) || isShift(before))) {
      states.back() = last == S::IRSHIFT ? S::IREXIT1 : S::DREXIT1;
      continue;
    }
    bool acts = isCapture(last) || isShift(last) || isUpdate(last);
    std::vector<S> rest = acts ? std::vector<S>() : settleWalk(last);
    if (!rest.empty()) {
      states.insert(states.end(), rest.begin(), rest.end());
      break;
    }
    states.pop_back();
  }
  notExact("the set leaves the TAP in " + name(end) + ", the program in " +
           (states.empty() ? name(svf_) : name(states.back())));
}

// The first long stretch of cycles in place in RESET in `states`, as [begin, end), with at
// least two states before and after it when there are any (a single cycle has no STATE path
// of its own); {0, 0} when there is none.
static std::pair<std::size_t, std::size_t> longResetRun(const std::vector<State>& states,
                                                        State from) {
  for (std::size_t i = 0; i < states.size();) {
    bool inPlace = states[i] == S::RESET && (i == 0 ? from : states[i - 1]) == S::RESET;
    if (!inPlace) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < states.size() && states[end] == S::RESET) ++end;
    std::size_t begin = i == 1 ? 2 : i;
    std::size_t last = states.size() - end == 1 ? end - 1 : end;
    if (last >= begin + kLongResetRun) return {begin, last};
    i = end;
  }
  return {0, 0};
}

void SvfWriter::writeStatePath(std::vector<State> states) {
  if (states.empty()) return;
  if (!resetPending_) {
    auto [begin, end] = longResetRun(states, svf_);
    if (end > begin) {
      writeStatePath(std::vector<State>(states.begin(), states.begin() + begin));
      emit("RUNTEST RESET " + std::to_string(end - begin - kRunTestCycles) +
           " TCK ENDSTATE RESET;\n");
      svf_ = S::RESET;
      writeStatePath(std::vector<State>(states.begin() + end, states.end()));
      return;
    }
  }
  const bool unknown = resetPending_;
  if (unknown) {
    // From the unknown state, a path to RESET first writes the five reset cycles.
    states.insert(states.begin(), S::RESET);
    resetPending_ = false;
  } else if (states.size() == 1 && svf_ == S::IDLE && states[0] == S::IDLE) {
    emit("RUNTEST IDLE 1 TCK ENDSTATE IDLE;\n");
    return;
  } else if (states.size() == 1) {
    notExact("a single cycle into " + name(states[0]) + " is written after one more in " +
             name(svf_));
    states.insert(states.begin(), svf_);
  }
  if (!unknown && svf_ == S::RESET && states[0] == S::RESET) {
    // A file split before this statement would take the TAP from RESET to IDLE; STATE RESET
    // brings it back then, and writes nothing otherwise.
    emit("STATE RESET;\n");
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < states.size(); ++i) {
    std::size_t left = states.size() - i - 1;
    bool cut =
        i + 1 - start >= kPathPiece && states[i] != S::RESET && isStable(states[i]) && left != 1;
    if (!cut && left != 0) continue;
    std::string text = "STATE";
    for (std::size_t k = start; k <= i; ++k) {
      text += ' ';
      text += stateName(states[k]);
    }
    emit(text + ";\n");
    start = i + 1;
  }
  svf_ = states.back();
}

}  // namespace kestrix::replay

#include "replay/round_trip.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "replay/tap.h"

namespace kestrix::replay {
namespace {

using namespace testing;

// Translate, replay --svf, translate that, replay again: the device sees every cycle again,
// scans and waits included (waits compared by their length: "1000000u" comes back as "1s").
TEST(ReplayRoundTrip, RepositorySetsComeBackCycleForCycle) {
  // PIO characters on cycles that move between states: the SVF program leaves them out, and
  // says so.
  const std::set<std::string> inexact = {"e2e/pio-with-state"};
  int checked = 0;
  for (const NamedSet& set : repositorySets(KESTRIX_SOURCE_DIR)) {
    if (!set.successful) continue;
    if (inexact.count(set.name) != 0) {
      RoundTrip trip = roundTrip(set.files);
      EXPECT_NE(trip.svf.find("! not exact"), std::string::npos) << set.name;
      continue;
    }
    RoundTrip trip = roundTrip(set.files);
    ASSERT_FALSE(trip.first.problem) << set.name;
    ASSERT_FALSE(trip.again.empty()) << set.name << ": kestrix did not translate\n" << trip.svf;
    ASSERT_FALSE(trip.second.problem) << set.name << ": " << trip.second.problem->message;
    EXPECT_EQ(joined(outline(trip.first, false)), joined(outline(trip.second, false)))
        << set.name << "\n"
        << trip.svf;
    EXPECT_EQ(trip.svfErrors, "") << set.name;
    ++checked;
  }
  EXPECT_GT(checked, 60);
}

// SVF programs made at random from the statements kestrix knows, in valid combinations.
class ProgramMaker {
 public:
  explicit ProgramMaker(unsigned seed) : random_(seed) {}

  std::string program() {
    std::string svf;
    if (chance(50)) svf += "FREQUENCY 1E6 HZ;\n";
    pio_ = chance(25) ? 1 + pick(3) : 0;
    pinBlock_ = pio_ > 0;
    if (pio_ > 0) {
      svf += "PIOMAP (";
      for (int i = 0; i < pio_; ++i) svf += " INOUT P" + std::to_string(i);
      svf += ");\n";
    }
    int statements = 5 + pick(25);
    for (int i = 0; i < statements; ++i) svf += statement();
    return svf;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool chance(int percent) { return pick(100) < percent; }

  std::string stable() {
    static const char* kStable[] = {"RESET", "IDLE", "DRPAUSE", "IRPAUSE"};
    return kStable[pick(4)];
  }

  std::string hex(int bits) {
    std::string text;
    for (int i = 0; i < (bits + 3) / 4; ++i) {
      int top = i == 0 && bits % 4 != 0 ? (1 << (bits % 4)) : 16;
      text += "0123456789ABCDEF"[pick(top)];
    }
    return text;
  }

  std::string pioPattern() {
    std::string text;
    for (int i = 0; i < pio_; ++i) text += "HLZUDX"[pick(6)];
    return text;
  }

  std::string scan(bool ir) {
    int bits = chance(10) ? 500 + pick(3000) : 1 + pick(40);
    std::string text = std::string(ir ? "SIR " : "SDR ") + std::to_string(bits);
    text += " TDI (" + hex(bits) + ")";
    bool& smask = ir ? irSmask_ : drSmask_;
    if (smask || chance(15)) {
      text += " SMASK (" + hex(bits) + ")";
      smask = true;
    }
    if (chance(50)) {
      // One call at a time: the operands of + are evaluated in an order compilers choose, and
      // every compiler must make the same programs.
      std::string tdo = hex(bits);
      std::string mask = hex(bits);
      text += " TDO (" + tdo + ") MASK (" + mask + ")";
    }
    if (pio_ > 0 && chance(15)) text += " PIO (" + pioPattern() + ")";
    return text + ";\n";
  }

  // An explicit path from IDLE: random TMS levels until a stable state is entered.
  std::string path() {
    std::string text = "STATE IDLE;\nSTATE";
    State at = State::IDLE;
    for (int step = 0; step < 12; ++step) {
      at = successor(at, chance(50));
      text += " " + std::string(stateName(at));
      if (isStable(at) && step > 0 && chance(60)) return text + ";\n";
    }
    while (!isStable(at)) {
      at = successor(at, true);
      text += " " + std::string(stateName(at));
    }
    return text + ";\n";
  }

  std::string runTest() {
    std::string count = std::to_string(pick(3) == 0 ? pick(4) : 4 + pick(20000));
    std::string digit = std::to_string(1 + pick(9));
    std::string time = digit + "E-" + std::to_string(1 + pick(6));
    std::string runState = stable();
    std::string endState = stable();
    switch (pick(6)) {
      case 0:
        return "RUNTEST " + count + " TCK;\n";
      case 1:
        return "RUNTEST " + runState + " " + count + " TCK;\n";
      case 2:
        return "RUNTEST " + runState + " " + count + " TCK ENDSTATE " + endState + ";\n";
      case 3:
        return "RUNTEST " + time + " SEC;\n";
      case 4:
        return "RUNTEST " + runState + " " + time + " SEC ENDSTATE " + endState + ";\n";
      default:
        return "RUNTEST " + count + " TCK " + time + " SEC;\n";
    }
  }

  // WAIT writes no pin block: as the first statement to clock, its cycles would stand before
  // the first pcf section, where no tester applies them.
  std::string statement() {
    std::string text = anyStatement();
    if (text.rfind("WAIT", 0) == 0 && !pinBlock_) return "STATE IDLE;\n";
    if (text.rfind("ENDIR", 0) != 0 && text.rfind("ENDDR", 0) != 0 && text != "TRST OFF;\n") {
      pinBlock_ = true;
    }
    return text;
  }

  std::string anyStatement() {
    switch (pick(14)) {
      case 0:
        return "STATE " + stable() + ";\n";
      case 1:
        return path();
      case 2:
        return "ENDIR " + stable() + ";\n";
      case 3:
        return "ENDDR " + stable() + ";\n";
      case 4:
      case 5:
        return runTest();
      case 6: {
        std::string count = std::to_string(pick(100));
        return "WAIT " + count + " TCK ENDSTATE " + stable() + ";\n";
      }
      case 7:
        return chance(50) ? "TRST ON;\n" : "TRST OFF;\n";
      case 8:
        if (pio_ > 0) return "PIO (" + pioPattern() + ");\n";
        return scan(false);
      case 9:
      case 10:
        return scan(true);
      default:
        return scan(false);
    }
  }

  std::mt19937 random_;
  int pio_ = 0;
  bool pinBlock_ = false;
  bool irSmask_ = false;
  bool drSmask_ = false;
};

// The sets are translated with splits and without; the SVF is translated again with the default
// budget, where such small programs are not split (a split adds the cycles of a new file).
// Where the SVF program says nothing is inexact, every cycle comes back.
TEST(ReplayRoundTrip, GeneratedProgramsKeepTheirScansAndWaits) {
  int translated = 0, exact = 0;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    std::string svf = ProgramMaker(seed).program();
    std::vector<std::string> options;
    if (seed % 3 == 0) options = {"-s", "30000"};
    if (seed % 5 == 0) options.push_back("-c");
    FileSet set = translate(svf, options);
    if (set.empty()) continue;  // kestrix refused the program
    ++translated;
    RoundTrip trip = roundTrip(set);
    ASSERT_FALSE(trip.first.problem) << svf << trip.first.problem->message;
    ASSERT_FALSE(trip.again.empty()) << "seed " << seed << "\n"
                                     << svf << "\n--- svf:\n"
                                     << trip.svf;
    ASSERT_FALSE(trip.second.problem) << trip.second.problem->message;
    bool inexact = trip.svf.find("! not exact") != std::string::npos;
    EXPECT_EQ(trip.svf.find("scans or waits differ"), std::string::npos) << svf << trip.svf;
    exact += inexact ? 0 : 1;
    EXPECT_EQ(joined(outline(trip.first, inexact)), joined(outline(trip.second, inexact)))
        << "seed " << seed << "\n"
        << svf << "\n--- svf:\n"
        << trip.svf;
  }
  EXPECT_GT(translated, 390);
  EXPECT_GT(exact, 350);
}

}  // namespace
}  // namespace kestrix::replay

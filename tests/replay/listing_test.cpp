#include "replay/listing.h"

#include <gtest/gtest.h>

namespace kestrix::replay {
namespace {

TEST(ReplayListing, HexIsMostSignificantDigitFirstFromBitsInShiftOrder) {
  struct Case {
    std::string bits;
    std::string hex;
  };
  const Case cases[] = {
      {"", ""},           {"1", "1"},           {"01", "2"},   {"10100101", "A5"},
      {"11110000", "0F"}, {"000000001", "100"}, {"1111", "F"}, {"00001", "10"},
  };
  for (const Case& c : cases) EXPECT_EQ(svfHex(c.bits, "1"), c.hex) << c.bits;
}

TEST(ReplayListing, ScansAreSvfStatements) {
  struct Case {
    std::string tdi, tdo;
    bool ir;
    std::string text;
  };
  const Case cases[] = {
      {"10100101", "XXXXXXXX", false, "SDR 8 TDI (A5);"},
      // Not driven bits: SMASK 0 (and TDI 0).
      {"1Z1ZZZZZ", "XXXXXXXX", true, "SIR 8 TDI (05) SMASK (05);"},
      // Expected levels: TDO and MASK; X bits are masked.
      {"0000", "HLXH", false, "SDR 4 TDI (0) TDO (9) MASK (B);"},
      {"", "", false, "SDR 0;"},
  };
  for (const Case& c : cases) {
    Scan scan;
    scan.ir = c.ir;
    scan.tdi = c.tdi;
    scan.tdo = c.tdo;
    EXPECT_EQ(scanStatement(scan), c.text);
  }
}

TEST(ReplayListing, EveryOperationAsOneLine) {
  const Scan paused{.tdi = "11000",
                    .tdo = "XXXXX",
                    .segments = {3, 2},
                    .begin = {},
                    .end = State::DRSELECT,
                    .pio = {}};
  const Scan open{.ir = true,
                  .tdi = "1",
                  .tdo = "L",
                  .segments = {1},
                  .begin = {},
                  .end = State::IRPAUSE,
                  .pio = "1H",
                  .updated = false};
  const std::vector<std::string> names = {"EN", "OK"};
  struct Case {
    Operation op;
    std::string text;
  };
  const Case cases[] = {
      {paused, "SDR 5 TDI (03); ! segments 3 2, Update leads to DRSELECT"},
      {open,
       "SIR 1 TDI (1) TDO (0) MASK (1); ! not updated: the set ends in IRPAUSE, PIO EN=1 OK=H"},
      {replay::Run{State::IDLE, 4, {}}, "! 4 cycles in IDLE"},
      {replay::Run{State::DRPAUSE, 1, {}}, "! 1 cycle in DRPAUSE"},
      {Walk{State::IDLE, State::DRCAPTURE, 2, {}}, "! IDLE -> DRCAPTURE (2 cycles)"},
      {Walk{State::RESET, State::IDLE, 1, {}}, "! RESET -> IDLE"},
      {Wait{"100u", {}}, "! wait 100u"},
      {PioCycle{"0X", State::IDLE, {}, State::IDLE}, "! PIO EN=0 OK=X in IDLE"},
      {PioCycle{"0X", State::IDLE, {}, State::DRSELECT}, "! PIO EN=0 OK=X, IDLE -> DRSELECT"},
  };
  for (const Case& c : cases) EXPECT_EQ(operationText(c.op, names), c.text);
  // Names that do not fit the pins are left out.
  EXPECT_EQ(operationText(PioCycle{"0", State::IDLE, {}, State::IDLE}, names), "! PIO 0 in IDLE");
  EXPECT_EQ(placePrefix(Place{"out/b1.pcf", 42}), "out/b1.pcf:42: ");
}

}  // namespace
}  // namespace kestrix::replay

#include "tap/steady_shift.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#if defined(__BMI2__)
#include <immintrin.h>
#endif

#include "core/transitions.h"
#include "tap/vector_writer.h"

namespace kestrix {
namespace {

namespace format = vector_format;

// The PIO pattern of a line outside PIO statements: its closing quote alone.
constexpr std::string_view kNoPio = {&format::kQuote, 1};

// A cycle's code: bit 0 the TDI level, bit 1 TDI driven, bit 2 the TDO level, bit 3 compared.
constexpr char tdiOf(unsigned code) {
  if ((code & 2) == 0) return format::kNotDriven;
  return (code & 1) != 0 ? format::kHigh : format::kLow;
}
constexpr char tdoOf(unsigned code) {
  if ((code & 8) == 0) return format::kDontCare;
  return (code & 4) != 0 ? format::kExpectHigh : format::kExpectLow;
}

// The two lines of a cycle without PIO pattern or comment are 16 bytes; each entry holds two
// cycles, the first one's code in the low four bits of the index.
constexpr auto kPlainPairs = [] {
  std::array<std::array<char, 32>, 256> table{};
  for (unsigned index = 0; index < 256; ++index) {
    char* at = table[index].data();
    for (unsigned code : {index & 15, index >> 4}) {
      at = vector_line::end(
          vector_line::pins(at, format::kLow, format::kLow, tdiOf(code), tdoOf(code), kNoPio));
      at = vector_line::end(vector_line::pins(at, format::kHigh, format::kLow, tdiOf(code),
                                              format::kDontCare, kNoPio));
    }
  }
  return table;
}();
constexpr std::size_t kPlainLine = 1 + format::kJtagPins + 1 + format::kLineEnd.size();
constexpr std::size_t kPlainCycle = 2 * kPlainLine;
static_assert(kPlainCycle == 16, "two cycles of plain lines fill a table entry");
// The TCK-0 line and the TCK-1 line up to its closing quote, where a comment follows.
constexpr std::size_t kCommentAt = kPlainCycle - format::kLineEnd.size();

// Bits 0 to 7 of the index spread to bits 0, 4, ..., 28.
constexpr auto kSpread = [] {
  std::array<std::uint32_t, 256> table{};
  for (unsigned index = 0; index < 256; ++index) {
    for (unsigned bit = 0; bit < 8; ++bit) table[index] |= ((index >> bit) & 1u) << (4 * bit);
  }
  return table;
}();

// Bits `shift` to `shift + 15` of `word`, one to a nibble.
inline std::uint64_t spread16(std::uint64_t word, unsigned shift) {
#if defined(__BMI2__)
  return _pdep_u64(word >> shift, 0x1111111111111111u);
#else
  word >>= shift;
  return kSpread[word & 0xFF] | std::uint64_t{kSpread[(word >> 8) & 0xFF]} << 32;
#endif
}

// The codes of the 16 cycles from bit `shift` of `levels`, one to a nibble.
inline std::uint64_t cycleCodes(const ShiftLevels& levels, unsigned shift) {
  return spread16(levels.tdi, shift) | spread16(levels.driven, shift) << 1 |
         spread16(levels.tdo, shift) << 2 | spread16(levels.compared, shift) << 3;
}

// Where the lines go: the file's buffer, with `room` bytes free at `at` after every ensure().
// Writers copy whole blocks of fixed size and then advance by what they meant, so the room
// covers the blocks, not the text.
class Cursor {
 public:
  Cursor(PcfFile& file, std::size_t room) : file_(file), room_(room) { take(); }
  void ensure() {
    if (at > limit_) {
      file_.commit(at);
      take();
    }
  }
  void done() { file_.commit(at); }
  char* at = nullptr;

 private:
  void take() {
    at = file_.reserve(room_);
    limit_ = file_.bufferEnd() - room_;
  }
  PcfFile& file_;
  std::size_t room_;
  char* limit_ = nullptr;
};

// A bit number in decimal that counts up without formatting it anew.
class BitNumber {
 public:
  explicit BitNumber(std::uint64_t value) {
    size_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + 20, value).ptr - digits_);
  }
  // The digits, with at least 16 readable bytes.
  const char* data() const { return digits_; }
  std::size_t size() const { return size_; }
  std::string_view text() const { return {digits_, size_}; }
  void increment() {
    std::size_t at = size_;
    while (at > 0 && digits_[at - 1] == '9') digits_[--at] = '0';
    if (at > 0) {
      ++digits_[at - 1];
      return;
    }
    std::memmove(digits_ + 1, digits_, size_++);
    digits_[0] = '1';
  }

 private:
  char digits_[32] = {};
  std::size_t size_;
};

void writePlain(PcfFile& file, std::uint64_t count, const ShiftLevels* levels) {
  Cursor cursor(file, 16 * kPlainCycle);
  for (std::uint64_t k = 0; k < count; k += 16) {
    cursor.ensure();
    std::uint64_t codes = cycleCodes(levels[k / 64], static_cast<unsigned>(k % 64));
    auto cycles = static_cast<unsigned>(std::min<std::uint64_t>(16, count - k));
    char* at = cursor.at;
    for (unsigned j = 1; j < cycles; j += 2) {
      std::memcpy(at, kPlainPairs[codes & 0xFF].data(), 2 * kPlainCycle);
      at += 2 * kPlainCycle;
      codes >>= 8;
    }
    if (cycles % 2 != 0) {
      std::memcpy(at, kPlainPairs[codes & 0xF].data(), kPlainCycle);
      at += kPlainCycle;
    }
    cursor.at = at;
  }
  cursor.done();
}

// The text around the bit number of a commented TCK-1 line, in blocks copied whole.
struct CommentText {
  static constexpr std::size_t kHead = 48;
  static constexpr std::size_t kTail = 24;
  CommentText(std::string_view stateName, BitNumberComment comment) {
    headSize =
        static_cast<std::size_t>(vector_line::comment(head, stateName, comment.prefix) - head);
    tailSize =
        static_cast<std::size_t>(vector_line::end(vector_line::put(tail, comment.suffix)) - tail);
  }
  char head[kHead] = {};
  char tail[kTail] = {};
  std::size_t headSize;
  std::size_t tailSize;
};

void writeCommented(PcfFile& file, std::uint64_t firstBit, std::uint64_t count,
                    const ShiftLevels* levels, const CommentText& text) {
  constexpr std::size_t kCycleRoom = kPlainCycle + CommentText::kHead + 16 + CommentText::kTail;
  Cursor cursor(file, 16 * kCycleRoom);
  BitNumber number(firstBit);
  for (std::uint64_t k = 0; k < count; k += 16) {
    cursor.ensure();
    std::uint64_t codes = cycleCodes(levels[k / 64], static_cast<unsigned>(k % 64));
    auto cycles = static_cast<unsigned>(std::min<std::uint64_t>(16, count - k));
    char* at = cursor.at;
    for (unsigned j = 0; j < cycles; ++j, codes >>= 4) {
      std::memcpy(at, kPlainPairs[codes & 0xF].data(), kPlainCycle);
      at += kCommentAt;
      std::memcpy(at, text.head, CommentText::kHead);
      at += text.headSize;
      std::memcpy(at, number.data(), 16);
      at += number.size();
      std::memcpy(at, text.tail, CommentText::kTail);
      at += text.tailSize;
      number.increment();
    }
    cursor.at = at;
  }
  cursor.done();
}

// With a PIO pattern in the lines: composed line by line; `text` is null with comments off.
void writeComposed(PcfFile& file, std::uint64_t firstBit, std::uint64_t count,
                   const ShiftLevels* levels, std::string_view pio, const CommentText* text) {
  Cursor cursor(file, 2 * (vector_line::kFixedRoom + pio.size()) + 2 * CommentText::kHead);
  BitNumber number(firstBit);
  for (std::uint64_t k = 0; k < count; ++k, number.increment()) {
    cursor.ensure();
    const ShiftLevels& block = levels[k / 64];
    auto bit = static_cast<unsigned>(k % 64);
    char tdi = block.tdiChar(bit);
    char* at = vector_line::end(
        vector_line::pins(cursor.at, format::kLow, format::kLow, tdi, block.tdoChar(bit), pio));
    at = vector_line::pins(at, format::kHigh, format::kLow, tdi, format::kDontCare, pio);
    if (text != nullptr) {
      at = vector_line::put(at, std::string_view(text->head, text->headSize));
      at = vector_line::put(at, number.text());
      at = vector_line::put(at, std::string_view(text->tail, text->tailSize));
    } else {
      at = vector_line::end(at);
    }
    cursor.at = at;
  }
  cursor.done();
}

}  // namespace

void writeSteadyShift(CycleWriter& w, std::uint64_t firstBit, std::uint64_t count,
                      const ShiftLevels* levels, BitNumberComment comment) {
  if (count == 0) return;
  w.output.compose(2 * static_cast<std::int64_t>(count), [&](PcfFile& file) {
    const std::string_view pio = w.pioString;
    const CommentText text(nextTapState(w.tap.currentState, '0').name, comment);
    if (pio != kNoPio) {
      writeComposed(file, firstBit, count, levels, pio, w.commentsOn ? &text : nullptr);
    } else if (w.commentsOn) {
      writeCommented(file, firstBit, count, levels, text);
    } else {
      writePlain(file, count, levels);
    }
  });
  // The TCK-1 lines leave TRST OFF.
  w.tap.trstMode = TrstMode::kOff;
}

}  // namespace kestrix

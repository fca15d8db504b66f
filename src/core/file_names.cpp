#include "core/file_names.h"

#include <string_view>

#include "core/blank.h"

namespace kestrix {
namespace {

constexpr std::size_t kStemLength = 6;

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first kStemLength bytes of `name`, less a UTF-8 character that does not fit whole: a
// name cut inside a character is not valid UTF-8. A UTF-8 character has at most three bytes
// after its first, so bytes of other encodings lose at most that many.
std::string_view stemOf(std::string_view name) {
  if (name.size() <= kStemLength) return name;
  std::size_t cut = kStemLength;
  for (int back = 0; back < 3 && cut > 0 && isContinuationByte(name[cut]); ++back) --cut;
  if (isContinuationByte(name[cut])) cut = kStemLength;
  return name.substr(0, cut);
}

// The directory part and the stem of `outputFile`; false when no base name is left.
bool splitOutputName(const std::string& outputFile, std::string& directory, std::string& stem) {
  std::size_t separator = outputFile.find_last_of("/\\");
  std::size_t base = 0;
  if (separator != std::string::npos) {
    base = separator + 1;
    while (base < outputFile.size() && isBlank(outputFile[base])) ++base;
    if (base == outputFile.size()) return false;
  }
  std::string_view name = std::string_view(outputFile).substr(base);
  std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  directory = outputFile.substr(0, base);
  stem = stemOf(name);
  return true;
}

}  // namespace

std::string pcfFileName(const std::string& outputFile, std::int64_t number) {
  std::string directory, stem;
  if (!splitOutputName(outputFile, directory, stem)) return {};
  return directory + stem + std::to_string(number) + ".pcf";
}

std::string pcfBaseName(const std::string& outputFile, std::int64_t number) {
  std::string directory, stem;
  if (!splitOutputName(outputFile, directory, stem)) return {};
  return stem + std::to_string(number) + ".pcf";
}

std::string vectorMapName(const std::string& outputFile) {
  std::string directory, stem;
  if (!splitOutputName(outputFile, directory, stem)) return {};
  return directory + stem + ".map";
}

}  // namespace kestrix

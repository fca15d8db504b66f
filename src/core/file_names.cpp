#include "core/file_names.h"

#include <string_view>

#include "core/blank.h"

namespace kestrix {
namespace {

constexpr std::size_t kStemLength = 6;

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
  stem = name.substr(0, kStemLength);
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

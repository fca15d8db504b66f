#include "core/file_names.h"

#include <string_view>

#include "core/blank.h"

namespace kestrix {
namespace {

constexpr std::size_t kStemLength = 6;

}  // namespace

std::string pcfFileName(const std::string& outputFile, std::int64_t number) {
  std::size_t separator = outputFile.find_last_of("/\\");
  std::size_t base = 0;
  if (separator != std::string::npos) {
    base = separator + 1;
    while (base < outputFile.size() && isBlank(outputFile[base])) ++base;
    if (base == outputFile.size()) return {};
  }
  std::string_view name = std::string_view(outputFile).substr(base);
  std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  std::string path = outputFile.substr(0, base);
  path.append(name.substr(0, kStemLength));
  path += std::to_string(number);
  path += ".pcf";
  return path;
}

}  // namespace kestrix

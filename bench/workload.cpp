// Writes deterministic SVF workloads for the benchmarks to standard output.
//
//   kestrix_workload programming <groups>        SIR 8, SDR 1024 (TDI, TDO, MASK), RUNTEST 100 TCK
//   kestrix_workload long-scan <bits>            one SDR of <bits> bits, hex wrapped at 64 digits
//   kestrix_workload restarts <groups>           programming groups, then six scans of 149990
//                                                lines each: with the default budget the last
//                                                file overruns at every split point from 415000
//                                                down to 315000, so the translation restarts
//                                                five times, each time near its end
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::mt19937_64 generator(20261208);

// `bits` bits of random hex, most significant digit first, wrapped after 64 digits.
std::string randomHex(std::uint64_t bits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::uint64_t digits = (bits + 3) / 4;
  unsigned leadBits = static_cast<unsigned>(bits - 4 * (digits - 1));
  std::string hex;
  hex.reserve(digits + digits / 64 + 2);
  for (std::uint64_t i = 0; i < digits; ++i) {
    unsigned value = static_cast<unsigned>(generator() & 0xF);
    if (i == 0) value &= (1u << leadBits) - 1;
    hex += kDigits[value];
    if ((i + 1) % 64 == 0 && i + 1 < digits) hex += '\n';
  }
  return hex;
}

void scan(const char* command, std::uint64_t bits, bool expect) {
  std::printf("%s %llu TDI (\n%s)", command, static_cast<unsigned long long>(bits),
              randomHex(bits).c_str());
  if (expect) {
    std::printf(" TDO (\n%s)", randomHex(bits).c_str());
    std::printf(" MASK (\n%s)", randomHex(bits).c_str());
  }
  std::printf(";\n");
}

int usage() {
  std::fprintf(stderr,
               "usage: kestrix_workload programming <groups> | long-scan <bits> | "
               "restarts <groups>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string kind = argv[1];
  std::uint64_t size = std::strtoull(argv[2], nullptr, 10);
  std::printf("! kestrix benchmark workload: %s %s\n", argv[1], argv[2]);
  if (kind == "programming" || kind == "restarts") {
    std::printf("FREQUENCY 1E6 HZ;\nTRST OFF;\nENDIR IDLE;\nENDDR IDLE;\nSTATE RESET IDLE;\n");
    for (std::uint64_t group = 0; group < size; ++group) {
      scan("SIR", 8, false);
      scan("SDR", 1024, true);
      std::printf("RUNTEST 100 TCK;\n");
    }
    if (kind == "restarts") {
      // 3 entry cycles, 74990 bits and 2 end cycles: 149990 lines a scan.
      for (int i = 0; i < 6; ++i) scan("SDR", 74990, true);
      std::printf("RUNTEST 100 TCK;\n");
    }
  } else if (kind == "long-scan") {
    std::printf("STATE IDLE;\n");
    scan("SDR", size, true);
  } else {
    return usage();
  }
  return 0;
}

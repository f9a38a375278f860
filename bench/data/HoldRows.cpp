// Holds N records (default 1,000,000) of the 8-column benchmark table in a memory table and
// prints the process's peak resident memory (VmHWM) before and after, and per record.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/data/BenchTable.h"

namespace {
long ReadStatusKb(const char* aKey) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(aKey, 0) == 0)
      return std::strtol(line.c_str() + std::char_traits<char>::length(aKey), nullptr, 10);
  return -1;
}
}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const long before = ReadStatusKb("VmHWM:");
  bramble::TFDMemTable table;
  bramble::bench::DefineColumns(table);
  table.Open();
  bramble::bench::Fill(table, rows);
  long long walked = 0;
  for (table.First(); !table.Eof(); table.Next()) walked += table.Fields(0)->AsInteger() >= 0;
  const long after = ReadStatusKb("VmHWM:");
  const std::size_t streamBytes = table.SaveToBytes().size();
  std::printf(
      "records %lld (walked %lld)\nVmHWM before %ld kB, after fill %ld kB, growth %.1f MB, %.1f "
      "bytes per record\n",
      rows, walked, before, after, (after - before) / 1024.0,
      (after - before) * 1024.0 / static_cast<double>(rows));
  std::printf("binary stream %.1f MB, %.1f bytes per record; VmHWM with stream %ld kB\n",
              streamBytes / 1048576.0, static_cast<double>(streamBytes) / static_cast<double>(rows),
              ReadStatusKb("VmHWM:"));
  return 0;
}

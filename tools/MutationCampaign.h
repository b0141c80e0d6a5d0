#pragma once
// Hostile input from a fixed seed: information files and settings files
// mutated from sound ones, run through the XML layer, the catalogue and the
// settings reader and writer. The test suite runs a short campaign; the
// mutation_campaign tool runs any count and seed.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mutation {

// splitmix64: the same numbers from the same seed on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // 0 .. n-1; 0 when n is 0.
  size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

 private:
  uint64_t state_;
};

std::string MutatedInfoFile(Random& random);
std::string MutatedSettingsFile(Random& random);

struct Options {
  uint64_t seed = 1;
  size_t infoFiles = 2000;
  size_t settingsFiles = 200;
  std::wstring folder;  // an empty folder the files are written to
};

struct Summary {
  size_t infoFiles = 0;
  size_t found = 0;
  size_t listed = 0;
  size_t dropped = 0;
  size_t settingsFiles = 0;
  size_t settingsRead = 0;
  size_t settingsRefused = 0;
  size_t keptCopies = 0;
  std::map<std::wstring, size_t> reasons;  // dropped files and refused settings per reason
  std::vector<std::wstring> faults;        // empty when everything was sound
};

// Writes, reads and checks; every fault found is one line of faults.
Summary Run(const Options& options);
std::wstring Report(const Summary& summary);

}  // namespace mutation

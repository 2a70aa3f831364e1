// Runs a fuzz target on a fixed number of inputs: each seed the target offers, then random bytes
// and random mutations of the seeds. Deterministic, so a failure repeats.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional: a target may offer well-formed inputs to mutate.
extern "C" __attribute__((weak)) void VtFuzzSeeds(std::vector<std::string>* seeds);

namespace {
void Run(const std::string& s) { LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
}  // namespace

int main(int argc, char** argv) {
  long count = argc > 1 ? std::atol(argv[1]) : 10000;
  std::vector<std::string> seeds;
  if (VtFuzzSeeds) VtFuzzSeeds(&seeds);
  for (const auto& s : seeds) Run(s);
  std::mt19937 rng(12345);
  for (long i = 0; i < count; ++i) {
    std::string input;
    if (!seeds.empty() && (i % 4) != 0) {
      input = seeds[rng() % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        switch (rng() % 4) {
          case 0:  // flip a byte
            if (!input.empty()) input[rng() % input.size()] = static_cast<char>(rng());
            break;
          case 1:  // truncate
            if (!input.empty()) input.resize(rng() % input.size());
            break;
          case 2:  // write a large 32-bit word
            if (input.size() >= 4) {
              size_t at = rng() % (input.size() - 3);
              uint32_t v = (rng() % 2) ? 0xFFFFFFFFu - (rng() % 16) : rng();
              for (int b = 0; b < 4; ++b) input[at + b] = static_cast<char>(v >> (8 * b));
            }
            break;
          default:  // append junk
            for (int n = static_cast<int>(rng() % 32); n > 0; --n) input.push_back(static_cast<char>(rng()));
        }
      }
    } else {
      input.resize(rng() % 1024);
      for (auto& c : input) c = static_cast<char>(rng());
    }
    Run(input);
  }
  std::printf("%ld inputs ran\n", count + static_cast<long>(seeds.size()));
  return 0;
}

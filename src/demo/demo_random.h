// The demo generator's random source and the made-up names it draws from.
// std::mt19937_64 is the same everywhere; the distributions are our own,
// because the standard ones differ between library versions.
#ifndef DUNMERROW_DEMO_DEMO_RANDOM_H_
#define DUNMERROW_DEMO_DEMO_RANDOM_H_

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace demo {

class DemoRandom {
 public:
  explicit DemoRandom(uint64_t seed) : engine_(seed) {}

  // A whole number in [low, high], without modulo bias.
  int64_t Between(int64_t low, int64_t high) {
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    const uint64_t limit = UINT64_MAX - UINT64_MAX % span;
    uint64_t draw;
    do {
      draw = engine_();
    } while (draw >= limit);
    return low + static_cast<int64_t>(draw % span);
  }
  // True with probability `p`.
  bool Chance(double p) { return static_cast<double>(engine_() >> 11) * 0x1.0p-53 < p; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Between(0, static_cast<int64_t>(items.size()) - 1))];
  }

 private:
  std::mt19937_64 engine_;
};

const std::vector<std::string>& DemoFirstNames();
const std::vector<std::string>& DemoSurnames();  // some with apostrophes
const std::vector<std::string>& DemoStreets();
const std::vector<std::string>& DemoStreetTypes();
// "Suburb STATE postcode" lines.
const std::vector<std::string>& DemoTowns();
const std::vector<std::string>& DemoTradePayees();
const std::vector<std::string>& DemoMailDomains();

}  // namespace demo

#endif  // DUNMERROW_DEMO_DEMO_RANDOM_H_

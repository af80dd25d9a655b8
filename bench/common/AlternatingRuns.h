#pragma once
// Times two ways of doing the same work in one run: both are warmed up, then
// run alternately (each goes first every other round, so neither inherits a
// warmer cache), and the median of each is returned in milliseconds.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

struct MedianPair {
  double ours = 0, reference = 0;
  double Ratio() const { return ours / reference; }
};

inline double Millis(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline MedianPair AlternatingMedians(int rounds, const std::function<void()>& ours,
                                     const std::function<void()>& reference) {
  ours();
  reference();
  std::vector<double> a, b;
  for (int i = 0; i < rounds; ++i) {
    if (i % 2) {
      a.push_back(Millis(ours));
      b.push_back(Millis(reference));
    } else {
      b.push_back(Millis(reference));
      a.push_back(Millis(ours));
    }
  }
  return {Median(a), Median(b)};
}

}  // namespace bench

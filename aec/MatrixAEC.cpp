#include "aec/MatrixAEC.h"

#include <array>
#include <cstdint>

#include "aec/RoiScope.h"

namespace AEC {

namespace {

constexpr int kCells = 9;
constexpr int kCentreCell = 4;
constexpr int kCentreWeight = 60;  // percent; every other cell weighs 5
constexpr int kOuterWeight = 5;

using CellStatistics = std::array<CExposureStatistics, kCells>;

// Statistics of the nine cells, row by row; none when the cells are empty.
std::optional<CellStatistics> MeasureCells(IplImage& image, int underLevel, int overLevel) {
  const int w = image.width / 3;
  const int h = image.height / 3;
  if (w < 1 || h < 1) return std::nullopt;
  CRoiScope roi(image);
  CellStatistics cells{};
  for (int cell = 0; cell < kCells; ++cell) {
    roi.Set(cell % 3 * w, cell / 3 * h, w, h);
    const auto statistics = CAutoExposure::ComputeStatistics(image, underLevel, overLevel);
    if (!statistics) return std::nullopt;
    cells[cell] = *statistics;
  }
  return cells;
}

int Weight(int cell) { return cell == kCentreCell ? kCentreWeight : kOuterWeight; }

}  // namespace

float CMatrixAEC::Compute(IplImage& image, int underLevel, int overLevel, float exposure) {
  const auto cells = MeasureCells(image, underLevel, overLevel);
  if (!cells) return exposure;
  // Weighted percentages, truncated after every addition.
  int64_t under = 0, over = 0;
  for (int cell = 0; cell < kCells; ++cell) {
    under = static_cast<int64_t>(static_cast<float>(under) + Weight(cell) * (*cells)[cell].under);
    over = static_cast<int64_t>(static_cast<float>(over) + Weight(cell) * (*cells)[cell].over);
  }
  return Step(exposure, static_cast<float>(under), static_cast<float>(over));
}

float CMatrixLevelAEC::Compute(IplImage& image, int underLevel, int overLevel, float exposure) {
  const auto cells = MeasureCells(image, underLevel, overLevel);
  if (!cells) return exposure;
  float level = 0;
  for (int cell = 0; cell < kCells; ++cell) level += Weight(cell) / 100.0f * Level((*cells)[cell]);
  return Step(exposure, level);
}

}  // namespace AEC

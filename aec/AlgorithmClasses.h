#pragma once
// The exposure algorithms as classes created by name, in the order whose
// position is the controller's "Type".
#include <array>
#include <memory>
#include <string>

#include "aec/AutoExposure.h"

namespace AEC {

inline constexpr std::array<const char*, 8> kAlgorithmClassNames{
    "CGlobalAEC",     "CGlobalMeanAEC",   "CGlobalMedianAEC", "CMatrixAEC",
    "CMatrixMeanAEC", "CMatrixMedianAEC", "CSpotMeanAEC",     "CSpotMedianAEC"};

// Registers the eight algorithm classes with the class factory; harmless to repeat.
void RegisterAlgorithmClasses();

// The algorithm of class `className`, or null after telling the user through
// the message sink why it could not be created.
std::unique_ptr<CAutoExposure> CreateAlgorithm(const std::string& className);

}  // namespace AEC

#pragma once
// Splits the work of a two-image operation into bands of stored rows that
// run in parallel on all cores, so that each band's pixels stay in the cache
// between the steps the caller chains on it.

#include "ipl/IplTypes.h"

#include <functional>

namespace ipl {

// Calls op once per band with header copies of a and b whose ROIs (same COI
// as before) cover that band of the images' common ROI size (the top-left
// part of each ROI, as the two-image operations use). The first failure
// status any band leaves becomes the calling thread's status.
using BandOp = std::function<void(IplImage* a, IplImage* b)>;
void forEachRowBand(const IplImage* a, const IplImage* b, const BandOp& op);

}  // namespace ipl

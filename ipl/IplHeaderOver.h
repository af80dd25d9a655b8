#pragma once
// An IPL header, by value, over 8-bit pixels owned elsewhere (a camera buffer,
// a bitmap's bits, a caller's vector): nothing is allocated and nothing freed.
#include "ipl/IplTypes.h"

namespace ipl {

IplImage headerOver(void* pixels, int width, int height, int channels, int widthStep, int origin);

}  // namespace ipl

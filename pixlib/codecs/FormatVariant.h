#pragma once

#include <string>

namespace pixcodec {

// What kind of file of its format `path` is (header kind, bits, compression,
// row order), for people reading `pixtool info`; empty when the format has no
// variants worth naming or the file cannot be read.
std::string DescribeFileVariant(const char* path, int type);

std::string DescribeBmpVariant(const char* path);
std::string DescribePcxVariant(const char* path);
std::string DescribeTgaVariant(const char* path);
std::string DescribeTiffVariant(const char* path);
std::string DescribePngVariant(const char* path);

}  // namespace pixcodec

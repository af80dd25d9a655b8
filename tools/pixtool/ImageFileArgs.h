#pragma once
// Option parsing and image-file helpers shared by the file subcommands.

#include "pixlib/core/CxImage.h"

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Splits arguments into positional ones and "--name value" options; false
// (with a message) on an unknown option, a missing value or a value that is
// not a number.
bool ParseOptions(std::span<const std::string> args, const std::vector<std::string>& known,
                  std::vector<std::string>& positional, std::map<std::string, int>& options,
                  std::string& error);

// True when the extension of `path` is one of the given ones (case-insensitive).
bool HasExtension(const std::string& path, std::initializer_list<const char*> extensions);

// Loads a PNM file, or any image file the library reads (channel mode, reduction).
bool LoadAnyImage(const std::string& path, int mode, int reduction, CxImage& image, std::string& error);

// Writes JPEG, TIFF, PNG, BMP or PNM, chosen by the extension of `path`; false
// (with a message) when the type is unknown or the file cannot be written.
bool SaveByExtension(const std::string& path, CxImage& image, int quality, std::string& error);

// The orientation the file asks for, as `info` and `convert` report it
// ("6 (turned when read)"), or "" when it states none.
std::string OrientationText(const std::string& path);

// Takes "--key HEX" (16 hexadecimal digits, an 8-byte key) out of `args`;
// false (with a message) when the value is malformed.
bool TakeKeyOption(std::vector<std::string>& args, std::optional<std::array<unsigned char, 8>>& key,
                   std::string& error);

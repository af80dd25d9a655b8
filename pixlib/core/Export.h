#pragma once
// Marks the symbols the imaging library exports.
#define PIXLIB_API __attribute__((visibility("default")))

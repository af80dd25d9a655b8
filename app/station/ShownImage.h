#pragma once

#include <string>

// What an image the core hands its host is: a frame of a set-up page, or a
// captured photo with its file and counter when it was saved, or why it was not.
struct ShownImage {
  enum class Kind { SetupFrame, SavedPhoto, UnsavedPhoto };

  Kind kind = Kind::SetupFrame;
  std::string file;     // the saved photo
  int counter = 0;      // the saved photo's counter
  std::string problem;  // why the photo was not saved
};

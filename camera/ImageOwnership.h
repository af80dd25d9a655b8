#pragma once
// Who frees a frame handed to the receiver of a converted camera frame.

enum ImageOwnership : int {
  OwnershipKeptByConverter = 0,  // the converter keeps the image; do not free it
  OwnershipHeaderOnly = 1,       // free the IPL header only; it carries no pixel data
  OwnershipHeaderAndData = 2,    // free header and pixel data
};

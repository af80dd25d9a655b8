#pragma once
// Base of the camera class that mirrors the camera's own features for the
// property grid. It has no virtual operations; the mirrored feature tree is
// built on top of this base.

class CPylonProperties {};

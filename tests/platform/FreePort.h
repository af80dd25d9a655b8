#pragma once

// A loopback TCP port that nothing listened on a moment ago, so that parallel
// test runs do not collide; throws std::runtime_error when none is found.
int FreePort();

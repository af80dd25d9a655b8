#pragma once
// SDK start and end. Calls nest; the last PylonTerminate destroys the devices
// still held and stops the SDK's threads.
namespace Pylon {

void PylonInitialize();
void PylonTerminate();

class PylonAutoInitTerm {
 public:
  PylonAutoInitTerm() { PylonInitialize(); }
  ~PylonAutoInitTerm() { PylonTerminate(); }
  PylonAutoInitTerm(const PylonAutoInitTerm&) = delete;
  PylonAutoInitTerm& operator=(const PylonAutoInitTerm&) = delete;
};

}  // namespace Pylon

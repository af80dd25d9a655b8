#include "app/counter/CounterRights.h"

bool IsOpenToEveryone(const CounterMessage& request) {
  // No default: a new command does not compile until it is listed here.
  switch (static_cast<CounterCommand>(request.Code())) {
    case CounterCommand::GetNumber:
    case CounterCommand::Allocate:
    case CounterCommand::GetTime:
      return true;
    case CounterCommand::Exchange:
      return request.Value() < 0;  // asks for the active preset, switches nothing
    case CounterCommand::SetNumber:
    case CounterCommand::Shutdown:
      return false;
  }
  return false;
}

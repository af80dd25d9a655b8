#pragma once

#include "app/counter/CounterMessage.h"

// What a client outside "Counter Allowed Clients" may ask for: numbers, the
// time and the active preset, so that the stations of an event keep working.
// Anything else (setting the counter, powering off, switching the preset, a
// code no command has) needs the list; a command added later stays closed
// until its rights are stated here.
bool IsOpenToEveryone(const CounterMessage& request);

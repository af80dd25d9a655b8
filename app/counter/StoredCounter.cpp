#include "app/counter/StoredCounter.h"

#include "platform/LogTrace.h"
#include "app/counter/CounterSettingNames.h"
#include "platform/ProfileStore.h"

std::optional<int> ReadStoredCounter(ICounterSettings& settings, int defaultValue) {
  const std::optional<std::string> stored = settings.FindProfileValue(kFilmSettings, kNextFilmNumber);
  if (!stored) return settings.GetProfileInt(kFilmSettings, kNextFilmNumber, defaultValue);
  return ParseStoredCounter(*stored);
}

std::optional<int> ParseStoredCounter(const std::string& stored) {
  const std::optional<int> next = bx::ParseProfileInt(stored, true);
  if (!next)
    TheLog().WriteLine("\"Next Film Number\" holds \"" + stored +
                       "\", not a number: no film number is given out until it is set (bxcounter set N)");
  return next;
}

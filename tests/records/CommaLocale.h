#pragma once

// Switches the process's numeric locale to Italian, where 1.37 prints as "1,37",
// as a station started in such an environment runs; back to "C" when destroyed.
// The locale is compiled once into a private folder (LOCPATH), so the machine's
// own locales stay as they are. Active() is false when it cannot be built.
class CommaLocale {
 public:
  CommaLocale();
  ~CommaLocale();
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

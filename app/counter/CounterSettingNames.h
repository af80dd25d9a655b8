#pragma once

// Settings of the film-number service.
inline constexpr char kFilmSettings[] = "Film Settings";
inline constexpr char kNextFilmNumber[] = "Next Film Number";
inline constexpr char kDeltaFilmNumber[] = "Delta Film Number";
inline constexpr char kOffsetFilmNumber[] = "Offset Film Number";
inline constexpr char kDatabaseSettings[] = "Database Settings";
inline constexpr char kCounterPort[] = "Counter Port";
inline constexpr int kDefaultCounterPort = 47900;
inline constexpr char kCounterListenAddress[] = "Counter Listen Address";
inline constexpr char kCounterAllowedClients[] = "Counter Allowed Clients";

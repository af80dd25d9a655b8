// bxcounter: talks to the film-number service from the command line.
//   bxcounter [--server HOST[:SUFFIX]] [--instance N] [--repeat N]
//             get | alloc N | set N | time | preset [P] | shutdown
// Prints each reply on a line of its own; exits 1 when a request fails and 2
// on a usage error. The base port is "Counter Port" of the station's settings;
// the server defaults to its "ServerName", else the station's own service.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/counter/CRemoteCounterClient.h"
#include "app/counter/CounterServerAddress.h"
#include "platform/OleDateTime.h"
#include "platform/ProfileStore.h"

namespace {

struct Arguments {
  std::string server;
  std::string instance;
  long repeat = 1;
  std::string command;
  std::optional<int> value;
};

constexpr char kUsage[] =
    "usage: bxcounter [--server HOST[:SUFFIX]] [--instance N] [--repeat N]\n"
    "                 get | alloc N | set N | time | preset [P] | shutdown\n"
    "\n"
    "  get        print the next film number without taking it\n"
    "  alloc N    take N numbers (a server gives at most 10000) and print the first\n"
    "  set N      make N the next film number (a corrupt counter is repaired so)\n"
    "  time       print the server's date and time\n"
    "  preset [P] apply preset P on the station, or print the active one\n"
    "  shutdown   power the serving machine off\n"
    "\n"
    "The server defaults to \"ServerName\" of the station's settings (BX_CONFIG_DIR),\n"
    "else the station's own service on this machine; the port is \"Counter Port\"\n"
    "plus the instance (suffix). Exit codes: 0 done, 1 the request failed, 2 usage.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") return true;
  return false;
}

std::optional<long> ParseNumber(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return value;
}

std::optional<Arguments> Parse(const std::vector<std::string>& words) {
  Arguments arguments;
  std::size_t i = 0;
  for (; i + 1 < words.size() && words[i].starts_with("--"); i += 2) {
    if (words[i] == "--server") {
      arguments.server = words[i + 1];
    } else if (words[i] == "--instance") {
      arguments.instance = words[i + 1];
    } else if (words[i] == "--repeat") {
      const auto repeat = ParseNumber(words[i + 1]);
      if (!repeat || *repeat < 1) return std::nullopt;
      arguments.repeat = *repeat;
    } else {
      return std::nullopt;
    }
  }
  if (i >= words.size()) return std::nullopt;
  arguments.command = words[i++];
  if (i < words.size()) {
    const auto value = ParseNumber(words[i++]);
    if (!value) return std::nullopt;
    arguments.value = static_cast<int>(*value);
  }
  const bool needsValue = arguments.command == "alloc" || arguments.command == "set";
  const bool takesValue = needsValue || arguments.command == "preset";
  if (i != words.size() || (needsValue && !arguments.value) || (!takesValue && arguments.value))
    return std::nullopt;
  return arguments;
}

std::string FormatDate(const bx::OleDateTime& date) {
  char text[64];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d (%.6f)", date.GetYear(), date.GetMonth(),
                date.GetDay(), date.GetHour(), date.GetMinute(), date.GetSecond(), date.Value());
  return text;
}

// One request; the printed reply, or nothing on failure.
std::optional<std::string> Run(CRemoteCounterClient& client, const Arguments& arguments, const char* server) {
  int number = arguments.value.value_or(-1);
  const std::string& command = arguments.command;
  if (command == "get" && client.GetFilmNumber(&number, server)) return std::to_string(number);
  if (command == "alloc" && client.AllocateFilmNumbers(&number, *arguments.value, server))
    return std::to_string(number);
  if (command == "set" && client.SetFilmNumber(number, server)) return std::to_string(number);
  if (command == "preset" && client.ExchangeInt(&number, server)) return std::to_string(number);
  if (command == "shutdown" && client.ShutdownServer(server)) return "ok";
  bx::OleDateTime date;
  if (command == "time" && client.GetServerTime(&date, server)) return FormatDate(date);
  return std::nullopt;
}

bool IsCommand(const std::string& command) {
  for (const char* known : {"get", "alloc", "set", "time", "preset", "shutdown"})
    if (command == known) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const auto arguments = Parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!arguments || !IsCommand(arguments->command)) return Usage();
  const std::string application = arguments->instance.empty()
                                      ? "BXGrabber"
                                      : "BXGrabber" + std::to_string(std::atoi(arguments->instance.c_str()));
  bx::ProfileStore store(application);
  std::string server = arguments->server;
  if (server.empty())
    server = CounterServerFor(store.GetString("Database Settings", "ServerName", ""), arguments->instance,
                              store.GetString("Database Settings", "Counter Listen Address", ""));
  ProfileCounterSettings settings(store);
  CRemoteCounterClient client(settings);
  for (long i = 0; i < arguments->repeat; ++i) {
    const auto reply = Run(client, *arguments, server.c_str());
    if (!reply) {
      std::fprintf(stderr,
                   "bxcounter: %s failed: server %s unreachable, or it refused the request "
                   "(its log says why)\n",
                   arguments->command.c_str(), server.c_str());
      return 1;
    }
    std::printf("%s\n", reply->c_str());
  }
  return 0;
}

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "app/counter/CRemoteCounterClient.h"
#include "tests/counter/CounterTestSupport.h"

extern char** environ;

namespace {

constexpr int kProcesses = 8;
constexpr int kAllocationsEach = 2000;

// Starts bxcounter with the given arguments, its output going to `outputPath`
// and its settings read from `configFolder`.
pid_t StartCounterTool(const std::string& configFolder, const std::string& outputPath,
                       std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), BXCOUNTER_PATH);
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment{"BX_CONFIG_DIR=" + configFolder};
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (!std::string_view(*entry).starts_with("BX_CONFIG_DIR=")) environment.emplace_back(*entry);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = -1;
  const int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : -1;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::vector<int> ReadNumbers(const std::string& path) {
  std::vector<int> numbers;
  std::ifstream input(path);
  for (int number = 0; input >> number;) numbers.push_back(number);
  return numbers;
}

TEST(ConcurrentAllocation, EightProcessesGetDistinctNumbersWithoutGaps) {
  ServedCounter served(OptionsOnFreePort());
  ASSERT_TRUE(served.server->Port().has_value());
  std::vector<pid_t> tools;
  for (int i = 0; i < kProcesses; ++i) {
    const std::string output = served.folder.Path() + "out" + std::to_string(i);
    tools.push_back(StartCounterTool(
        served.folder.Path(), output,
        {"--server", "127.0.0.1", "--repeat", std::to_string(kAllocationsEach), "alloc", "1"}));
    ASSERT_GT(tools.back(), 0);
  }
  std::vector<int> all;
  for (int i = 0; i < kProcesses; ++i) {
    EXPECT_EQ(ExitCode(tools[i]), 0);
    const auto numbers = ReadNumbers(served.folder.Path() + "out" + std::to_string(i));
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kAllocationsEach));
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    all.insert(all.end(), numbers.begin(), numbers.end());
  }
  std::sort(all.begin(), all.end());
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kProcesses * kAllocationsEach));
  for (int i = 0; i < kProcesses * kAllocationsEach; ++i) ASSERT_EQ(all[i], i);
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), kProcesses * kAllocationsEach);
}

// A station counting locally ("localhost") in the same settings its own
// server hands out from: both count in "Next Film Number" under one lock.
TEST(ConcurrentAllocation, LocalCountingAndTheServedCounterOfOneProcessNeverRepeatANumber) {
  constexpr int kLocalThreads = 8;
  constexpr int kEach = 150;
  ServedCounter served(OptionsOnFreePort());
  ASSERT_TRUE(served.server->Port().has_value());
  served.store.WriteInt("Film Settings", "Next Film Number", 1);  // local 1 = served 1
  std::vector<std::vector<int>> numbers(kLocalThreads + 1);
  std::vector<std::thread> threads;
  for (int t = 0; t <= kLocalThreads; ++t) {
    threads.emplace_back([&, t] {
      CRemoteCounterClient client(served.settings);
      const char* server = t == kLocalThreads ? "127.0.0.1" : "localhost";
      for (int i = 0; i < kEach; ++i) {
        int first = -1;
        if (client.AllocateFilmNumbers(&first, 1, server)) numbers[t].push_back(first);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<int> distinct;
  std::size_t total = 0;
  for (const auto& list : numbers) {
    EXPECT_EQ(list.size(), static_cast<std::size_t>(kEach));
    total += list.size();
    distinct.insert(list.begin(), list.end());
  }
  EXPECT_EQ(distinct.size(), total);
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 1 + static_cast<int>(total));
}

TEST(CounterTool, PrintsRepliesAndFailsWhenTheServerIsAway) {
  ServedCounter served(OptionsOnFreePort());
  const std::string output = served.folder.Path() + "tool-out";
  const auto run = [&](std::vector<std::string> arguments) {
    return ExitCode(StartCounterTool(served.folder.Path(), output, std::move(arguments)));
  };
  EXPECT_EQ(run({"--server", "127.0.0.1", "set", "41"}), 0);
  EXPECT_EQ(run({"--server", "127.0.0.1", "alloc", "3"}), 0);
  EXPECT_EQ(ReadNumbers(output), std::vector<int>{41});
  EXPECT_EQ(run({"--server", "127.0.0.1", "get"}), 0);
  EXPECT_EQ(ReadNumbers(output), std::vector<int>{44});
  EXPECT_EQ(run({"--server", "127.0.0.1", "alloc"}), 2);
  EXPECT_EQ(run({"--server", "127.0.0.1", "frobnicate"}), 2);
  served.server.reset();
  EXPECT_EQ(run({"--server", "127.0.0.1", "get"}), 1);
}

// Garbage, truncated messages and silent connections from several threads
// while well-formed clients keep allocating: every allocation is served and
// the counter ends exactly where the good clients put it.
TEST(CounterFuzz, ServerKeepsServingThroughMalformedTraffic) {
  CounterServerOptions options = OptionsOnFreePort();
  options.idleTimeout = std::chrono::milliseconds(100);
  ServedCounter served(options);
  const int port = *served.server->Port();
  std::atomic<bool> done{false};

  const auto attacker = [&](unsigned seed) {
    std::mt19937 random(seed);
    while (!done) {
      RawConnection connection(port);
      std::vector<std::uint8_t> bytes(random() % 40);
      for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
      if (random() % 3 == 0 && bytes.size() > 4) {  // a counter reset of the wrong length
        const CounterMessage set = CounterMessage::Request(CounterCommand::SetNumber);
        std::copy_n(set.bytes().begin(), 5, bytes.begin());
        if (bytes.size() == kCounterMessageSize) bytes.pop_back();
      }
      if (random() % 4 != 0) connection.Send(bytes);  // else stays silent
      connection.Receive(kCounterMessageSize, std::chrono::milliseconds(500));
    }
  };
  std::vector<std::thread> attackers;
  for (unsigned i = 0; i < 4; ++i) attackers.emplace_back(attacker, i + 1);

  CRemoteCounterClient client(served.settings);
  std::set<int> numbers;
  for (int i = 0; i < 300; ++i) {
    int first = -1;
    ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1"));
    numbers.insert(first);
  }
  done = true;
  for (auto& thread : attackers) thread.join();
  EXPECT_EQ(numbers.size(), 300u);
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 300);
}

}  // namespace

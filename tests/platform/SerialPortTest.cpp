#include "platform/SerialPort.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <thread>

#include "platform/SimulatedSerialPort.h"

namespace {

using bx::SerialPort;
using WaitResult = SerialPort::WaitResult;

TEST(SerialPort, PortNamesMapToDevices) {
  EXPECT_EQ(SerialPort::DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(SerialPort::DevicePath("COM12"), "/dev/ttyS11");
  EXPECT_EQ(SerialPort::DevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialPort::DevicePath("COM0"), "");
  EXPECT_EQ(SerialPort::DevicePath("COM1x"), "");
  EXPECT_EQ(SerialPort::DevicePath("LPT1"), "");
  EXPECT_EQ(SerialPort::DevicePath(""), "");
}

TEST(SerialPort, TermiosPortOpensTerminalsOnlyAndFailsCleanlyWithoutModemLines) {
  bx::TermiosSerialPort port;
  EXPECT_FALSE(port.Open("/nonexistent/ttyS99"));
  EXPECT_FALSE(port.Open("/dev/null"));  // not a terminal
  EXPECT_FALSE(port.IsOpen());
  bx::Event stop;
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Failed);
  EXPECT_FALSE(port.SetRts(true));

  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  ASSERT_TRUE(port.Open(name));
  EXPECT_TRUE(port.IsOpen());
  // A pseudo-terminal has no modem lines: the wait fails at once instead of hanging.
  if (!port.Dsr()) {
    EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Failed);
  }
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  close(master);
  close(slave);
}

TEST(SimulatedSerialPort, ReportsEveryDsrChangeAndStopsOnRequest) {
  bx::SimulatedSerialPort port;
  bx::Event stop;
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Failed);
  ASSERT_TRUE(port.Open("COM1"));
  port.DriveDsr(true);   // before anybody waits
  port.DriveDsr(true);   // no change
  port.DriveDsr(false);
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Changed);
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Changed);
  EXPECT_EQ(port.Dsr(), false);

  std::thread driver([&] { port.DriveDsr(true); });
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Changed);
  driver.join();
  EXPECT_EQ(port.Dsr(), true);

  std::thread stopper([&] { stop.Set(); });
  EXPECT_EQ(port.WaitForDsrChange(stop), WaitResult::Stopped);
  stopper.join();
}

TEST(SimulatedSerialPort, RecordsOutputLinesWhileOpen) {
  bx::SimulatedSerialPort port;
  EXPECT_FALSE(port.SetRts(true));
  port.SetOpenFails(true);
  EXPECT_FALSE(port.Open("COM1"));
  port.SetOpenFails(false);
  ASSERT_TRUE(port.Open("COM3"));
  EXPECT_EQ(port.OpenedName(), "COM3");
  port.SetRts(true);
  port.SetBreak(true);
  port.SetBreak(false);
  using Line = bx::SimulatedSerialPort::Line;
  const auto changes = port.Changes();
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].line, Line::Dtr);  // cleared on opening
  EXPECT_FALSE(changes[0].on);
  EXPECT_EQ(changes[1].line, Line::Rts);
  EXPECT_EQ(changes[2].line, Line::Break);
  EXPECT_TRUE(changes[2].on);
  EXPECT_FALSE(changes[3].on);
  EXPECT_LT(changes[3].tick - changes[0].tick, 10000u);  // stamped in order, now
  port.Close();
  EXPECT_FALSE(port.Dsr());
}

}  // namespace

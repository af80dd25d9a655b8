#include "platform/SerialPort.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

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

}  // namespace

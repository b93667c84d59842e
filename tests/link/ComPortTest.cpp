// TComPort over a real pseudo-terminal: the test plays the device on the master side.

#include "link/CPort.h"
#include "sim/PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

// Generous: only a hang or a wait that ignores its limit gets near it.
constexpr int PatienceMs = 5000;

QByteArray ToQByteArray(const TBytes &bytes) {
  return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Runs the event loop, as the dialogs do, until done() or the time is up.
bool ProcessEventsUntil(const std::function<bool()> &done, int timeoutMs = PatienceMs) {
  QTimer wake; // keeps the wait below from sleeping past a check
  wake.start(5);
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs)
      return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void ProcessEventsFor(int milliseconds) {
  ProcessEventsUntil([] { return false; }, milliseconds);
}

TComTimeouts ShortTimeouts() {
  return {50, 0, 50, 100, 1000};
}

class ComPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!TPseudoTerminal::Supported())
      GTEST_SKIP() << "no pseudo-terminals here";
    ASSERT_TRUE(Line.Open()) << Line.ErrorString().toStdString();
    Port.SetPort(Line.SlavePath().toStdString());
    Port.SetTimeouts(ShortTimeouts());
    Port.OnAfterOpen = [this] { Calls.push_back("open"); };
    Port.OnAfterClose = [this] { Calls.push_back("close"); };
  }

  // Everything the port sent, once at least `expected` bytes have come.
  QByteArray ReceiveAtMaster(qsizetype expected) {
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < expected && clock.elapsed() < PatienceMs)
      received += Line.ReadAvailable(50);
    return received;
  }

  // Waits until the port sees `expected` bytes in its input queue.
  bool WaitForInput(int expected) {
    return ProcessEventsUntil([&] { return Port.InputCount() >= expected; });
  }

  void SendFromDevice(const TBytes &bytes) { ASSERT_TRUE(Line.Write(ToQByteArray(bytes))); }

  TPseudoTerminal Line;
  TComPort Port;
  std::vector<std::string> Calls;
};

// --- Open, Close, Port ---

TEST_F(ComPortTest, OpenAndCloseCallTheirHandlersOnlyWhenTheStateChanges) {
  EXPECT_FALSE(Port.Connected());
  Port.Close();
  EXPECT_TRUE(Calls.empty());

  Port.Open();
  EXPECT_TRUE(Port.Connected());
  Port.Open();
  EXPECT_EQ(Calls, (std::vector<std::string>{"open"}));

  Port.Close();
  EXPECT_FALSE(Port.Connected());
  Port.Close();
  EXPECT_EQ(Calls, (std::vector<std::string>{"open", "close"}));

  Port.Open();
  EXPECT_TRUE(Port.Connected());
  EXPECT_EQ(Calls, (std::vector<std::string>{"open", "close", "open"}));
}

TEST_F(ComPortTest, AMissingDeviceRaisesTheSystemsErrorAndStaysClosed) {
  const std::string missing = QDir::tempPath().toStdString() + "/kebqor-no-such-port";
  Port.SetPort(missing);
  try {
    Port.Open();
    FAIL() << "Open of a missing device succeeded";
  } catch (const EComPortExt &error) {
    EXPECT_EQ(error.Code, QSerialPort::DeviceNotFoundError);
    EXPECT_EQ(error.Reason, "No such file or directory");
    EXPECT_STREQ(error.what(), ("COM Port Error: No such file or directory on " + missing).c_str());
    EXPECT_EQ(Port.OpenFailureReason(), error.Reason);
  }
  EXPECT_FALSE(Port.Connected());
  EXPECT_TRUE(Calls.empty());

  // A later open that succeeds forgets the reason.
  Port.SetPort(Line.SlavePath().toStdString());
  Port.Open();
  EXPECT_EQ(Port.OpenFailureReason(), "");
}

TEST_F(ComPortTest, APortHeldByAnotherPortCannotBeOpened) {
  Port.Open();
  TComPort other;
  other.SetPort(Port.Port());
  bool openCalled = false;
  other.OnAfterOpen = [&] { openCalled = true; };
  try {
    other.Open();
    FAIL() << "a second open of a held port succeeded";
  } catch (const EComPortExt &error) {
    EXPECT_EQ(error.Code, QSerialPort::PermissionError);
    EXPECT_FALSE(error.Reason.empty());
    EXPECT_STREQ(error.what(), ("COM Port Error: " + error.Reason + " on " + Port.Port()).c_str());
    EXPECT_EQ(other.OpenFailureReason(), error.Reason);
  }
  EXPECT_FALSE(other.Connected());
  EXPECT_FALSE(openCalled);

  // The holder is unaffected, and once it lets go the other can have the port.
  SendFromDevice({0x42});
  std::array<std::uint8_t, 1> buffer{};
  EXPECT_EQ(Port.Read(buffer.data(), 1), 1);
  EXPECT_EQ(buffer[0], 0x42);
  Port.Close();
  other.Open();
  EXPECT_TRUE(other.Connected());
}

TEST_F(ComPortTest, SettingThePortWhileOpenReopensOnTheNewDevice) {
  TPseudoTerminal second;
  ASSERT_TRUE(second.Open());
  Port.Open();
  Port.SetPort(Port.Port());
  EXPECT_EQ(Calls, (std::vector<std::string>{"open"}));

  Port.SetPort(second.SlavePath().toStdString());
  EXPECT_EQ(Calls, (std::vector<std::string>{"open", "close", "open"}));
  EXPECT_TRUE(Port.Connected());
  EXPECT_EQ(Port.Port(), second.SlavePath().toStdString());

  const std::array<std::uint8_t, 2> bytes{0x5A, 0xA5};
  EXPECT_EQ(Port.Write(bytes.data(), 2), 2);
  QByteArray received;
  QElapsedTimer clock;
  clock.start();
  while (received.size() < 2 && clock.elapsed() < PatienceMs)
    received += second.ReadAvailable(50);
  EXPECT_EQ(received, QByteArray("\x5A\xA5"));
  EXPECT_TRUE(Line.ReadAvailable(0).isEmpty());
}

TEST_F(ComPortTest, SettingThePortWhileClosedOnlyStoresTheName) {
  Port.SetPort("COM7");
  EXPECT_EQ(Port.Port(), "COM7");
  EXPECT_EQ(Port.PortName(), "COM7");
  EXPECT_FALSE(Port.Connected());
  EXPECT_TRUE(Calls.empty());
}

// --- Read ---

TEST_F(ComPortTest, ReadWithNothingArrivingReturnsZeroAndLeavesFFFirst) {
  Port.Open();
  std::array<std::uint8_t, 3> buffer{0x11, 0x22, 0x33};
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Port.Read(buffer.data(), 3), 0);
  EXPECT_GE(clock.elapsed(), 45); // it did wait for its limit
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 3>{0xFF, 0x22, 0x33}));
}

TEST_F(ComPortTest, ReadReturnsAsSoonAsTheCountIsReached) {
  Port.SetReadTotalConstant(60000);
  Port.Open();
  SendFromDevice({1, 2, 3});
  std::array<std::uint8_t, 3> buffer{};
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Port.Read(buffer.data(), 3), 3);
  EXPECT_LT(clock.elapsed(), PatienceMs);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 3>{1, 2, 3}));
}

TEST_F(ComPortTest, ReadWaitsForBytesThatArriveDuringTheRead) {
  Port.SetReadTotalConstant(60000);
  Port.Open();
  std::thread device([this] {
    QThread::msleep(30);
    Line.Write(QByteArray("\x07\x08", 2));
  });
  std::array<std::uint8_t, 2> buffer{};
  const int count = Port.Read(buffer.data(), 2);
  device.join();
  EXPECT_EQ(count, 2);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 2>{7, 8}));
}

TEST_F(ComPortTest, ReadEndsAfterTheIntervalOnceSomeBytesCame) {
  Port.SetReadTotalConstant(60000);
  Port.Open();
  SendFromDevice({9, 8, 7, 6});
  std::array<std::uint8_t, 6> buffer{0, 0, 0, 0, 0x55, 0x66};
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Port.Read(buffer.data(), 6), 4);
  EXPECT_LT(clock.elapsed(), PatienceMs); // the interval ended it, not the overall limit
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 6>{9, 8, 7, 6, 0x55, 0x66}));
}

TEST_F(ComPortTest, ATimeoutChangeWhileOpenLimitsTheNextRead) {
  Port.SetReadTotalConstant(60000);
  Port.Open();
  Port.SetReadTotalConstant(30);
  EXPECT_EQ(Port.ReadTotalConstant(), 30);
  EXPECT_EQ(Port.Timeouts().ReadTotalConstant, 30);
  std::array<std::uint8_t, 1> buffer{};
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Port.Read(buffer.data(), 1), 0);
  EXPECT_LT(clock.elapsed(), PatienceMs);

  // A longer limit now lets a late byte in.
  Port.SetReadTotalConstant(PatienceMs);
  std::thread device([this] {
    QThread::msleep(100);
    Line.Write(QByteArray("\x33", 1));
  });
  EXPECT_EQ(Port.Read(buffer.data(), 1), 1);
  device.join();
  EXPECT_EQ(buffer[0], 0x33);
}

TEST_F(ComPortTest, TheMultiplierCountsPerByteRequested) {
  Port.SetTimeouts({0, 1000, 0, 100, 1000}); // no interval: only the overall limit ends the read
  Port.Open();
  std::thread device([this] {
    QThread::msleep(100);
    Line.Write(QByteArray("\x01", 1));
    QThread::msleep(100);
    Line.Write(QByteArray("\x02", 1));
  });
  std::array<std::uint8_t, 2> buffer{};
  EXPECT_EQ(Port.Read(buffer.data(), 2), 2);
  device.join();
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 2>{1, 2}));
}

// --- Raw transfer, Write, queues ---

TBytes EveryByteValue() {
  TBytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  // Start with the ones a terminal likes to interpret.
  const TBytes special{0x00, 0x11, 0x13, 0xFF, 0x0D, 0x0A, 0x03, 0x1A, 0x7F};
  bytes.insert(bytes.begin(), special.begin(), special.end());
  return bytes;
}

TEST_F(ComPortTest, EveryByteValuePassesUnchangedFromTheDevice) {
  Port.SetReadTotalConstant(PatienceMs);
  Port.Open();
  const TBytes sent = EveryByteValue();
  SendFromDevice(sent);
  TBytes received(sent.size());
  EXPECT_EQ(Port.Read(received.data(), static_cast<int>(received.size())), static_cast<int>(sent.size()));
  EXPECT_EQ(received, sent);
}

TEST_F(ComPortTest, EveryByteValuePassesUnchangedToTheDevice) {
  Port.Open();
  const TBytes sent = EveryByteValue();
  EXPECT_EQ(Port.Write(sent.data(), static_cast<int>(sent.size())), static_cast<int>(sent.size()));
  EXPECT_EQ(ReceiveAtMaster(static_cast<qsizetype>(sent.size())), ToQByteArray(sent));
}

TEST_F(ComPortTest, InputCountTellsWhatWaitsAndClearBufferDiscardsIt) {
  Port.Open();
  EXPECT_EQ(Port.InputCount(), 0);
  SendFromDevice({1, 2, 3, 4, 5});
  ASSERT_TRUE(WaitForInput(5));
  EXPECT_EQ(Port.InputCount(), 5);

  Port.ClearBuffer(false, true);
  EXPECT_EQ(Port.InputCount(), 5);
  Port.ClearBuffer(true, false);
  EXPECT_EQ(Port.InputCount(), 0);
  std::array<std::uint8_t, 1> buffer{};
  EXPECT_EQ(Port.Read(buffer.data(), 1), 0);

  // Reading takes bytes off the count.
  SendFromDevice({6, 7, 8});
  ASSERT_TRUE(WaitForInput(3));
  EXPECT_EQ(Port.Read(buffer.data(), 1), 1);
  EXPECT_EQ(Port.InputCount(), 2);
}

TEST_F(ComPortTest, ReadOfZeroBytesTouchesNothing) {
  Port.Open();
  std::array<std::uint8_t, 1> buffer{0x12};
  EXPECT_EQ(Port.Read(buffer.data(), 0), 0);
  EXPECT_EQ(buffer[0], 0x12);
  EXPECT_EQ(Port.Write(buffer.data(), 0), 0);
}

struct TClosedCase {
  const char *Name;
  std::function<void(TComPort &)> Operation;
  int Code;
};

TEST_F(ComPortTest, TransfersOnAClosedPortRaiseTheirCodes) {
  const std::array<std::uint8_t, 1> byte{0x01};
  const std::vector<TClosedCase> cases{
      {"Write", [&](TComPort &port) { port.Write(byte.data(), 1); }, QSerialPort::NotOpenError},
      {"InputCount", [](TComPort &port) { port.InputCount(); }, QSerialPort::NotOpenError},
      {"ClearBuffer", [](TComPort &port) { port.ClearBuffer(true, true); }, QSerialPort::NotOpenError},
  };
  for (const TClosedCase &closedCase : cases) {
    SCOPED_TRACE(closedCase.Name);
    try {
      closedCase.Operation(Port);
      ADD_FAILURE() << "no exception";
    } catch (const EComPortExt &error) {
      EXPECT_EQ(error.Code, closedCase.Code);
      EXPECT_STREQ(error.what(), ("COM Port Error: The port is not open on " + Port.Port()).c_str());
    }
  }
  // A read that cannot start is no error: nothing came.
  std::array<std::uint8_t, 1> buffer{0};
  EXPECT_EQ(Port.Read(buffer.data(), 1), 0);
  EXPECT_EQ(buffer[0], 0xFF);
}

int CodeRaisedBy(const std::function<void()> &operation) {
  try {
    operation();
  } catch (const EComPortExt &error) {
    return error.Code;
  }
  return 0;
}

TEST_F(ComPortTest, AVanishedLineRaisesOnTransfersAndStillCloses) {
  Port.SetReadTotalConstant(60000);
  Port.Open();
  Line.CloseMaster();
  std::array<std::uint8_t, 1> buffer{};
  EXPECT_EQ(CodeRaisedBy([&] { Port.Read(buffer.data(), 1); }), QSerialPort::ReadError);
  EXPECT_EQ(buffer[0], 0xFF);
  EXPECT_EQ(CodeRaisedBy([&] { Port.InputCount(); }), QSerialPort::ReadError);
  EXPECT_EQ(CodeRaisedBy([&] { Port.Write(buffer.data(), 1); }), QSerialPort::ReadError);
  ProcessEventsFor(50);
  Port.Close();
  EXPECT_FALSE(Port.Connected());
  EXPECT_EQ(Calls, (std::vector<std::string>{"open", "close"}));
}

// --- Received-characters watcher ---

class ComPortWatcherTest : public ComPortTest {
protected:
  void SetUp() override {
    ComPortTest::SetUp();
    if (IsSkipped())
      return;
    Port.SetEvents(TComEvents{.RxChar = true});
  }

  // Reads one byte at a time until nothing more comes, as a keypad listener does.
  void ReadEverything() {
    std::array<std::uint8_t, 1> byte{};
    while (Port.Read(byte.data(), 1) == 1)
      Received.push_back(byte[0]);
  }

  std::vector<int> Counts;
  TBytes Received;
};

TEST_F(ComPortWatcherTest, CharactersAreOfferedOnTheUserInterfaceThreadWithTheirCount) {
  Port.OnRxChar = [this](int count) {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    Counts.push_back(count);
    ReadEverything();
  };
  Port.Open();
  SendFromDevice({'1', '2', '='});
  ASSERT_TRUE(ProcessEventsUntil([this] { return Received.size() >= 3; }));
  EXPECT_EQ(Received, (TBytes{'1', '2', '='}));
  ASSERT_FALSE(Counts.empty());
  for (const int count : Counts)
    EXPECT_GT(count, 0);
}

TEST_F(ComPortWatcherTest, TheHandlerIsNotEnteredAgainWhileItReads) {
  int depth = 0;
  int deepest = 0;
  bool answered = false;
  Port.OnRxChar = [&](int count) {
    Counts.push_back(count);
    ++depth;
    deepest = std::max(deepest, depth);
    if (!answered) {
      // More arrives while the handler waits in its reads, and it processes events too.
      answered = true;
      Line.Write(QByteArray("456"));
      QThread::msleep(20);
      for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    }
    ReadEverything();
    QCoreApplication::processEvents();
    const std::array<std::uint8_t, 1> ack{'A'};
    Port.Write(ack.data(), 1);
    --depth;
  };
  Port.Open();
  SendFromDevice({'1', '2', '3'});
  ASSERT_TRUE(ProcessEventsUntil([this] { return Received.size() >= 6; }));
  ProcessEventsFor(100);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(Received, (TBytes{'1', '2', '3', '4', '5', '6'}));
  for (const int count : Counts)
    EXPECT_GT(count, 0);
}

TEST_F(ComPortWatcherTest, NothingIsOfferedAfterClose) {
  Port.OnRxChar = [this](int count) { Counts.push_back(count); };
  Port.Open();
  SendFromDevice({'7', '8'});
  ASSERT_TRUE(WaitForInput(2)); // a check is now queued
  Port.Close();
  ProcessEventsFor(100);
  EXPECT_TRUE(Counts.empty());
}

TEST_F(ComPortWatcherTest, ACheckThatFindsTheQueueEmptyOffersNothing) {
  Port.OnRxChar = [this](int count) { Counts.push_back(count); };
  Port.Open();
  SendFromDevice({'7', '8'});
  ASSERT_TRUE(WaitForInput(2)); // a check is now queued
  Port.ClearBuffer(true, true);
  ProcessEventsFor(100);
  EXPECT_TRUE(Counts.empty());
}

TEST_F(ComPortWatcherTest, BytesLeftUnreadAreOfferedAgainOnlyWhenMoreArrive) {
  Port.OnRxChar = [this](int count) { Counts.push_back(count); };
  Port.Open();
  SendFromDevice({'1'});
  ASSERT_TRUE(ProcessEventsUntil([this] { return !Counts.empty(); }));
  ProcessEventsFor(100);
  const std::size_t offers = Counts.size();
  EXPECT_LE(offers, 2U);
  SendFromDevice({'2'});
  ASSERT_TRUE(ProcessEventsUntil([&] { return Counts.size() > offers; }));
  EXPECT_EQ(Counts.back(), 2);
}

TEST_F(ComPortWatcherTest, BytesWaitingAtOpenAreOffered) {
  Port.OnRxChar = [this](int count) {
    Counts.push_back(count);
    ReadEverything();
  };
  Port.Open();
  Port.Close();
  SendFromDevice({'5', '='});
  Port.Open();
  ASSERT_TRUE(ProcessEventsUntil([this] { return Received.size() >= 2; }));
  EXPECT_EQ(Received, (TBytes{'5', '='}));
}

TEST_F(ComPortWatcherTest, WithoutEventsNoHandlerRuns) {
  Port.SetEvents({});
  Port.OnRxChar = [this](int count) { Counts.push_back(count); };
  Port.Open();
  SendFromDevice({'1'});
  ProcessEventsFor(100);
  EXPECT_TRUE(Counts.empty());
  EXPECT_EQ(Port.InputCount(), 1);
}

TEST_F(ComPortWatcherTest, WhatTheHandlerThrowsGoesToOnException) {
  std::string message;
  Port.OnRxChar = [this](int) {
    ReadEverything();
    throw EComPortExt(QSerialPort::WriteError, "Input/output error", Port.Port());
  };
  Port.OnException = [&](const std::exception &error) { message = error.what(); };
  Port.Open();
  SendFromDevice({'1'});
  ASSERT_TRUE(ProcessEventsUntil([&] { return !message.empty(); }));
  EXPECT_EQ(message, "COM Port Error: Input/output error on " + Port.Port());
  EXPECT_TRUE(Port.Connected());
}

// --- Errors, port list, clock ---

TEST(ComPortErrorTest, CarriesTheSystemsErrorAndTextInItsMessage) {
  const EComPortExt error(QSerialPort::PermissionError, "Permission denied", "/dev/ttyUSB0");
  EXPECT_EQ(error.Code, QSerialPort::PermissionError);
  EXPECT_EQ(error.Reason, "Permission denied");
  EXPECT_STREQ(error.what(), "COM Port Error: Permission denied on /dev/ttyUSB0");
}

struct TRefusalCase {
  const char *Name;
  QSerialPort::SerialPortError Error;
  const char *SystemText;
  TDeviceAccess Access;
  const char *Reason;
};

// Only a refusal of the account itself gets the advice; one made by another program holding
// the port, or a missing device, keeps the system's words alone.
const TRefusalCase RefusalCases[] = {
    {"AccountRefusedByGroup", QSerialPort::PermissionError, "Permission denied", {true, false, "dialout"},
     "Permission denied: to use /dev/ttyUSB0 the account must be a member of the group \"dialout\" "
     "(then log in again)"},
    {"OwnerGroupUnknown", QSerialPort::PermissionError, "Permission denied", {true, false, ""},
     "Permission denied: to use /dev/ttyUSB0 the account must be a member of the group \"dialout\" "
     "(then log in again)"},
    {"HeldByAnotherProgram", QSerialPort::PermissionError, "Permission error while locking the device",
     {true, true, "dialout"}, "Permission error while locking the device"},
    {"Missing", QSerialPort::DeviceNotFoundError, "No such file or directory", {false, false, ""},
     "No such file or directory"},
    {"Other", QSerialPort::OpenError, "Device is already open", {true, false, "dialout"},
     "Device is already open"},
};

TEST(ComPortErrorTest, ARefusalNamesTheSystemsReasonAndHowToGetAccess) {
  for (const TRefusalCase &c : RefusalCases) {
    SCOPED_TRACE(c.Name);
#ifndef Q_OS_LINUX
    if (c.Error == QSerialPort::PermissionError && !c.Access.ReadableAndWritable)
      continue; // the advice is Linux's
#endif
    EXPECT_EQ(PortRefusalReason(c.Error, c.SystemText, "/dev/ttyUSB0", c.Access), c.Reason);
  }
}

TEST(ComPortErrorTest, DevicePathOfAListedName) {
#ifdef Q_OS_UNIX
  EXPECT_EQ(DevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(DevicePath("/dev/pts/12"), "/dev/pts/12");
#endif
}

TEST(ComPortTypeTest, UsbAdaptersAreToldFromBuiltInPorts) {
  for (const char *usb : {"ttyUSB0", "ttyACM3", "/dev/ttyUSB12"})
    EXPECT_TRUE(IsUsbSerialPort(usb)) << usb;
  for (const char *builtIn : {"ttyS0", "COM1", "/dev/pts/3", "ttyUSB", "xttyUSB0"})
    EXPECT_FALSE(IsUsbSerialPort(builtIn)) << builtIn;
}

// Needs an account the pseudo-terminal's permissions refuse: root is refused nothing.
TEST_F(ComPortTest, APortTheAccountMayNotOpenSaysWhy) {
  QFile slave(Line.SlavePath());
  ASSERT_TRUE(slave.setPermissions(QFileDevice::ReadOwner));
  if (DeviceAccess(Line.SlavePath()).ReadableAndWritable)
    GTEST_SKIP() << "this account may open any device";
  try {
    Port.Open();
    FAIL() << "Open of a refused device succeeded";
  } catch (const EComPortExt &error) {
    EXPECT_EQ(error.Code, QSerialPort::PermissionError);
  }
  EXPECT_FALSE(Port.Connected());
#ifdef Q_OS_LINUX
  EXPECT_NE(Port.OpenFailureReason().find("member of the group"), std::string::npos) << Port.OpenFailureReason();
#endif
}

class EnumComPortsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Saved = qgetenv("KEBQOR_PORTS");
    HadValue = qEnvironmentVariableIsSet("KEBQOR_PORTS");
  }
  void TearDown() override {
    if (HadValue)
      qputenv("KEBQOR_PORTS", Saved);
    else
      qunsetenv("KEBQOR_PORTS");
  }
  static QStringList Only(const QStringList &list, const QStringList &wanted) {
    QStringList kept;
    for (const QString &name : list)
      if (wanted.contains(name))
        kept << name;
    return kept;
  }
  QByteArray Saved;
  bool HadValue = false;
};

TEST_F(EnumComPortsTest, NamedDevicesJoinTheListSortedWithoutCaseAndOnce) {
  const QString separator(QDir::listSeparator());
  const QStringList named{"COM2", "com3", "COM10", "", "COM1", "COM2", "/dev/pts/77"};
  qputenv("KEBQOR_PORTS", named.join(separator).toLocal8Bit());
  QStringList list{"stale entry"};
  EnumComPorts(list);
  EXPECT_FALSE(list.contains("stale entry"));
  EXPECT_FALSE(list.contains(""));
  EXPECT_EQ(list.count("COM2"), 1);
  EXPECT_EQ(Only(list, {"COM1", "COM10", "COM2", "com3", "/dev/pts/77"}),
            (QStringList{"/dev/pts/77", "COM1", "COM10", "COM2", "com3"}));
  for (qsizetype i = 1; i < list.size(); ++i)
    EXPECT_LE(QString::compare(list[i - 1], list[i], Qt::CaseInsensitive), 0) << list[i].toStdString();
}

TEST_F(EnumComPortsTest, APseudoTerminalNamedInTheEnvironmentCanBeOpenedByItsListedName) {
  TPseudoTerminal line;
  if (!TPseudoTerminal::Supported() || !line.Open())
    GTEST_SKIP() << "no pseudo-terminals here";
  qputenv("KEBQOR_PORTS", line.SlavePath().toLocal8Bit());
  QStringList list;
  EnumComPorts(list);
  ASSERT_TRUE(list.contains(line.SlavePath()));
  TComPort port;
  port.SetPort(line.SlavePath().toStdString());
  port.Open();
  EXPECT_TRUE(port.Connected());
}

TEST_F(EnumComPortsTest, WithoutTheVariableOnlyTheSystemsPortsAreListed) {
  qunsetenv("KEBQOR_PORTS");
  QStringList list{"stale entry"};
  EnumComPorts(list);
  EXPECT_FALSE(list.contains("stale entry"));
  for (const QString &name : list)
    EXPECT_FALSE(name.isEmpty());
}

TEST(SystemClockTest, TicksMoveForwardAcrossASleep) {
  TSystemClock clock;
  const std::uint32_t before = clock.TickCount();
  clock.Sleep(20);
  const std::uint32_t after = clock.TickCount();
  EXPECT_GE(static_cast<std::uint32_t>(after - before), 15U);
}

} // namespace

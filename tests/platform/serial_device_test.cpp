#include <gtest/gtest.h>

#include <thread>

#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "platform/SerialDevice.h"

using platform::ManualResetEvent;
using platform::SerialDevicePath;

TEST(SerialDevicePath, MapsWindowsAndLinuxNames) {
    EXPECT_EQ(SerialDevicePath("\\\\.\\ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(SerialDevicePath("ttyUSB1"), "/dev/ttyUSB1");
    EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("\\\\.\\COM12"), "/dev/ttyS11");
    EXPECT_EQ(SerialDevicePath("com3"), "/dev/ttyS2");
    EXPECT_EQ(SerialDevicePath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(SerialDevicePath("\\\\.\\/tmp/lumiflex/ports/a"), "/tmp/lumiflex/ports/a");
    // Not a COM number: taken as a device name.
    EXPECT_EQ(SerialDevicePath("COM0"), "/dev/COM0");
    EXPECT_EQ(SerialDevicePath("COM"), "/dev/COM");
    EXPECT_EQ(SerialDevicePath("COM1A"), "/dev/COM1A");
    EXPECT_EQ(SerialDevicePath("COMPORT"), "/dev/COMPORT");
    // Nothing to open: the open then fails as for a missing port.
    EXPECT_EQ(SerialDevicePath(""), "");
    EXPECT_EQ(SerialDevicePath(nullptr), "");
    EXPECT_EQ(SerialDevicePath("\\\\.\\"), "");
}

TEST(ParityFromLetter, AcceptsTheFiveLettersOnly) {
    platform::Parity p;
    ASSERT_TRUE(platform::ParityFromLetter('n', p));
    EXPECT_EQ(p, platform::Parity::None);
    ASSERT_TRUE(platform::ParityFromLetter('E', p));
    EXPECT_EQ(p, platform::Parity::Even);
    ASSERT_TRUE(platform::ParityFromLetter('o', p));
    EXPECT_EQ(p, platform::Parity::Odd);
    ASSERT_TRUE(platform::ParityFromLetter('M', p));
    EXPECT_EQ(p, platform::Parity::Mark);
    ASSERT_TRUE(platform::ParityFromLetter('s', p));
    EXPECT_EQ(p, platform::Parity::Space);
    EXPECT_FALSE(platform::ParityFromLetter('X', p));
    EXPECT_FALSE(platform::ParityFromLetter('\0', p));
}

TEST(SerialDevice, MissingPortAndNonTerminalAreRefused) {
    platform::SerialDevice device;
    EXPECT_EQ(device.WakeError(), 0);
    EXPECT_EQ(device.Open("/dev/no-such-port-here"), ENOENT);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.Open("/dev/null"), ENOTTY);
    EXPECT_FALSE(device.IsOpen());
}

TEST(ManualResetEvent, StaysSetUntilReset) {
    ManualResetEvent event;
    EXPECT_FALSE(event.Wait(0));
    EXPECT_FALSE(event.Wait(20));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(ManualResetEvent::kInfinite));
    event.Set();
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
    ManualResetEvent initiallySet(true);
    EXPECT_TRUE(initiallySet.Wait(0));
}

TEST(MessageBox, SinkIsReplaceableAndDefaultAnswersOk) {
    std::string seen;
    platform::SetMessageBoxSink([&](const char* text, const char* caption, unsigned flags) {
        seen = std::string(caption) + ":" + text + ":" + std::to_string(flags);
        return platform::IDCANCEL;
    });
    EXPECT_EQ(platform::MessageBox("Question?", "Title",
                                   platform::MB_OKCANCEL | platform::MB_ICONQUESTION),
              platform::IDCANCEL);
    EXPECT_EQ(seen, "Title:Question?:33");
    EXPECT_EQ(platform::MessageBox(nullptr, nullptr, platform::MB_OK), platform::IDCANCEL);
    EXPECT_EQ(seen, "::0");
    platform::SetMessageBoxSink(nullptr);
    EXPECT_EQ(platform::MessageBox("Default box", "Debug", platform::MB_OK), platform::IDOK);
}

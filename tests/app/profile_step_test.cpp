// Profile records and files: the 20-byte layout against literal bytes, the
// file's read and save (the save's safety: file_image_test). (The step list's
// texts: profile_editor_test.)
#include "app/ProfileFile.h"
#include "app/ProfileStep.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// 3 s at 12.5 and 7.5 mW/cm2 with the pause, padding bytes as a writer might leave them.
const std::vector<uint8_t> kCalibratedStep = {0x01, 0xAA, 0xBB, 0xCC, 0x03, 0x00, 0x00,
                                              0x00, 0x00, 0x00, 0x48, 0x41, 0x00, 0x00,
                                              0xF0, 0x40, 0x01, 0xDD, 0xEE, 0xFF};
// -2 s at index 300 (a float 300.0) and 5 (5.0), no pause, made in index mode.
const std::vector<uint8_t> kIndexStep = {0x00, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF,
                                         0xFF, 0x00, 0x00, 0x96, 0x43, 0x00, 0x00,
                                         0xA0, 0x40, 0x00, 0x00, 0x00, 0x00};

TEST(ProfileStep, RecordsDecodeFromTheirBytesAndEncodeWithZeroPadding) {
    const ProfileStep a = ProfileStep::Decode(kCalibratedStep.data());
    EXPECT_EQ(a.calibrated, 1);
    EXPECT_EQ(a.duration, 3);
    EXPECT_EQ(a.intensity1, 12.5f);
    EXPECT_EQ(a.intensity2, 7.5f);
    EXPECT_EQ(a.pause, 1);
    std::vector<uint8_t> clean = kCalibratedStep;
    for (int i : {1, 2, 3, 17, 18, 19})
        clean[size_t(i)] = 0;
    const auto bytes = a.Encode();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), clean);

    const ProfileStep b = ProfileStep::Decode(kIndexStep.data());
    EXPECT_EQ(b.calibrated, 0);
    EXPECT_EQ(b.duration, -2);
    EXPECT_EQ(b.intensity1, 300.0f);
    EXPECT_EQ(b.intensity2, 5.0f);
    EXPECT_EQ(b.pause, 0);

    // Any nonzero flag byte counts as set.
    std::vector<uint8_t> flags = kIndexStep;
    flags[0] = 0x80;
    flags[16] = 0x02;
    const ProfileStep c = ProfileStep::Decode(flags.data());
    EXPECT_EQ(c.calibrated, 1);
    EXPECT_EQ(c.pause, 1);
}

TEST(ProfileStep, AProfileIsItsRecordsBackToBackAndAShortTailIsDropped) {
    std::vector<uint8_t> file = kCalibratedStep;
    file.insert(file.end(), kIndexStep.begin(), kIndexStep.end());
    std::size_t dropped = 99;
    auto steps = DecodeProfile(file.data(), file.size(), &dropped);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(steps[1].intensity1, 300.0f);
    EXPECT_EQ(EncodeProfile(steps).size(), 40u);
    EXPECT_TRUE(EncodeProfile({}).empty());
    EXPECT_TRUE(DecodeProfile(nullptr, 0).empty());

    // 19 bytes of a third record: not a step.
    file.insert(file.end(), kCalibratedStep.begin(), kCalibratedStep.begin() + 19);
    steps = DecodeProfile(file.data(), file.size(), &dropped);
    EXPECT_EQ(steps.size(), 2u);
    EXPECT_EQ(dropped, 19u);
    EXPECT_TRUE(DecodeProfile(file.data(), 19).empty());
}

// An index from a file as the runner sends it and the list shows it: held to
// 0-255 however far beyond int's range (the processor's truncation gives
// INT_MIN, whose low bits send 0, for 3e9 as for -3e9).
TEST(ProfileStep, IndexesBeyondIntsRangeAreHeldAndListedWithTheirSign) {
    EXPECT_EQ(StepIndex(3e9f), 255);
    EXPECT_EQ(StepIndex(2147483648.0f), 255);
    EXPECT_EQ(StepIndex(-3e9f), 0);
    EXPECT_EQ(StepIndex(255.9f), 255);
    EXPECT_EQ(StepIndex(254.9f), 254);
    EXPECT_EQ(StepIndex(-0.9f), 0);
    EXPECT_EQ(StepIndex(std::nanf("")), 0);
    EXPECT_EQ(IntensityText(3e9f, false), "2147483647");
    EXPECT_EQ(IntensityText(-3e9f, false), "-2147483648");
    EXPECT_EQ(IntensityText(-50.5f, false), "-50");
}

class ProfileFileTest : public ::testing::Test {
protected:
    std::vector<uint8_t> Bytes(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    testing_support::TempDir dir{"lumi-profile"};
};

TEST_F(ProfileFileTest, SaveThenReadGivesTheBytesBack) {
    const std::string path = dir.Path() + "/run.profile";
    ASSERT_TRUE(WriteProfileFile(path, kCalibratedStep));
    ASSERT_TRUE(WriteProfileFile(path, kIndexStep));
    EXPECT_EQ(Bytes(path), kIndexStep);
    std::vector<uint8_t> read;
    ASSERT_EQ(ReadProfileFile(path, read), ProfileRead::kRead);
    EXPECT_EQ(read, kIndexStep);

    EXPECT_FALSE(WriteProfileFile(dir.Path(), kIndexStep));
    read = {1, 2, 3};
    EXPECT_EQ(ReadProfileFile(dir.Path() + "/none.profile", read), ProfileRead::kFailed);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(ReadProfileFile(dir.Path(), read), ProfileRead::kFailed);
}

// 50,000 steps of 20 bytes at most: the length is judged before reading.
TEST_F(ProfileFileTest, AFileBeyondFiftyThousandStepsIsTooLargeWhateverItsSize) {
    const std::string path = dir.Path() + "/big.profile";
    std::vector<uint8_t> read{1};
    for (const off_t size : {off_t(1000000), off_t(1000001), off_t(1000000001), off_t(1) << 40}) {
        { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
        ASSERT_EQ(::truncate(path.c_str(), size), 0) << size; // sparse
        const ProfileRead result = ReadProfileFile(path, read);
        if (size == 1000000) {
            EXPECT_EQ(result, ProfileRead::kRead);
            EXPECT_EQ(read.size(), 1000000u);
        } else {
            EXPECT_EQ(result, ProfileRead::kTooLarge) << size;
            EXPECT_TRUE(read.empty()) << size;
        }
    }
}

TEST_F(ProfileFileTest, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = dir.Path() + "/pipe.profile";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] {
        std::vector<uint8_t> bytes;
        return ReadProfileFile(fifo, bytes) == ProfileRead::kRead;
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the open waits for a writer";
        ::close(::open(fifo.c_str(), O_WRONLY)); // let it go
    }
    EXPECT_FALSE(opened.get());
    EXPECT_FALSE(WriteProfileFile(fifo, kIndexStep)); // nor replaced by a save
    EXPECT_TRUE(fs::is_fifo(fifo));
}

} // namespace

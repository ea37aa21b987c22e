#include "controller_sim_support.h"
#include "link/OpticalHead.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

TEST(OpticalHeadUnbound, AcceptsEveryCallAndSendsNothing) {
    BoxRecorder boxes;
    COpticalHead head;
    head.m_nChannel = 1;
    std::memset(&head.m_record, 0x41, sizeof head.m_record);
    head.m_strModel = "kept";

    head.SetIntensity(12.5f);
    EXPECT_EQ(head.m_fSetting, 12.5f);
    head.Off();
    EXPECT_EQ(head.m_fSetting, 0.0f);
    head.SetIndex(300);
    EXPECT_EQ(head.m_fSetting, 300.0f);
    head.SetPwmIndex(300);
    EXPECT_EQ(head.m_fSetting, 44.0f);

    float out = 3.0f;
    uint8_t temp = 7;
    head.m_fOutput = 1.0f;
    EXPECT_FALSE(head.ReadOutput(out, temp)); // nothing was read
    EXPECT_EQ(out, 3.0f);
    EXPECT_EQ(temp, 7);
    EXPECT_EQ(head.m_fOutput, 1.0f);

    EXPECT_FALSE(head.ReadRecord());
    EXPECT_EQ(head.m_strModel, "kept");
    EXPECT_FALSE(head.WriteRecord());
    EXPECT_EQ(head.m_record.marker, 0x41);
    uint16_t counts = 5;
    EXPECT_FALSE(head.ReadPhoto(counts));
    EXPECT_FALSE(head.EraseEeprom());
    head.StopPulse();
    head.StartPulse(2, 1, 1, 1, 0, 1);
    head.SetDacValue(10);

    EXPECT_EQ(head.ReadDac(), 0);
    uint16_t dac = 9;
    EXPECT_FALSE(head.ReadDac(dac));
    EXPECT_EQ(dac, 9);
    const std::vector<BoxRecord> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 2u);
    for (const BoxRecord& box : shown) {
        EXPECT_EQ(box.text, "No controller!");
        EXPECT_EQ(box.caption, "Debug");
        EXPECT_EQ(box.flags, 0u);
    }
}

// What the head was last told and its unit, whichever call told it.
TEST(OpticalHeadUnbound, KeepsTheUnitOfWhatItWasLastTold) {
    using Told = COpticalHead::Told;
    COpticalHead head;
    EXPECT_EQ(head.m_told, Told::Off);
    struct Case {
        std::function<void(COpticalHead&)> tell;
        Told unit;
        float value;
    };
    const Case cases[] = {
        {[](COpticalHead& h) { h.SetIntensity(150.0f); }, Told::Milliwatts, 150.0f},
        {[](COpticalHead& h) { h.SetIndex(300); }, Told::Index, 300.0f},
        {[](COpticalHead& h) { h.SetIntensity(0.0f); }, Told::Off, 0.0f},
        {[](COpticalHead& h) { h.SetPwmIndex(300); }, Told::Index, 44.0f},
        {[](COpticalHead& h) { h.SetIntensity(-0.0f); }, Told::Off, 0.0f},
        {[](COpticalHead& h) { h.SetIndex(0); }, Told::Index, 0.0f},
        {[](COpticalHead& h) { h.Off(); }, Told::Off, 0.0f},
        {[](COpticalHead& h) { h.KeepSetting(Told::Milliwatts, 7.5f); }, Told::Milliwatts, 7.5f},
        {[](COpticalHead& h) { h.KeepSetting(Told::Index, 255.0f); }, Told::Index, 255.0f},
        {[](COpticalHead& h) { h.KeepSetting(Told::Milliwatts, 0.0f); }, Told::Off, 0.0f},
    };
    int n = 0;
    for (const Case& c : cases) {
        c.tell(head);
        EXPECT_EQ(head.m_told, c.unit) << "case " << n;
        EXPECT_EQ(head.m_fSetting, c.value) << "case " << n;
        EXPECT_FALSE(std::signbit(head.m_fSetting)) << "case " << n; // never shown as -0.0
        ++n;
    }
}

TEST(OpticalHeadSimulation, TakesTheControllersFixedAnswers) {
    BoxRecorder boxes;
    CControlBoard board;
    board.m_bDemo = true;
    COpticalHead head;
    head.m_pBoard = &board;
    head.m_nChannel = 1;
    std::memset(&head.m_record, 0xCC, sizeof head.m_record);
    EXPECT_TRUE(head.ReadRecord());
    EXPECT_EQ(head.m_strModel, "RVX-1-420");
    EXPECT_EQ(head.m_strSerial, "0606001");
    EXPECT_EQ(head.m_strCalDate, "06/06/06");
    EXPECT_EQ(head.m_record.channel, 1);
    EXPECT_EQ(head.ReadDac(), 0);
    uint16_t dac = 9;
    EXPECT_TRUE(head.ReadDac(dac));
    EXPECT_EQ(dac, 0);
    EXPECT_TRUE(boxes.Boxes().empty()); // a simulated 0 is an answer, not a failure
    float out = 5.0f;
    uint8_t temp = 5;
    EXPECT_TRUE(head.ReadOutput(out, temp));
    EXPECT_EQ(head.m_fOutput, 0.0f);
    EXPECT_EQ(head.m_nTemperature, 0);
    uint16_t counts = 0;
    EXPECT_TRUE(head.ReadPhoto(counts));
    EXPECT_EQ(counts, 350);
    EXPECT_TRUE(head.WriteRecord());
    EXPECT_EQ(head.m_record.marker, 'V');
}

} // namespace

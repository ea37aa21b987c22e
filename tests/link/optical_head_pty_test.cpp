#include "controller_sim_support.h"
#include "link/OpticalHead.h"
#include "tools/sim/Frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct BoundHeads : SimBoard {
    BoundHeads() {
        for (int ch = 0; ch < 2; ++ch) {
            heads[ch].m_pBoard = &board;
            heads[ch].m_nChannel = ch;
        }
    }
    COpticalHead heads[2];
};

TEST(OpticalHeadBound, EachCallSendsOneCommandForItsChannel) {
    BoundHeads s;
    COpticalHead& b = s.heads[1];

    b.SetIndex(300);
    EXPECT_EQ(s.Last().code, CMD_SET_INDEX);
    EXPECT_EQ(s.Last().payload, Bytes({1, 0x2C, 0x01}));
    EXPECT_EQ(b.m_fSetting, 300.0f);
    b.SetIndex(0x12345); // only the low 16 bits
    EXPECT_EQ(s.Last().payload, Bytes({1, 0x45, 0x23}));
    EXPECT_EQ(b.m_fSetting, static_cast<float>(0x2345));

    b.SetPwmIndex(300);
    EXPECT_EQ(s.Last().code, CMD_SET_PWM_INDEX);
    EXPECT_EQ(s.Last().payload, Bytes({1, 44}));
    EXPECT_EQ(b.m_fSetting, 44.0f);

    b.SetIntensity(12.5f);
    EXPECT_EQ(s.Last().code, CMD_SET_INTENSITY);
    EXPECT_EQ(b.m_fSetting, 12.5f);
    b.SetIntensity(0.0f);
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x01, 0x9B, 0x03}));
    EXPECT_EQ(b.m_fSetting, 0.0f);
    b.SetIndex(7);
    b.Off();
    EXPECT_EQ(s.Last().code, CMD_HEAD_OFF);
    EXPECT_EQ(b.m_fSetting, 0.0f);

    b.SetDacValue(0x10203);
    EXPECT_EQ(s.Last().payload, Bytes({1, 0x03, 0x02}));
    b.StartPulse(2, 1000, 2000, 100, 0, 5); // the caller's channel code, not the head's
    EXPECT_EQ(s.Last().payload[0], 2);
    b.StopPulse();
    EXPECT_EQ(s.Last().code, CMD_STOP_PULSE);
    EXPECT_TRUE(b.EraseEeprom());
    EXPECT_EQ(s.Last().payload, Bytes({1}));
    EXPECT_EQ(s.sim.Record(1).marker, 0xFF);
}

TEST(OpticalHeadBound, ReadDacPicksTheHeadsChannel) {
    BoundHeads s;
    BoxRecorder boxes;
    ASSERT_TRUE(s.board.SetDacValue(0, 100));
    ASSERT_TRUE(s.board.SetDacValue(1, 200));
    EXPECT_EQ(s.heads[0].ReadDac(), 100);
    EXPECT_EQ(s.heads[1].ReadDac(), 200);
    EXPECT_TRUE(boxes.Boxes().empty());
    s.sim.DropReplies(1);
    EXPECT_EQ(s.heads[1].ReadDac(), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "DAC failed.");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Debug");

    // The form that tells a failure from a 0: the same request and box.
    uint16_t value = 7;
    ASSERT_TRUE(s.heads[1].ReadDac(value));
    EXPECT_EQ(value, 200);
    s.sim.DropReplies(1);
    value = 7;
    EXPECT_FALSE(s.heads[0].ReadDac(value));
    EXPECT_EQ(value, 7);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].text, "DAC failed.");
}

TEST(OpticalHeadBound, RecordReadTextsAndBurnMarker) {
    BoundHeads s;
    HeadRecord r = sim::FactoryRecord("01001001", 0);
    SetFieldText(r.model, "ABCDEFGHIJK");
    r.calMonth = 12;
    r.calDay = 31;
    r.calYear = 19;
    r.marker = 'X';
    s.sim.SetRecord(0, r);
    COpticalHead& a = s.heads[0];
    ASSERT_TRUE(a.ReadRecord());
    EXPECT_EQ(a.m_strModel, "ABCDEFGHIJK");
    EXPECT_EQ(a.m_strSerial, "S001001A");
    EXPECT_EQ(a.m_strCalDate, "12/31/19");
    EXPECT_EQ(a.m_record.marker, 'X');

    // The burn carries 'V' whatever the record held.
    a.m_record.marker = 0;
    ASSERT_TRUE(a.WriteRecord());
    EXPECT_EQ(s.Last().payload[3], 'V');
    EXPECT_EQ(s.sim.Record(0).marker, 'V');

    // A failed read still refreshes the texts from what the record holds, and
    // a model without terminator is read to the end of its field only.
    s.sim.SetHeadPresent(0, false);
    std::memset(a.m_record.model, 'M', sizeof a.m_record.model);
    a.m_record.calMonth = 1;
    EXPECT_FALSE(a.ReadRecord());
    EXPECT_EQ(a.m_strModel, std::string(12, 'M'));
    EXPECT_EQ(a.m_strCalDate, "01/31/19");
}

TEST(OpticalHeadBound, ReadOutputKeepsValuesAlsoOnFailure) {
    BoundHeads s;
    COpticalHead& a = s.heads[0];
    a.SetIndex(200);
    float out = 0.0f;
    uint8_t temp = 0;
    ASSERT_TRUE(a.ReadOutput(out, temp));
    EXPECT_EQ(a.m_fOutput, out);
    EXPECT_EQ(a.m_nTemperature, temp);
    EXPECT_GT(temp, 25);
    uint16_t counts = 0;
    ASSERT_TRUE(a.ReadPhoto(counts));
    // What the head believes: its record's Photo-to-mW curve over the counts.
    const HeadRecord rec = s.sim.Record(0);
    EXPECT_NEAR(out, (rec.photoToMw[1] * counts + rec.photoToMw[2]) / 1000.0, 1e-3);

    s.sim.DropReplies(1);
    out = 42.0f;
    temp = 42;
    EXPECT_FALSE(a.ReadOutput(out, temp));
    EXPECT_EQ(a.m_fOutput, 42.0f);
    EXPECT_EQ(a.m_nTemperature, 42);
}

// A calibrated record makes the set point and the reported output right.
TEST(OpticalHeadBound, GoodCalibrationMakesSetPointAndReadingAgree) {
    BoundHeads s;
    COpticalHead& a = s.heads[0];
    // Fit both curves by least squares over points the head produces.
    double sx[5] = {}, sy[3] = {}, tx[5] = {}, ty[3] = {};
    for (int index = 20; index <= 255; index += 5) {
        a.SetIndex(index);
        uint16_t p = 0;
        ASSERT_TRUE(a.ReadPhoto(p));
        const double mw = s.sim.OpticalOutput(0);
        for (int k = 0; k < 5; ++k) {
            sx[k] += std::pow(p, k);
            tx[k] += std::pow(mw, k);
        }
        for (int k = 0; k < 3; ++k) {
            sy[k] += mw * 1000.0 * std::pow(p, k);
            ty[k] += index * std::pow(mw, k);
        }
    }
    auto solve = [](const double x[5], const double y[3], float out[3]) {
        double m[3][4] = {
            {x[4], x[3], x[2], y[2]}, {x[3], x[2], x[1], y[1]}, {x[2], x[1], x[0], y[0]}};
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j) {
                const double f = m[j][i] / m[i][i];
                for (int k = i; k < 4; ++k)
                    m[j][k] -= f * m[i][k];
            }
        double c[3];
        for (int i = 2; i >= 0; --i) {
            c[i] = m[i][3];
            for (int k = i + 1; k < 3; ++k)
                c[i] -= m[i][k] * c[k];
            c[i] /= m[i][i];
        }
        for (int i = 0; i < 3; ++i)
            out[i] = static_cast<float>(c[i]);
    };
    a.SetIntensity(50.0f); // before calibration the set point misses
    EXPECT_GT(std::fabs(s.sim.OpticalOutput(0) - 50.0), 10.0);
    float out = 0.0f;
    uint8_t temp = 0;
    ASSERT_TRUE(a.ReadRecord());
    solve(sx, sy, a.m_record.photoToMw);
    solve(tx, ty, a.m_record.mwToIndex);
    ASSERT_TRUE(a.WriteRecord());
    a.SetIntensity(50.0f);
    EXPECT_NEAR(s.sim.OpticalOutput(0), 50.0, 1.5);
    ASSERT_TRUE(a.ReadOutput(out, temp));
    EXPECT_NEAR(out, s.sim.OpticalOutput(0), 1.5);
}

} // namespace

// What a calibration run leaves for its report and for Burn: the two fitted
// curves with their R², and the average step per index that the report
// computed. Pure: no dialog, no head.
//
// Burn writes it only whole: fits that a run computed over the points it
// recorded, and the step that a report listing those same points computed.
// The utility numbers every change of its recorded points ("point set"), so
// that a report still open from before a run cannot hand its step to the
// fits of that run.
#pragma once

#include "link/HeadRecord.h"

#include <cstdint>

struct RunResult {
    float photoToMw[3] = {};  // a, b, c: counts -> µW/cm²
    float mwToIndex[3] = {};  // a, b, c: mW/cm² -> index
    double r2PhotoToMw = 0.0; // R² of the stored (float) curves
    double r2MwToIndex = 0.0;
    float avgStep = 0.0f; // mW/cm² per index, handed back by the calibration report

    // Fits both quadratics over the first n recorded points (point set
    // `pointSet`), Photo-to-mW from counts to µW/cm² and mW-to-Index from
    // mW/cm² to the set index, stores them as floats and their R² over the
    // floats. Too few points give NaN or infinite values, kept as they are
    // for display; the step is not yet part of the result.
    void Fit(int32_t n, const double* setPoint, const double* headValue, const double* meterUw,
             const double* meterMw, uint64_t pointSet);

    // The step a report computed when it listed point set `listed`. Taken,
    // and the result complete, only when the fits came from those points.
    void TakeStep(float step, uint64_t listed);

    // No result any more (a run is starting). The numbers stay as they are:
    // a report opened meanwhile shows them, but nothing burns them.
    void Discard() { m_stage = Stage::None; }

    // Fits and step belong together: Burn may write them.
    bool Complete() const { return m_stage == Stage::Stepped; }
    // Every value Burn writes is a finite number.
    bool Finite() const;

    // Burn's share of the record: both curves and the average step.
    void WriteTo(HeadRecord& r) const;

private:
    enum class Stage { None, Fitted, Stepped };
    Stage m_stage = Stage::None;
    uint64_t m_pointSet = 0; // the point set of the fits, from Fitted on
};

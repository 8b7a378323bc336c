#include "ky/apputils/KyFPSStabilizer.h"

#include "FrameThinner.h"

KyFPSStabilizer::KyFPSStabilizer() : mThinner(new ky::apputils::FrameThinner()) { }

KyFPSStabilizer::~KyFPSStabilizer() = default;

bool KyFPSStabilizer::IsTimeToDisplay(uint32_t aTargetFPS)
{
    return mThinner->Decide(aTargetFPS, std::chrono::steady_clock::now());
}

uint32_t KyFPSStabilizer::GetAverage()
{
    return mThinner->ShownInLastSecond(std::chrono::steady_clock::now());
}

void KyFPSStabilizer::Reset() { mThinner->Reset(); }

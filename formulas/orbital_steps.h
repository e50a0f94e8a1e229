// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Point steps of the orbital formulas (500..508) and of the IFS (1001): each
// call moves the context's orbit point by one step.

#include <cstdint>

#include "formulas/formula_context.h"

constexpr int32_t kFirstOrbitalFormula = 500;
constexpr int32_t kLastOrbitalFormula = 508;
constexpr int32_t kUnassignedOrbitalFormula = 505;

// One step of orbital formula ctx->Number; 505 and numbers outside 500..508
// leave the point where it is.
void OrbitalStep(TFormulaContext* ctx);

// One step of the IFS chosen by ctx->IFSNumber.
void IFSStep(TFormulaContext* ctx);

// Sets the state of the random generator the IFS step draws from.
void SeedIFSRandom(uint32_t seed);
// Its state now: seeding with it later repeats the values drawn from here.
uint32_t IFSRandomSeed();
// The next value in [0, 1) of that generator. Any thread may draw; every draw
// takes the next value of the one sequence.
double NextIFSRandom();

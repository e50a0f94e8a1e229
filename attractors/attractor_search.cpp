// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor_search.h"

#include <cmath>

#include "attractors/attractor.h"
#include "platform/dialogs.h"

namespace {

constexpr Extended kProbeStart = 0.001L;

void RandomAffineMaps(T3dFractal& doc) {
  TAttractorTable& t = doc.Coefficients;
  for (int32_t i = 0; i < kAttractorRows; ++i) t.A[i][kProbabilityColumn] = float(doc.Random.Next());
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kProbabilityColumn; ++j) t.A[i][j] = float(doc.Random.Next() - 0.5);
}

// Every A(i,j) uniform in [-1.5, 1.5); the P values stay.
void RandomCoefficients(T3dFractal& doc) {
  TAttractorTable& t = doc.Coefficients;
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kProbabilityColumn; ++j)
      t.A[i][j] = float((3000 * Extended(doc.Random.Next()) - 1500) * 0.001L);
}

}  // namespace

bool SearchAttractor(T3dFractal& doc, int32_t typeIndex, std::optional<uint32_t> seed) {
  doc.StopThread();
  if (seed)
    doc.Random.Seed(*seed);
  else
    doc.Random.SeedFromClock();

  if (typeIndex == 0) {
    RandomAffineMaps(doc);
    doc.Kind = kAttractorIFS;
    doc.X = -1;
    doc.Y = 1;
    doc.W = 2;
    doc.Restart();
    return true;
  }

  doc.Kind = typeIndex + 1;
  int32_t n = 0;
  Extended S = 0, L = 0;
  TAttractorPoint current, probe;
  for (int32_t step = 0; step < kSearchStepLimit; ++step) {
    if (n == 0) {
      RandomCoefficients(doc);
      current = {kProbeStart, kProbeStart, kProbeStart};
      L = 0;
    }
    AttractorStep(doc.Kind, doc.Coefficients, current, doc.Random);
    ++n;
    if (n == 1) {
      S = 0;
      probe = {kProbeStart, kProbeStart, kProbeStart};
    }
    const TAttractorPoint m = current;
    current = probe;
    AttractorStep(doc.Kind, doc.Coefficients, current, doc.Random);
    const TAttractorPoint q = current;
    if (q.x + q.y + q.z > 1000) {
      n = 0;
      continue;
    }
    const Extended dx = q.x - m.x, dy = q.y - m.y, dz = q.z - m.z;
    if (dx == 0 && dy == 0 && dz == 0) {
      L = 0;
    } else {
      // Pull the probe back to about 3.16e-6 from the point along d.
      const Extended D = (dx * dx + dy * dy + dz * dz) * 1e11L + 1e-10L;
      const Extended R = 1 / std::sqrt(D);
      probe = {m.x + R * dx, m.y + R * dy, m.z + R * dz};
      current = m;
      S += std::log10(D);
      L = 0.721348L * S / n;
    }
    if ((L == 0 && n >= 3) || (n >= 101 && (L < 0.03L || L > 1)) || current.x + current.y + current.z > 1000000)
      n = 0;
    if (n >= 1001) break;
  }

  doc.X = -2;
  doc.Y = 2;
  doc.W = 4;
  if (n == 0 || L == 0) {
    doc.Kind = kAttractorIFS;
    doc.Restart();
    ShowMessage(kAttractorNotFound);
    return false;
  }
  doc.Restart();
  return true;
}

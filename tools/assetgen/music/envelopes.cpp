// Envelope coefficients.
#include "music/envelopes.h"

#include <algorithm>

namespace gen::music {

float decayCoefficient(float seconds) {
    return std::exp(-1.0f / (std::max(seconds, 1e-5f) * kSampleRate));
}

Envelope::Envelope(float attack, float decay, float sustain, float release)
    : attackStep_(1.0f / std::max(1.0f, attack * kSampleRate)), decayCoef_(decayCoefficient(decay)),
      sustain_(std::clamp(sustain, 0.0f, 1.0f)), releaseCoef_(decayCoefficient(release)) {}

} // namespace gen::music

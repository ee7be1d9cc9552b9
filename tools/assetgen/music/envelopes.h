// Envelopes: level curves from 0 to 1 that shape a voice's loudness or a filter's sweep.
#pragma once

#include "music/signal.h"

namespace gen::music {

// Attack, decay, sustain, release. The attack rises linearly from the current level to 1
// in `attack` seconds; the decay falls exponentially toward `sustain` (0..1) with time
// constant `decay` seconds; after release() the level falls exponentially toward 0 with
// time constant `release` seconds from wherever it stands, so a short note never jumps.
// The envelope is finished once the level has fallen below kSilent in decay or release;
// from then on it reads exactly 0.
class Envelope {
  public:
    static constexpr float kSilent = 1e-3f; // -60 dB

    Envelope(float attack, float decay, float sustain, float release);

    float next() {
        switch (stage_) {
        case Stage::Attack:
            level_ += attackStep_;
            if (level_ >= 1.0f) {
                level_ = 1.0f;
                stage_ = Stage::Decay;
            }
            break;
        case Stage::Decay:
            level_ = sustain_ + (level_ - sustain_) * decayCoef_;
            if (sustain_ <= 0.0f && level_ < kSilent)
                finish();
            break;
        case Stage::Release:
            level_ *= releaseCoef_;
            if (level_ < kSilent)
                finish();
            break;
        case Stage::Done:
            break;
        }
        return level_;
    }
    void release() {
        if (stage_ != Stage::Done)
            stage_ = Stage::Release;
    }
    bool done() const { return stage_ == Stage::Done; }
    float level() const { return level_; }

  private:
    enum class Stage { Attack, Decay, Release, Done };
    void finish() {
        level_ = 0.0f;
        stage_ = Stage::Done;
    }

    float attackStep_, decayCoef_, sustain_, releaseCoef_;
    float level_ = 0.0f;
    Stage stage_ = Stage::Attack;
};

// Per-sample factor of an exponential fall with time constant `seconds`.
float decayCoefficient(float seconds);

} // namespace gen::music

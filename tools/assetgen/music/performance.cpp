// The band: every part of the score synthesised and placed in the mix.
#include <array>

#include "music/arrangement.h"
#include "music/drums.h"
#include "music/mixer.h"

namespace gen::music {

namespace {

// A drum's synthesised variants (alternated hit by hit, so repeats are not identical) and
// its place in the mix.
struct KitPiece {
    std::vector<Hit> variants;
    Channel channel;
};

std::array<KitPiece, 8> makeKit() {
    std::array<KitPiece, 8> kit;
    auto piece = [&](Drum d) -> KitPiece& { return kit[static_cast<size_t>(d)]; };
    // Channels: gain, pan, reverb, delay, duck. The hats duck a little with the bass and
    // chords, so the whole groove breathes with the kick.
    piece(Drum::Kick) = {{kick()}, {0.95f, 0.0f, 0.0f, 0.0f, 0.0f}};
    piece(Drum::Clap) = {{clap(11), clap(12)}, {0.95f, 0.05f, 0.22f, 0.0f, 0.0f}};
    piece(Drum::Snare) = {{snare(21), snare(22), snare(23)}, {0.4f, -0.05f, 0.2f, 0.0f, 0.0f}};
    piece(Drum::ClosedHat) = {{hat(31, 0.035f), hat(32, 0.04f), hat(33, 0.03f), hat(34, 0.045f)},
                              {0.5f, 0.3f, 0.04f, 0.0f, 0.1f}};
    piece(Drum::OpenHat) = {{hat(41, 0.2f), hat(42, 0.22f)}, {0.36f, -0.25f, 0.06f, 0.0f, 0.2f}};
    piece(Drum::Crash) = {{crash(51)}, {0.35f, -0.35f, 0.15f, 0.0f, 0.0f}};
    piece(Drum::TomHigh) = {{tom(170.0f)}, {0.45f, 0.35f, 0.15f, 0.0f, 0.0f}};
    piece(Drum::TomLow) = {{tom(118.0f)}, {0.5f, -0.3f, 0.15f, 0.0f, 0.0f}};
    return kit;
}

void playPart(Mix& mix, const std::vector<Note>& part, void (*render)(const Note&, Stereo&),
              const Channel& channel) {
    Stereo voice;
    for (const Note& note : part) {
        render(note, voice);
        mix.add(voice, note.start, channel);
    }
}

// A dotted eighth: the echo falls between the beats and pushes the groove along.
constexpr int kEchoFrames = 3 * kFramesPerBar / kStepsPerBar;

} // namespace

Stereo mixScore(const Score& score, void (*step)(const char*)) {
    auto report = [&](const char* what) {
        if (step)
            step(what);
    };
    Mix mix(kLoopFrames);
    for (const DrumHit& hit : score.drums)
        if (hit.drum == Drum::Kick)
            mix.pump(hit.frame);

    const std::array<KitPiece, 8> kit = makeKit();
    std::array<size_t, 8> played{};
    for (const DrumHit& hit : score.drums) {
        const size_t d = static_cast<size_t>(hit.drum);
        const KitPiece& piece = kit[d];
        Channel channel = piece.channel;
        channel.gain *= hit.velocity;
        mix.add(piece.variants[played[d]++ % piece.variants.size()], hit.frame, channel);
    }
    report("drums");

    // Channels as for the kit: gain, pan, reverb, delay, duck.
    playPart(mix, score.bass, renderBass, {0.55f, 0.0f, 0.0f, 0.0f, 0.55f});
    playPart(mix, score.stabs, renderStab, {0.24f, 0.0f, 0.25f, 0.12f, 0.6f});
    playPart(mix, score.pad, renderPad, {0.19f, 0.0f, 0.45f, 0.0f, 0.4f});
    playPart(mix, score.arp, renderPluck, {0.28f, 0.25f, 0.2f, 0.3f, 0.3f});
    playPart(mix, score.lead, renderLead, {0.3f, -0.08f, 0.25f, 0.3f, 0.2f});
    playPart(mix, score.risers, renderRiser, {0.2f, 0.0f, 0.35f, 0.0f, 0.0f});
    report("bass, chords, strings, arpeggio, lead");

    Stereo out = mix.master(kEchoFrames, 0.4f, 0.5f, 1.0f);
    report("echo and reverb");
    return out;
}

Stereo perform(const Score& score, void (*step)(const char*)) {
    Stereo out = mixScore(score, step);
    normalizeLoudness(out, -14.0, dbToGain(-1.0f));
    if (step)
        step("loudness and limiter");
    return out;
}

} // namespace gen::music

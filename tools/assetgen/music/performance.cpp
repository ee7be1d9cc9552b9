// The band: every part of the score synthesised and placed in the mix.
#include <array>

#include "music/arrangement.h"
#include "music/drums.h"
#include "music/effects.h"
#include "music/mixer.h"

namespace gen::music {

namespace {

constexpr size_t kDrumCount = static_cast<size_t>(Drum::Count);

// A drum's synthesised variants (alternated hit by hit, so repeats are not identical) and
// its place in the mix.
struct KitPiece {
    std::vector<Hit> variants;
    Channel channel;
};

std::array<KitPiece, kDrumCount> makeKit() {
    std::array<KitPiece, kDrumCount> kit;
    auto piece = [&](Drum d) -> KitPiece& { return kit[static_cast<size_t>(d)]; };
    // Channels: gain, pan, reverb, delay, duck. The kick sits in the middle; the percussion
    // spreads across the stereo field in pairs (shaker against tambourine, the two congas,
    // open against closed hats), and the hats duck a little with the bass and chords, so the
    // whole groove breathes with the kick.
    piece(Drum::Kick) = {{kick()}, {0.6f, 0.0f, 0.0f, 0.0f, 0.0f}};
    piece(Drum::Clap) = {{clap(11), clap(12)}, {0.85f, 0.05f, 0.25f, 0.0f, 0.0f}};
    piece(Drum::Snare) = {{snare(21), snare(22), snare(23)}, {0.45f, -0.05f, 0.2f, 0.0f, 0.0f}};
    piece(Drum::ClosedHat) = {{hat(31, 0.035f), hat(32, 0.04f), hat(33, 0.03f), hat(34, 0.045f)},
                              {0.5f, 0.5f, 0.04f, 0.0f, 0.1f}};
    piece(Drum::OpenHat) = {{hat(41, 0.2f), hat(42, 0.22f)}, {0.5f, -0.4f, 0.06f, 0.0f, 0.2f}};
    piece(Drum::Crash) = {{crash(51)}, {0.35f, -0.45f, 0.15f, 0.0f, 0.0f}};
    piece(Drum::TomHigh) = {{tom(170.0f)}, {0.45f, 0.45f, 0.15f, 0.0f, 0.0f}};
    piece(Drum::TomLow) = {{tom(118.0f)}, {0.5f, -0.4f, 0.15f, 0.0f, 0.0f}};
    piece(Drum::Shaker) = {{shaker(61), shaker(62), shaker(63)},
                           {0.48f, -0.75f, 0.05f, 0.0f, 0.1f}};
    piece(Drum::Tambourine) = {{tambourine(71), tambourine(72)}, {0.45f, 0.75f, 0.08f, 0.0f, 0.1f}};
    piece(Drum::CongaHigh) = {{conga(330.0f, 81), conga(335.0f, 82)},
                              {0.45f, 0.6f, 0.12f, 0.0f, 0.0f}};
    piece(Drum::CongaLow) = {{conga(220.0f, 83), conga(224.0f, 84)},
                             {0.5f, -0.55f, 0.12f, 0.0f, 0.0f}};
    return kit;
}

using Render = void (*)(const Note&, Stereo&);

// Each part's voice and its place in the mix: gain, pan, reverb, delay, duck. The bass is
// mono in the middle; guitar and clavinet answer each other from either side.
struct Voice {
    Render render;
    Channel channel;
};
const Voice kVoices[kPartCount] = {
    {renderBass, {0.32f, 0.0f, 0.0f, 0.0f, 0.55f}},    // Bass
    {renderPad, {0.16f, 0.0f, 0.45f, 0.0f, 0.4f}},     // Pad
    {renderPluck, {0.22f, 0.55f, 0.2f, 0.3f, 0.3f}},   // Arp
    {renderLead, {0.2f, -0.15f, 0.25f, 0.3f, 0.2f}},   // Lead
    {renderRiser, {0.2f, 0.0f, 0.35f, 0.0f, 0.0f}},    // Riser
    {renderGuitar, {0.32f, -0.8f, 0.12f, 0.1f, 0.3f}}, // Guitar
    {renderClav, {0.2f, 0.75f, 0.1f, 0.05f, 0.3f}},    // Clav
    {renderBrass, {0.2f, 0.0f, 0.25f, 0.1f, 0.2f}},    // Brass
    {renderStrings, {0.2f, 0.0f, 0.4f, 0.05f, 0.2f}},  // Strings
    {renderVocal, {0.3f, 0.1f, 0.35f, 0.3f, 0.15f}},   // Vocal
};

void playPart(Mix& mix, const std::vector<Note>& part, Render render, const Channel& channel) {
    Stereo voice;
    for (const Note& note : part) {
        render(note, voice);
        mix.add(voice, note.start, channel);
    }
}

// A dotted eighth: the echo falls between the beats and pushes the groove along.
constexpr int kEchoFrames = 3 * kFramesPerBar / kStepsPerBar;

float wallAtFrame(size_t frame) {
    return wallCutoff(static_cast<double>(frame) / kFramesPerBar);
}

} // namespace

Stereo mixScore(const Score& score, void (*step)(const char*)) {
    auto report = [&](const char* what) {
        if (step)
            step(what);
    };
    // The club and the street are mixed apart: the club is then heard through the wall.
    Mix club(kLoopFrames), street(kLoopFrames);
    for (const DrumHit& hit : score.drums)
        if (hit.drum == Drum::Kick)
            club.pump(hit.frame);

    const std::array<KitPiece, kDrumCount> kit = makeKit();
    std::array<size_t, kDrumCount> played{};
    for (const DrumHit& hit : score.drums) {
        const size_t d = static_cast<size_t>(hit.drum);
        const KitPiece& piece = kit[d];
        Channel channel = piece.channel;
        channel.gain *= hit.velocity;
        club.add(piece.variants[played[d]++ % piece.variants.size()], hit.frame, channel);
    }
    report("drums and percussion");

    for (size_t p = 0; p < kPartCount; ++p) {
        playPart(club, score.club[p], kVoices[p].render, kVoices[p].channel);
        playPart(street, score.street[p], kVoices[p].render, kVoices[p].channel);
    }
    report("bass, guitar, clavinet, brass, strings, vocal, lead");

    Stereo out = club.master(kEchoFrames, 0.4f, 0.5f, 1.0f);
    wall(out, wallAtFrame);
    const Stereo outside = street.master(kEchoFrames, 0.4f, 0.5f, 1.0f);
    for (size_t i = 0; i < out.frames(); ++i) {
        out.left[i] += outside.left[i];
        out.right[i] += outside.right[i];
    }
    stereoWidth(out, 120.0f, 1.3f);
    dcFilter(out, 15.0f);
    report("echo, reverb, the wall, width and the DC filter");
    return out;
}

Stereo perform(const Score& score, void (*step)(const char*)) {
    Stereo out = mixScore(score, step);
    normalizeLoudness(out, -14.0, dbToGain(-2.0f));
    if (step)
        step("loudness and limiter");
    return out;
}

} // namespace gen::music

// The drum kit: each hit is synthesised once into a mono sample (peak about 1, starting and
// ending at silence) that the arrangement then places on the beat as often as it needs.
#pragma once

#include <cstdint>
#include <vector>

namespace gen::music {

using Hit = std::vector<float>;

// A sine swept from 195 Hz down to 55 Hz (the key note, A) with a short click; 0.45 s.
Hit kick();
// Three quick noise bursts and a bandpassed tail around 1.3 kHz; 0.35 s.
Hit clap(std::uint32_t seed);
// A two-mode drum tone at 185 Hz under a rattle of noise around 3.6 kHz; 0.3 s.
Hit snare(std::uint32_t seed);
// Six detuned square waves at metallic ratios and noise, band-limited to 7-14 kHz.
// `seconds` sets the decay: about 0.04 for a closed hat, 0.25 for an open one.
Hit hat(std::uint32_t seed, float seconds);
// A long bright cymbal wash with a soft attack; 2.2 s.
Hit crash(std::uint32_t seed);
// A tom: a sine falling from `hz` * 1.6 to `hz`; 0.5 s.
Hit tom(float hz);
// A shaker: a soft-edged grain of noise in the 4-9 kHz band; 0.12 s.
Hit shaker(std::uint32_t seed);
// A tambourine: jingles (inharmonic partials at 5-11 kHz that rattle in a few quick
// re-strikes) over a short hiss; 0.3 s.
Hit tambourine(std::uint32_t seed);
// A conga: a skin tone settling on `hz` with its first overtone and a slap of noise; 0.4 s.
Hit conga(float hz, std::uint32_t seed);

} // namespace gen::music

// The motion table and its sampling into key frames.
#include "figures/motions.h"

namespace gen {
namespace fig {

const std::vector<MotionDef>& motionTable() {
    // Dances made for 60 fps loop over 20 beats (579 frames); pist2 is played at 40 fps, so
    // its 20 beats take 386 frames. The walk fits the walkers' 10 units per second at 120 fps.
    static const std::vector<MotionDef> table = {
        {"human_dance.3ds", 579, 80, humanDance},
        {"vakt.3ds", 300, 50, vakt},
        {"sitting.3DS", 600, 75, sitting},
        {"bar_man.3DS", 579, 160, barMan},
        {"kelbro.3DS", 579, 80, kelbro},
        {"pist.3DS", 579, 80, pist},
        {"walking_man.3DS", 80, 20, walkingMan},
        {"hoppande.3DS", 579, 160, hoppande},
        {"pist2.3DS", 386, 80, pist2},
        {"juck.3DS", 579, 160, juck},
    };
    return table;
}

Clip sampleClip(const MotionDef& motion) {
    Clip clip;
    clip.frames = motion.frames;
    clip.keyFrames = evenKeyFrames(motion.frames, motion.keys);
    for (int frame : clip.keyFrames) {
        const int wrapped = frame == motion.frames ? 0 : frame;
        clip.poses.push_back(solve(motion.pose(static_cast<double>(wrapped) / motion.frames)));
    }
    return clip;
}

} // namespace fig
} // namespace gen

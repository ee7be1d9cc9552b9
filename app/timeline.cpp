// The timeline table.
#include "app/timeline.h"

TimelineSlot timelineAt(double t) {
    if (t < 36.6)
        return {Scene::City, 0, t};
    if (t < 38.6)
        return {Scene::City, 1, t - 36.6};
    if (t < 40.6)
        return {Scene::Disco, 0, t - 38.6};
    if (t < 64.0)
        return {Scene::Disco, 1, t - 38.6};
    if (t < 74.0)
        return {Scene::Disco, 1, 25.4};
    if (t < 107.0)
        return {Scene::Disco, 1, (t - 38.6) - 10.0};
    return {Scene::Disco, 2, t - 74.0};
}

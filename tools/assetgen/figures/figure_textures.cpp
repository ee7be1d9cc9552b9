// The figure's textures. Head and body images are laid out for loft() meshes: u once around
// from the back (the front at u = 0.5), v up the model, rows stored top first.
#include <cmath>

#include "figures/figure_models.h"

namespace gen {
namespace fig {
namespace {

// Paints every pixel whose (u, v) centre passes `inside` with `color`.
template <typename Inside> void paint(Image& img, Color color, Inside inside) {
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const float u = (x + 0.5f) / img.width, v = 1.0f - (y + 0.5f) / img.height;
            if (inside(u, v))
                img.at(x, y) = color;
        }
}

// Inside an ellipse centred on (u0, v0) with half-sizes (a, b).
auto ellipse(float u0, float v0, float a, float b) {
    return [=](float u, float v) {
        const float du = (u - u0) / a, dv = (v - v0) / b;
        return du * du + dv * dv <= 1.0f;
    };
}

Color shade(Color c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

// A slight cloth or skin grain so large areas are not flat.
void grain(Image& img, float amount, std::uint32_t seed) {
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const float n = valueNoise(static_cast<float>(x) / img.width,
                                       static_cast<float>(y) / img.height, 32, seed);
            img.at(x, y) = shade(img.at(x, y), 1.0f + amount * (n - 0.5f));
        }
}

} // namespace

Image whiteImage() {
    return Image(16, 16, {1, 1, 1, 1});
}

Image headImage() {
    const Color skin{0.93f, 0.74f, 0.60f}, hair{0.24f, 0.15f, 0.09f};
    const Color hat{0.16f, 0.15f, 0.18f}, band{0.92f, 0.88f, 0.78f};
    Image img(128, 128, skin);
    // Hair: the back and sides above the neck, and a fringe under the hat.
    paint(img, hair, [](float u, float v) {
        const float fromFront = std::fabs(u - 0.5f);
        return (fromFront > 0.2f && v > 0.22f) || (fromFront > 0.13f && v > 0.46f) || v > 0.57f;
    });
    grain(img, 0.12f, 11);
    // Ears.
    for (float u : {0.25f, 0.75f}) {
        paint(img, shade(skin, 0.9f), ellipse(u, 0.40f, 0.035f, 0.075f));
        paint(img, shade(skin, 0.75f), ellipse(u, 0.40f, 0.015f, 0.04f));
    }
    // Eyes, brows, nose and mouth on the front.
    for (float side : {-1.0f, 1.0f}) {
        const float u = 0.5f + side * 0.075f;
        paint(img, {0.97f, 0.97f, 0.95f}, ellipse(u, 0.435f, 0.03f, 0.03f));
        paint(img, {0.18f, 0.32f, 0.50f}, ellipse(u + side * -0.005f, 0.435f, 0.014f, 0.022f));
        paint(img, {0.05f, 0.05f, 0.05f}, ellipse(u + side * -0.005f, 0.435f, 0.007f, 0.012f));
        paint(img, hair, [=](float pu, float pv) {
            return std::fabs(pu - u) < 0.035f &&
                   std::fabs(pv - (0.50f + 0.01f * side * (pu - u) / 0.035f)) < 0.011f;
        });
    }
    paint(img, shade(skin, 0.8f), ellipse(0.5f, 0.335f, 0.02f, 0.04f));
    paint(img, shade(skin, 0.7f), ellipse(0.5f, 0.305f, 0.025f, 0.012f));
    paint(img, {0.62f, 0.22f, 0.22f}, [](float u, float v) {
        const float du = (u - 0.5f) / 0.055f;
        return std::fabs(du) < 1 && std::fabs(v - (0.185f + 0.02f * du * du)) < 0.012f;
    });
    paint(img, shade(skin, 0.85f), ellipse(0.5f, 0.1f, 0.06f, 0.05f)); // chin shadow
    // The hat: brim underside in shadow, brim, band and crown.
    paint(img, shade(hat, 0.55f), [](float, float v) { return v >= 0.62f && v < 0.70f; });
    paint(img, hat, [](float, float v) { return v >= 0.70f; });
    paint(img, band, [](float, float v) { return v >= 0.765f && v < 0.815f; });
    paint(img, shade(hat, 0.8f), [](float, float v) { return v >= 0.955f; });
    return img;
}

Image bodyImage() {
    const Color jacket{0.14f, 0.14f, 0.19f}, shirt{0.94f, 0.93f, 0.90f}, tie{0.72f, 0.08f, 0.12f};
    Image img(128, 128, jacket);
    grain(img, 0.25f, 23);
    // Side seams and the back seam.
    paint(img, shade(jacket, 0.7f), [](float u, float) {
        return std::fabs(u - 0.25f) < 0.006f || std::fabs(u - 0.75f) < 0.006f || u < 0.004f ||
               u > 0.996f;
    });
    // Trousers and belt with a buckle.
    paint(img, {0.10f, 0.10f, 0.12f}, [](float, float v) { return v < 0.07f; });
    paint(img, {0.04f, 0.04f, 0.04f}, [](float, float v) { return v >= 0.07f && v < 0.11f; });
    paint(img, {0.80f, 0.70f, 0.30f}, [](float u, float v) {
        return std::fabs(u - 0.5f) < 0.02f && v >= 0.075f && v < 0.105f;
    });
    // Open collar: the shirt shows in a V from the neck to mid-chest, with lapels beside it.
    auto vHalfWidth = [](float v) { return 0.10f * (v - 0.55f) / 0.41f; };
    paint(img, shade(jacket, 1.6f), [&](float u, float v) {
        return v > 0.53f && std::fabs(u - 0.5f) < vHalfWidth(v) + 0.03f;
    });
    paint(img, shirt,
          [&](float u, float v) { return v > 0.55f && std::fabs(u - 0.5f) < vHalfWidth(v); });
    paint(img, tie, [](float u, float v) {
        const float half = v > 0.90f ? 0.016f : 0.012f + 0.01f * (0.9f - v) / 0.33f;
        return v > 0.57f && v < 0.96f && std::fabs(u - 0.5f) < half;
    });
    // Buttons and pockets.
    for (float v : {0.47f, 0.37f})
        paint(img, {0.55f, 0.55f, 0.6f}, ellipse(0.5f, v, 0.012f, 0.012f));
    for (float u : {0.40f, 0.60f})
        paint(img, shade(jacket, 0.6f), [=](float pu, float pv) {
            return std::fabs(pu - u) < 0.04f && std::fabs(pv - 0.27f) < 0.006f;
        });
    return img;
}

} // namespace fig
} // namespace gen

#pragma once

#include <QImage>

#include <cmath>

// Smooth gradients and waves with a little sensor-like noise: it compresses
// about as well as a photo does, unlike flat colour or pure noise. The seed
// drives the noise; the phase shifts the waves, so photos differ.
inline QImage cameraLikeImage(int width, int height, quint32 seed, double phase = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            const double wave =
                40.0 * std::sin(fx * 23.0 + fy * 7.0 + phase) * std::cos(fy * 17.0 - fx * 3.0);
            seed = seed * 1664525u + 1013904223u;
            const int noise = int((seed >> 24) % 21) - 10;
            const auto channel = [&](double v) {
                return qBound(0, int(v) + noise, 255);
            };
            line[x] = qRgb(channel(60 + 150 * fx + wave), channel(90 + 100 * fy - wave / 2),
                           channel(200 - 120 * fx * fy + wave / 3));
        }
    }
    return image;
}

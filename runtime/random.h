#pragma once

#include <QRandomGenerator>

namespace tavrilo {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Reseeds from the clock, so that every run gives a different sequence.
    virtual void seedFromClock() = 0;
    // Uniform in [0, 1); never 1.
    virtual float next() = 0;
};

class ClockRandom final : public RandomSource {
public:
    void seedFromClock() override;
    float next() override;

    // The value next() makes of 32 random bits: the top 24 of them as a fraction. Every result is
    // exactly representable in single precision, so none rounds up to 1 (std::generate_canonical
    // with float can).
    static constexpr float fromBits(quint32 bits) { return float(bits >> 8) * 0x1p-24f; }

private:
    QRandomGenerator generator_;
};

} // namespace tavrilo

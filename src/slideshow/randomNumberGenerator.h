#pragma once

#include "shell/CommonHeader.h"

#include <QtGlobal>

#include <array>
#include <functional>

// Hands out the next number of a sequence over 0 ... maximum, sequential or
// random, optionally only odd or only even numbers. A display uses one to pick
// its random transitions. Not thread-safe: one display step uses it at a time.
class randomNumberGenerator
{
public:
    // Where random draws come from: a value in 0 ... RAND_MAX.
    using RandomSource = std::function<int()>;

    // Draws from the C library's rand(), which this class never seeds.
    randomNumberGenerator();
    // Tests pass a source of chosen draws.
    explicit randomNumberGenerator(RandomSource source);

    // which: kTagAllPhotos, kTagOddPhotos or kTagEvenPhotos (anything else
    // becomes kTagAllPhotos); sequence: kTagSequential or kTagRandom (anything
    // else becomes kTagSequential). Restarts the sequence.
    void setupRandomNumberGeneratorWithPhotos(qint32 which, qint32 withSequence, qint32 maximum);

    // The next number. Random results lie in 0 ... maximum, raised by one to
    // the next odd or even number when so restricted (so maximum + 1 may come).
    qint32 getNextRandomNumber(qint32 current);

    qint32 whichPhotosType() const { return fWhichPhotosType; }
    qint32 orderSequenceType() const { return fOrderSequenceType; }
    qint32 maximum() const { return fMax; }
    const std::array<qint32, kRandomValuesCount> &randomValues() const { return fRandomValues; }

    // The unit value of one draw: draw * 2^-31 in single precision, so that
    // RAND_MAX itself rounds up to 1.0.
    static float unitValue(int draw);

private:
    qint32 nextRandom(qint32 current);
    qint32 nextSequential();
    void clearRandomValues();

    RandomSource fSource;
    qint32 fWhichPhotosType = kTagAllPhotos;
    qint32 fOrderSequenceType = kTagSequential;
    qint32 fMax = 0;
    std::array<qint32, kRandomValuesCount> fRandomValues{};
    qint32 fSequentialReturnValue = 0;
};

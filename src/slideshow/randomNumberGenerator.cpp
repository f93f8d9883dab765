#include "slideshow/randomNumberGenerator.h"

#include "platform/Log.h"

#include <cstdlib>
#include <limits>
#include <utility>

namespace {

const QString kClassName = QStringLiteral("randomNumberGenerator");

// 2^-31 exactly, as a single-precision constant.
constexpr float kTwoToMinus31 = 1.0f / 2147483648.0f;

} // namespace

randomNumberGenerator::randomNumberGenerator() : randomNumberGenerator([] { return std::rand(); })
{}

randomNumberGenerator::randomNumberGenerator(RandomSource source) : fSource(std::move(source))
{
    clearRandomValues();
}

float randomNumberGenerator::unitValue(int draw)
{
    const float asFloat = static_cast<float>(draw);
    return asFloat * kTwoToMinus31;
}

void randomNumberGenerator::clearRandomValues()
{
    fRandomValues.fill(-1);
}

void randomNumberGenerator::setupRandomNumberGeneratorWithPhotos(qint32 which, qint32 withSequence,
                                                                 qint32 maximum)
{
    const QString operation = QStringLiteral("setupRandomNumberGeneratorWithPhotos");
    fSequentialReturnValue = 0;
    fMax = maximum;
    clearRandomValues();
    // Negative values count as out of range too, as they would unsigned.
    if (static_cast<quint32>(which) >= 3u) {
        OvraLog(kLogResettingWhichPhotos.arg(kClassName, operation));
        which = kTagAllPhotos;
    }
    if (withSequence != kTagSequential && withSequence != kTagRandom) {
        OvraLog(kLogResettingSequence.arg(kClassName, operation));
        withSequence = kTagSequential;
    }
    fWhichPhotosType = which;
    fOrderSequenceType = withSequence;
}

qint32 randomNumberGenerator::getNextRandomNumber(qint32 current)
{
    switch (fOrderSequenceType) {
    case kTagRandom:
        return nextRandom(current);
    case kTagSequential:
        return nextSequential();
    default:
        OvraLog(kLogUnexpectedSequenceType.arg(kClassName, QStringLiteral("getNextRandomNumber"),
                                               QString::number(fOrderSequenceType),
                                               QString::number(current)));
        return current;
    }
}

qint32 randomNumberGenerator::nextRandom(qint32 current)
{
    if (fMax == current) {
        OvraLog(kLogStartAllOver);
        clearRandomValues();
    }
    const float span = static_cast<float>(qint64(fMax) + 1);
    const float product = span * unitValue(fSource());
    // Truncation toward zero; the product never leaves [-2^31, 2^31].
    qint64 r = static_cast<qint64>(product);
    if (qint64(fMax) < r) {
        r = 0;
    }
    switch (fWhichPhotosType) {
    case kTagEvenPhotos:
        r += (r & 1);
        break;
    case kTagOddPhotos:
        r += ((~r) & 1);
        break;
    default:
        break;
    }
    return static_cast<qint32>(r);
}

qint32 randomNumberGenerator::nextSequential()
{
    // Wider than the field so that a maximum of INT32_MAX wraps to 0 instead
    // of overflowing.
    qint64 v = fSequentialReturnValue;
    if (fWhichPhotosType == kTagOddPhotos && (v & 1) == 0) {
        v += 1;
    } else if (fWhichPhotosType == kTagEvenPhotos && (v & 1) != 0) {
        v += 1;
    }
    if (v > fMax) {
        v = 0;
    }
    const qint64 next = v + 1;
    fSequentialReturnValue =
        next > std::numeric_limits<qint32>::max() ? 0 : static_cast<qint32>(next);
    return static_cast<qint32>(v);
}

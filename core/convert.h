// Conversions from floating point to the 16-bit words of panels and frames,
// defined for every input: NaN gives 0, and values beyond any integer are
// held at the widest one before the low 16 bits are taken.
#ifndef CORE_CONVERT_H
#define CORE_CONVERT_H

#include <cmath>
#include <cstdint>

// Truncates toward zero and keeps the low 16 bits (two's complement for
// negative values, as an integer conversion would).
inline unsigned short Low16OfTruncated(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double kLimit = 4611686018427387904.0; // 2^62
    if (v > kLimit)
        v = kLimit;
    if (v < -kLimit)
        v = -kLimit;
    const auto whole = static_cast<std::int64_t>(v);
    return static_cast<unsigned short>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

// A scale factor as thousandths: the single-precision product 1000 * s,
// truncated, low 16 bits (1.1 gives 1100, 1.2345 gives 1234).
inline unsigned short ScaleToThousandths(float s)
{
    const float product = 1000.0f * s;
    return Low16OfTruncated(static_cast<double>(product));
}

// Pixels to micrometres in whole numbers: PPITCH * n / 1000, truncated.
inline unsigned short PixelsToMicrons(unsigned short n, int pitch)
{
    const std::int32_t um = static_cast<std::int32_t>(pitch) * n / 1000;
    return static_cast<unsigned short>(static_cast<std::uint32_t>(um) & 0xFFFFu);
}

// Pixels to micrometres with a scale factor, in double precision, truncated.
inline unsigned short ScaledPixelsToMicrons(float scale, unsigned short n, int pitch)
{
    return Low16OfTruncated(static_cast<double>(scale) * pitch * n / 1000.0);
}

#endif

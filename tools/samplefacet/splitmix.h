#pragma once

#include <QtGlobal>

namespace quillmark {

// A small, fast generator whose output depends on nothing but its seed, on
// every platform, so that a sample facet can be made again bit for bit and any
// block can be computed on its own, in any order.
class SplitMix
{
public:
    explicit SplitMix(quint64 seed) : m_state(seed) {}

    // The generator for one (seed, block, purpose): blocks are computed
    // independently instead of from one long stream.
    static SplitMix forBlock(quint64 seed, qint64 block, quint64 purpose)
    {
        SplitMix mixer(seed ^ (purpose * 0xd1b54a32d192ed03ULL));
        return SplitMix(mixer.next() ^ (quint64(block) * 0x9e3779b97f4a7c15ULL));
    }

    quint64 next()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // 0 to bound - 1; bound > 0.
    quint32 below(quint32 bound) { return quint32(next() % bound); }
    // In [0, 1).
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double share) { return unit() < share; }

private:
    quint64 m_state;
};

}  // namespace quillmark

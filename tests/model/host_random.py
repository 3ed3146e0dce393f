"""The host's random source: std::mt19937_64 seeded with the run's seed, each draw 24 random bits
times 2^-24, after the exact first draws the command line may give."""

import numpy as np

F = np.float32
_MASK64 = (1 << 64) - 1


class Mt19937_64:
    """std::mt19937_64: the host seeds one with the run's seed."""

    N, M = 312, 156
    UPPER, LOWER = _MASK64 ^ ((1 << 31) - 1), (1 << 31) - 1

    def __init__(self, seed):
        mt = [seed & _MASK64]
        for i in range(1, self.N):
            prev = mt[-1]
            mt.append((6364136223846793005 * (prev ^ (prev >> 62)) + i) & _MASK64)
        self.mt = mt
        self.index = self.N

    def _twist(self):
        mt, n, m = self.mt, self.N, self.M
        for i in range(n):
            x = (mt[i] & self.UPPER) | (mt[(i + 1) % n] & self.LOWER)
            xa = x >> 1
            if x & 1:
                xa ^= 0xB5026F5AA96619E9
            mt[i] = mt[(i + m) % n] ^ xa
        self.index = 0

    def next(self):
        if self.index >= self.N:
            self._twist()
        y = self.mt[self.index]
        self.index += 1
        y ^= (y >> 29) & 0x5555555555555555
        y ^= (y << 17) & 0x71D67FFFEDA60000
        y ^= (y << 37) & 0xFFF7EEE000000000
        y ^= y >> 43
        return y & _MASK64


_TWO_TO_MINUS_24 = F(1.0 / 16777216.0)


class Draws:
    """The host's uniform draws: the exact first draws given (--draws), then the seeded generator,
    each draw 24 random bits times 2^-24. Counts what was taken."""

    def __init__(self, seed, first=()):
        self.first = [F(v) for v in first]
        self.engine = Mt19937_64(seed)
        self.count = 0

    def __call__(self):
        self.count += 1
        if self.first:
            return self.first.pop(0)
        return F(self.engine.next() >> 40) * _TWO_TO_MINUS_24

// Double-double evaluation (a value is hi + lo, about 106 bits). Only the
// four basic operations are used, each rounded by IEEE rules, and this file
// is built with -ffp-contract=off, so no compiler may fuse a multiply and an
// add on one platform and not on another.
#include "core/Trig.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

namespace molfo::trig {

namespace {

struct DD {
    double hi, lo;
};

DD TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DD QuickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without a fused multiply-add.
void Split(double a, double& hi, double& lo) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    hi = t - (t - a);
    lo = a - hi;
}

DD TwoProd(double a, double b) {
    const double p = a * b;
    double ah, al, bh, bl;
    Split(a, ah, al);
    Split(b, bh, bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DD Add(DD a, DD b) {
    DD s = TwoSum(a.hi, b.hi);
    const DD t = TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = QuickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return QuickTwoSum(s.hi, s.lo);
}

DD Neg(DD a) { return {-a.hi, -a.lo}; }

DD Mul(DD a, DD b) {
    DD p = TwoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return QuickTwoSum(p.hi, p.lo);
}

DD Div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    DD r = Add(a, Neg(Mul({q1, 0.0}, b)));
    const double q2 = r.hi / b.hi;
    r = Add(r, Neg(Mul({q2, 0.0}, b)));
    const double q3 = r.hi / b.hi;
    return Add(QuickTwoSum(q1, q2), {q3, 0.0});
}

// (-1)^k / (2k+1)! and (-1)^k / (2k)!, each as a double-double.
constexpr DD kSinCoef[] = {
    {0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149},
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},
};
constexpr DD kCosCoef[] = {
    {0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.0000000000000p-1, 0x0.0p+0},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
};
// (-1)^k / (2k+1), the arctangent's series.
constexpr DD kAtanCoef[] = {
    {0x1.0000000000000p+0, 0x0.0p+0},
    {-0x1.5555555555555p-2, -0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.2492492492492p-3, -0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {-0x1.1111111111111p-4, -0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59},
    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
    {-0x1.642c8590b2164p-5, -0x1.642c8590b2164p-60},
    {0x1.47ae147ae147bp-5, -0x1.eb851eb851eb8p-61},
};
// atan(i / 16) for i = 0..16.
constexpr DD kAtanTable[] = {
    {0x0.0p+0, 0x0.0p+0},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};
static_assert(std::size(kAtanTable) == 17, "one entry per sixteenth from 0 to 1");

// pi/2 in pieces of 33 bits (the last one the rest), so that k times a
// piece is exact for |k| < 2^20. The game's angles stay far below that;
// beyond it the result is less accurate but still the same everywhere.
constexpr double kPio2_1 = 0x1.921fb54400000p+0;
constexpr double kPio2_2 = 0x1.0b4611a600000p-34;
constexpr double kPio2_3 = 0x1.3198a2e000000p-69;
constexpr double kPio2_3t = 0x1.b839a252049c1p-104;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr DD kPio2 = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

template <size_t N>
DD Horner(const DD (&coef)[N], DD z) {
    DD s = coef[N - 1];
    for (size_t i = N - 1; i-- > 0;) s = Add(Mul(s, z), coef[i]);
    return s;
}

// x = k * pi/2 + r with |r| <= pi/4 (about), r as a double-double.
DD Reduce(double x, int& quadrant) {
    const double k = std::nearbyint(x * kTwoOverPi);
    // fmod is exact, so this holds for any k.
    const double m = std::fmod(k, 4.0);
    quadrant = static_cast<int>(m < 0.0 ? m + 4.0 : m);
    DD r = {x - k * kPio2_1, 0.0};  // exact: both lie within a factor of two
    r = Add(r, {-(k * kPio2_2), 0.0});
    r = Add(r, {-(k * kPio2_3), 0.0});
    return Add(r, {-(k * kPio2_3t), 0.0});
}

DD SinDD(DD r) { return Mul(Horner(kSinCoef, Mul(r, r)), r); }
DD CosDD(DD r) { return Horner(kCosCoef, Mul(r, r)); }

double Round(DD v) { return v.hi + v.lo; }

// The last results by argument: an object moving straight asks for the
// same angle's sine and cosine every frame. One per thread, as replays may
// be checked side by side.
class Remembered {
public:
    template <typename F>
    double Get(double x, F compute) {
        uint64_t bits = 0;
        std::memcpy(&bits, &x, sizeof bits);
        Entry& e = entries_[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - kBits)];
        if (!e.used || e.bits != bits) e = {bits, compute(x), true};
        return e.value;
    }

private:
    static constexpr int kBits = 6;
    struct Entry {
        uint64_t bits = 0;
        double value = 0.0;
        bool used = false;
    };
    std::array<Entry, size_t{1} << kBits> entries_{};
};

double SinOf(double x) {
    int q = 0;
    const DD r = Reduce(x, q);
    switch (q) {
        case 0: return Round(SinDD(r));
        case 1: return Round(CosDD(r));
        case 2: return -Round(SinDD(r));
        default: return -Round(CosDD(r));
    }
}

double CosOf(double x) {
    int q = 0;
    const DD r = Reduce(x, q);
    switch (q) {
        case 0: return Round(CosDD(r));
        case 1: return -Round(SinDD(r));
        case 2: return -Round(CosDD(r));
        default: return Round(SinDD(r));
    }
}

thread_local Remembered sines, cosines;

}  // namespace

double Sin(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return x;  // keeps the sign of zero
    return sines.Get(x, SinOf);
}

double Cos(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    return cosines.Get(x, CosOf);
}

double Atan(double x) {
    if (std::isnan(x)) return x;
    if (x == 0.0) return x;
    const bool negative = x < 0.0;
    const double a = std::fabs(x);
    // Above 1, atan(a) = pi/2 - atan(1/a), with 1/a kept to double-double.
    const bool inverted = a > 1.0;
    const DD t = inverted ? (std::isinf(a) ? DD{0.0, 0.0} : Div({1.0, 0.0}, {a, 0.0})) : DD{a, 0.0};
    // atan(t) = atan(c) + atan((t - c) / (1 + t c)) for the nearest sixteenth c.
    const int i = static_cast<int>(std::nearbyint(t.hi * 16.0));
    const double c = i / 16.0;
    const DD u = Div(Add(t, {-c, 0.0}), Add({1.0, 0.0}, Mul(t, {c, 0.0})));
    DD v = Add(kAtanTable[i], Mul(Horner(kAtanCoef, Mul(u, u)), u));
    if (inverted) v = Add(kPio2, Neg(v));
    const double result = Round(v);
    return negative ? -result : result;
}

}  // namespace molfo::trig

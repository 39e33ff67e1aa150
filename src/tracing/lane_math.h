// The arithmetic of an element's step, written once for one ray and for several at a time. A step
// is a template over its number type T: a double for one ray, or Lanes<N>, N rays in vector
// registers, one per lane. Each operation below means the same on both, so a step gives every ray
// the same result to the bit whichever way it runs: IEEE arithmetic rounds each operation alone,
// the build contracts no multiply-add, and a branch of the arithmetic is a select between values
// worked out for every lane (a double's comparison is a Mask of all ones or zeros too).
//
// These carry no instruction set of their own (LUMI_STEP): on one ray they run wherever the
// program runs; on lanes they are inlined into the entries of a sweep (lanes.h), compiled for AVX2
// or AVX-512, and take those registers. No vector crosses a call, so the vector ABI, which the
// compiler warns may differ between instruction sets, never comes into play. Clang refuses even
// so a call that hands a bare vector by value between code compiled for an instruction set
// (LUMI_LANES) and a step compiled for none: from there, lanes go into a step by reference and
// come back in a struct or through a reference.
#pragma once

#include <cmath>
#include <type_traits>

namespace lumi {

#define LUMI_STEP __attribute__((always_inline)) inline

template <int N>
struct LaneTypes {
  typedef double Lanes __attribute__((vector_size(8 * N)));
  typedef float Singles __attribute__((vector_size(4 * N)));
  typedef int Ints __attribute__((vector_size(4 * N)));
  // Two sets of N lanes side by side: pixels of a segment's starts and ends
  typedef int PairInts __attribute__((vector_size(8 * N)));
  typedef long long Bits __attribute__((vector_size(8 * N)));
};

template <int N>
using Lanes = typename LaneTypes<N>::Lanes;
template <int N>
using IntLanes = typename LaneTypes<N>::Ints;

// The number of lanes of a step's number type: 1 for a double.
template <class T>
inline constexpr int lanes_of = sizeof(T) / sizeof(double);

// One ray's yes or no, with the operators of a mask on lanes; as a bool it is the answer.
struct RayMask {
  bool yes = false;

  constexpr operator bool() const { return yes; }
  constexpr RayMask operator~() const { return {!yes}; }
  constexpr RayMask operator&(RayMask m) const { return {static_cast<bool>(yes & m.yes)}; }
  constexpr RayMask operator|(RayMask m) const { return {static_cast<bool>(yes | m.yes)}; }
  constexpr RayMask& operator&=(RayMask m) { return *this = *this & m; }
  constexpr RayMask& operator|=(RayMask m) { return *this = *this | m; }
};

// The types that go with a step's number type: its yes or no (all ones for yes, zeros for no on
// lanes) and its single-precision numbers (a float for one ray, lanes of singles for N).
template <class T>
struct StepTypes {
  using Mask = typename LaneTypes<lanes_of<T>>::Bits;
  using Singles = typename LaneTypes<lanes_of<T>>::Singles;
};
template <>
struct StepTypes<double> {
  using Mask = RayMask;
  using Singles = float;
};
template <class T>
using Mask = typename StepTypes<T>::Mask;
template <class T>
using Singles = typename StepTypes<T>::Singles;
template <int N>
using LaneMask = Mask<Lanes<N>>;

// A number of a step, or lane i of it.
LUMI_STEP double lane(double v, int) { return v; }
LUMI_STEP RayMask lane(RayMask m, int) { return m; }
template <class V>
LUMI_STEP auto lane(const V& v, int i) {
  return v[i];
}

// Comparisons of numbers with numbers or with one number, as masks. On lanes each comparison goes
// straight into a select between two vectors of doubles, the one form in which GCC compares the
// eight lanes of the wider entry at once: a comparison kept as a vector of its own is lowered for
// the narrower code it was written in, and the wider entry would compare its lanes one at a time.
template <class T>
LUMI_STEP T all_ones() {
  return T(~Mask<T>{});
}
template <class T, class U>
LUMI_STEP Mask<T> lanes_lt(T a, U b) {
  if constexpr (std::is_same_v<T, double>) {
    return {a < b};
  } else {
    return Mask<T>(a < b ? all_ones<T>() : T{});
  }
}
template <class T, class U>
LUMI_STEP Mask<T> lanes_gt(T a, U b) {
  if constexpr (std::is_same_v<T, double>) {
    return {a > b};
  } else {
    return Mask<T>(a > b ? all_ones<T>() : T{});
  }
}
template <class T, class U>
LUMI_STEP Mask<T> lanes_ge(T a, U b) {
  if constexpr (std::is_same_v<T, double>) {
    return {a >= b};
  } else {
    return Mask<T>(a >= b ? all_ones<T>() : T{});
  }
}
template <class T, class U>
LUMI_STEP Mask<T> lanes_eq(T a, U b) {
  if constexpr (std::is_same_v<T, double>) {
    return {a == b};
  } else {
    return Mask<T>(a == b ? all_ones<T>() : T{});
  }
}

// a where the mask says yes, b elsewhere.
template <class T>
LUMI_STEP T lane_select(Mask<T> m, T a, T b) {
  if constexpr (std::is_same_v<T, double>) {
    return m ? a : b;
  } else {
    return T((Mask<T>(a) & m) | (Mask<T>(b) & ~m));
  }
}

template <class T>
LUMI_STEP bool any_lane(const T& m) {
  if constexpr (std::is_same_v<T, RayMask>) {
    return m;
  } else {
    long long any = 0;
    for (int i = 0; i < int{sizeof(T) / sizeof(m[0])}; ++i) any |= m[i];
    return any != 0;
  }
}

// Whether the mask is no for one ray, which may then leave the rest of a step undone: its results
// are not read. Lanes always go on, each lane's result chosen by the masks afterwards.
template <class M>
LUMI_STEP bool one_ray_without(M m) {
  if constexpr (std::is_same_v<M, RayMask>) {
    return m == 0;
  } else {
    return false;
  }
}

template <class T>
LUMI_STEP T splat(double v) {
  if constexpr (std::is_same_v<T, double>) {
    return v;
  } else {
    // Lane by lane: added to zeros, a -0.0 would come out +0.0
    T lanes;
    for (int i = 0; i < lanes_of<T>; ++i) lanes[i] = v;
    return lanes;
  }
}
template <int N>
LUMI_STEP Lanes<N> splat(double v) {
  return splat<Lanes<N>>(v);
}

// Written lane by lane, so that the compiler gives it the entry's widest square root (the build
// has no errno to set for a negative argument). A double, lanes of doubles or of singles.
template <class V>
LUMI_STEP V lane_sqrt(V v) {
  if constexpr (std::is_floating_point_v<V>) {
    return std::sqrt(v);
  } else {
    constexpr int n = sizeof(V) / sizeof(v[0]);
    V root;
    for (int i = 0; i < n; ++i) {
      if constexpr (sizeof(v[0]) == sizeof(float)) {
        root[i] = __builtin_sqrtf(v[i]);
      } else {
        root[i] = __builtin_sqrt(v[i]);
      }
    }
    return root;
  }
}

// The square root as a callable for a step that takes one (where one ray's memo may stand in). A
// lambda would be a function of its own, without the lanes' instruction set, wherever it is not
// inlined (in an unoptimised build, say), and would take its vectors by another convention than
// its caller passes them.
struct LaneSqrt {
  template <class V>
  LUMI_STEP V operator()(V v) const {
    return lane_sqrt(v);
  }
};

// The numbers rounded to single precision, kept as singles.
template <class T>
LUMI_STEP Singles<T> to_singles(T v) {
  if constexpr (std::is_same_v<T, double>) {
    return static_cast<float>(v);
  } else {
    return __builtin_convertvector(v, Singles<T>);
  }
}

// Singles widened back to doubles.
template <class S>
LUMI_STEP auto widened(S v) {
  if constexpr (std::is_same_v<S, float>) {
    return static_cast<double>(v);
  } else {
    return __builtin_convertvector(v, Lanes<int{sizeof(S) / sizeof(float)}>);
  }
}

// The number rounded to single precision and widened back, as to_single does.
template <class T>
LUMI_STEP T lanes_to_single(T v) {
  return widened(to_singles(v));
}

inline constexpr long long kSignBit = static_cast<long long>(0x8000000000000000ull);

template <class T>
LUMI_STEP T lane_abs(T v) {
  if constexpr (std::is_same_v<T, double>) {
    return std::abs(v);
  } else {
    return T(Mask<T>(v) & ~kSignBit);
  }
}

// |mag| with the sign bit of `difference` (-0.0 gives a negative result): the signed transverse
// coordinate of a hit mark.
template <class T>
LUMI_STEP T lane_signed_by(T difference, T mag) {
  if constexpr (std::is_same_v<T, double>) {
    return std::signbit(difference) ? -std::abs(mag) : std::abs(mag);
  } else {
    return T(Mask<T>(lane_abs(mag)) | (Mask<T>(difference) & kSignBit));
  }
}

// A 3-vector of N rays' lanes, or of one ray's numbers. Lanes start unset: a vector zeroed only to
// be overwritten costs instructions, and a larger record holding it a copy through memory.
template <class T>
struct Vec3Of {
  T x, y, z;
};
template <>
struct Vec3Of<double> {
  double x = 0.0, y = 0.0, z = 0.0;
};

template <class T>
LUMI_STEP Vec3Of<T> operator+(const Vec3Of<T>& a, const Vec3Of<T>& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
template <class T>
LUMI_STEP Vec3Of<T> operator-(const Vec3Of<T>& a, const Vec3Of<T>& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
template <class S, class T>
LUMI_STEP Vec3Of<T> operator*(S s, const Vec3Of<T>& a) {
  return {s * a.x, s * a.y, s * a.z};
}
template <class T>
LUMI_STEP T dot(const Vec3Of<T>& a, const Vec3Of<T>& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
template <class T>
LUMI_STEP Vec3Of<T> select(Mask<T> m, const Vec3Of<T>& a, const Vec3Of<T>& b) {
  return {lane_select(m, a.x, b.x), lane_select(m, a.y, b.y), lane_select(m, a.z, b.z)};
}
template <class T>
LUMI_STEP Vec3Of<T> splat(double x, double y, double z) {
  return {splat<T>(x), splat<T>(y), splat<T>(z)};
}
// The same vector in every lane.
template <class T>
LUMI_STEP Vec3Of<T> in_every_lane(const Vec3Of<double>& v) {
  return splat<T>(v.x, v.y, v.z);
}

template <int N>
using Vec3Lanes = Vec3Of<Lanes<N>>;

}  // namespace lumi

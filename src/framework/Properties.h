// Property records a stream or chunk reports to the host. Plain data; the
// host reads them through references and never releases them.
#pragma once

#include <cstdint>

namespace Quarn {

class Properties {
 public:
  virtual ~Properties() = default;
};

class AudioProperties : public Properties {
 public:
  std::int32_t valueA = 0;
  std::int32_t valueB = 0;
};

template <class T>
class Rect {
 public:
  Rect() = default;
  Rect(T l, T t, T r, T b) : left(l), top(t), right(r), bottom(b) {}
  virtual ~Rect() = default;
  virtual T getWidth() const = 0;
  virtual T getHeight() const = 0;

  T left = T();
  T top = T();
  T right = T();
  T bottom = T();
};

/// Edges count inclusively: columns 0 to 639 are 640 wide. Not clamped; the
/// arithmetic wraps at 32 bits instead of overflowing.
class RectInt : public Rect<int> {
 public:
  using Rect<int>::Rect;
  int getWidth() const override { return span(left, right); }
  int getHeight() const override { return span(top, bottom); }

 private:
  static int span(int from, int to) {
    return static_cast<int>(static_cast<unsigned>(to) - static_cast<unsigned>(from) + 1u);
  }
};

/// Distances between edges: 0.0 to 640.0 is 640.0 wide.
class RectFloat : public Rect<double> {
 public:
  using Rect<double>::Rect;
  double getWidth() const override { return right - left; }
  double getHeight() const override { return bottom - top; }
};

class ImageProperties : public Properties {
 public:
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t factor1 = 1;
  std::int32_t factor2 = 1;
  std::int32_t factor3 = 1;
  RectFloat floatRegion;
  RectInt intRegion;
  std::int32_t mode = 0;
  bool flag = false;
};

}  // namespace Quarn

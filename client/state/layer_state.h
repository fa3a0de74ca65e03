// A part of the game object that belongs to a layer above the simulation
// (the picture, the sound counters, the computer players' memory). The
// state layer holds it without knowing its type: the owning layer makes it
// on first use, where the type is complete, and copies and destroys it
// through functions it hands over then. Copies of the game object stay
// independent, as with every other member.
#pragma once

#include <memory>

namespace krel {

template <class T>
class LayerState {
 public:
  LayerState() = default;
  LayerState(const LayerState& other) { *this = other; }
  LayerState& operator=(const LayerState& other) {
    if (this == &other) return *this;
    ops_ = other.ops_;
    value_ = other.value_ ? Owned(ops_->copy(*other.value_), ops_->destroy) : Owned(nullptr, nullptr);
    return *this;
  }
  LayerState(LayerState&&) noexcept = default;
  LayerState& operator=(LayerState&&) noexcept = default;

  T* get() const { return value_.get(); }

  // The value, made default-constructed on first use. Called only where T
  // is a complete type.
  T& GetOrMake() {
    if (!value_) {
      static const Ops ops{[](const T& v) { return new T(v); }, [](T* v) { delete v; }};
      ops_ = &ops;
      value_ = Owned(new T(), ops.destroy);
    }
    return *value_;
  }

 private:
  struct Ops {
    T* (*copy)(const T&);
    void (*destroy)(T*);
  };
  using Owned = std::unique_ptr<T, void (*)(T*)>;
  const Ops* ops_ = nullptr;
  Owned value_{nullptr, nullptr};
};

}  // namespace krel

// A part of the game object that belongs to a layer above the simulation
// (the picture, the sound counters, the computer players' memory). The
// state layer holds it without knowing its type: the owning layer makes it
// on first use, where the type is complete, and hands over how to destroy
// it then. The game object is never copied, so neither is this.
#pragma once

#include <memory>

namespace krel {

template <class T>
class LayerState {
 public:
  T* get() const { return value_.get(); }

  // The value, made default-constructed on first use. Called only where T
  // is a complete type.
  T& GetOrMake() {
    if (!value_) value_ = Owned(new T(), [](T* v) { delete v; });
    return *value_;
  }

 private:
  using Owned = std::unique_ptr<T, void (*)(T*)>;
  Owned value_{nullptr, nullptr};
};

}  // namespace krel

// Lets tests script the runtime's generator.
#pragma once

namespace orvane::platform::testing {

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Reseed(float seed) = 0;
    // The next value u, 0 <= u < 1.
    virtual float Next() = 0;
};

// Routes Randomize and Rnd to source (nullptr: back to the built-in generator); returns the
// source it replaces. The caller keeps ownership.
RandomSource* SetRandomSource(RandomSource* source);

class ScopedRandomSource {
  public:
    explicit ScopedRandomSource(RandomSource& source) : previous_(SetRandomSource(&source)) {}
    ~ScopedRandomSource() { SetRandomSource(previous_); }
    ScopedRandomSource(const ScopedRandomSource&) = delete;
    ScopedRandomSource& operator=(const ScopedRandomSource&) = delete;

  private:
    RandomSource* previous_;
};

}  // namespace orvane::platform::testing

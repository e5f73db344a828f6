#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

#include "image/SampleType.h"

namespace tavorin {

// An image's samples, band-sequential (band b of pixel p at b * N + p), held in their own
// sample type. Code that reads many samples visits the typed vector; `at` serves a few.
class BandSamples {
  public:
    using Values = std::variant<std::vector<double>, std::vector<float>, std::vector<std::uint8_t>,
                                std::vector<std::int8_t>, std::vector<std::uint16_t>,
                                std::vector<std::int16_t>, std::vector<std::uint32_t>,
                                std::vector<std::int32_t>>;

    BandSamples() = default;
    explicit BandSamples(std::vector<double> values) : values_(std::move(values)) {}
    template <class T>
    explicit BandSamples(std::vector<T> values) : values_(std::move(values)) {}

    // `count` zeros of `type`, their memory asked to be backed by huge pages.
    static BandSamples Zeroed(SampleType type, std::size_t count);

    SampleType type() const { return static_cast<SampleType>(values_.index()); }
    std::size_t size() const;
    std::size_t bytes() const;
    const void* data() const;
    void* data();

    // Sample i as a double.
    double at(std::size_t i) const;
    // Keeps the first `count` samples and gives back the memory of the others.
    void Shrink(std::size_t count);
    // Every sample as a double.
    std::vector<double> ToDoubles() const;

    // Calls `f` with the typed vector of the samples.
    template <class F>
    decltype(auto) Visit(F&& f) const {
        return std::visit(std::forward<F>(f), values_);
    }
    template <class F>
    decltype(auto) Visit(F&& f) {
        return std::visit(std::forward<F>(f), values_);
    }

  private:
    Values values_;
};

// Bytes of one sample of `type`.
std::size_t SampleBytes(SampleType type);

}  // namespace tavorin

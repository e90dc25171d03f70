// The result type of the PE routines: a value, or a message saying what is
// wrong with the input.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace veltrane::pe {

template <typename T>
struct PeResult {
    std::optional<T> value;
    std::string error;  // set exactly when value is empty

    static PeResult Fail(std::string message) { return PeResult{std::nullopt, std::move(message)}; }
    static PeResult Ok(T v) { return PeResult{std::move(v), {}}; }
    explicit operator bool() const { return value.has_value(); }
    T& operator*() { return *value; }
    const T& operator*() const { return *value; }
    T* operator->() { return &*value; }
    const T* operator->() const { return &*value; }
};

}  // namespace veltrane::pe

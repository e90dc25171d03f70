// The result type of the host-side libraries (pe/, package/, cli/): a value,
// or a message saying what went wrong. Library code reports every failure
// this way and never lets an exception escape.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace veltrane {

template <typename T>
struct [[nodiscard]] Result {
    std::optional<T> value;
    std::string error;  // set exactly when value is empty

    static Result Fail(std::string message) { return Result{std::nullopt, std::move(message)}; }
    static Result Ok(T v) { return Result{std::move(v), {}}; }
    explicit operator bool() const { return value.has_value(); }
    T& operator*() { return *value; }
    const T& operator*() const { return *value; }
    T* operator->() { return &*value; }
    const T* operator->() const { return &*value; }
};

// The result of an operation that yields nothing but success or a message.
struct [[nodiscard]] Status {
    std::string error;  // empty on success

    static Status Ok() { return {}; }
    static Status Fail(std::string message) { return Status{std::move(message)}; }
    explicit operator bool() const { return error.empty(); }
};

}  // namespace veltrane

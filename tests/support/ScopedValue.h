// Scoped changes to process-wide state: whatever a test changes is restored
// when the scope ends, also when a failed assertion leaves the test early.
#pragma once

#include <utility>

namespace testsupport {

// Sets variable to value for the scope's duration.
template <typename T> class ScopedValue {
public:
    ScopedValue(T& variable, T value) : variable_(variable), saved_(std::move(variable)) {
        variable_ = std::move(value);
    }
    ~ScopedValue() { variable_ = std::move(saved_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& variable_;
    T saved_;
};

} // namespace testsupport

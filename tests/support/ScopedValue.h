// Scoped changes to process-wide state: whatever a test changes is restored
// when the scope ends, also when a failed assertion leaves the test early.
#pragma once

#include <cstdlib>
#include <string>
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

// Sets an environment variable for the scope's duration; puts back what was
// there, or nothing, after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : name_(name), had_(std::getenv(name)), saved_(had_ ? std::getenv(name) : "") {
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { had_ ? setenv(name_, saved_.c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    std::string saved_;
};

} // namespace testsupport

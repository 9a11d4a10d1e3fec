// Scoped changes to process-wide state: whatever a test changes is restored
// when the scope ends, also when a failed assertion leaves the test early.
#pragma once

#include <QLocale>
#include <clocale>
#include <string>

namespace testsupport {

// Qt's default locale and the C library's numeric locale, for the scope's
// duration. The C locale is set only where the system has it.
class ScopedLocale {
public:
    ScopedLocale(const QLocale& qt, const char* numeric)
        : numeric_(std::setlocale(LC_NUMERIC, nullptr)) {
        QLocale::setDefault(qt);
        std::setlocale(LC_NUMERIC, numeric);
    }
    ~ScopedLocale() {
        std::setlocale(LC_NUMERIC, numeric_.c_str());
        QLocale::setDefault(qt_);
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    QLocale qt_; // the default as it was
    std::string numeric_;
};

} // namespace testsupport

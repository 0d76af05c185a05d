// Switches the process to a locale whose decimal separator is a comma, so tests can show
// that number formatting and parsing ignore the user's locale. When no such locale is
// installed, one is compiled with localedef into a private folder (LOCPATH).
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace qv_test {

class DecimalCommaLocale {
public:
    DecimalCommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_ALL, name)) {
                active_ = true;
                return;
            }
        // One folder per process: test programs run in parallel under CTest.
        const std::string dir = testing::TempDir() + "qv_test_locales_" + std::to_string(getpid());
        const std::string command =
            "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0 && setenv("LOCPATH", dir.c_str(), 1) == 0 &&
            std::setlocale(LC_ALL, "de_DE.UTF-8"))
            active_ = true;
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    // False when no decimal-comma locale could be installed; the test should skip.
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

} // namespace qv_test

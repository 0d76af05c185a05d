// Test helper for code that shows message boxes, dialogs, sheets, file dialogs or menus.
//
// A guard makes every unexpected interaction a failure of the running test, and at its end
// fails the test for every expected interaction that never came. Declare one in a fixture
// (or at the top of a test), then queue the answers on qv::UserScript::Instance().
#pragma once

#include "afx/user_script.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qv::test {

class UserScriptGuard {
public:
    UserScriptGuard()
    {
        UserScript& script = UserScript::Instance();
        script.Reset();
        script.SetFailureHandler([](const std::string& message) { ADD_FAILURE() << "user script: " << message; });
    }
    ~UserScriptGuard()
    {
        UserScript& script = UserScript::Instance();
        if (script.Pending() != 0)
            ADD_FAILURE() << "expected interactions never came: " << script.DescribePending();
        script.Reset();
        script.SetFailureHandler(nullptr);
    }
    UserScriptGuard(const UserScriptGuard&) = delete;
    UserScriptGuard& operator=(const UserScriptGuard&) = delete;

    UserScript& Script() { return UserScript::Instance(); }

    // Runs the code with failures collected instead of failing the test; returns them.
    static std::vector<std::string> CollectFailures(const std::function<void()>& code)
    {
        std::vector<std::string> failures;
        UserScript& script = UserScript::Instance();
        script.SetFailureHandler([&failures](const std::string& message) { failures.push_back(message); });
        code();
        script.SetFailureHandler([](const std::string& message) { ADD_FAILURE() << "user script: " << message; });
        return failures;
    }
};

} // namespace qv::test

#pragma once

#include "model/TQLApp.h"
#include "platform/UiHooks.h"
#include "support/RecordingUiHooks.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace quarlo::test {

// A data folder of its own (QUARLO_HOME) and a copy of the shipped resources (with a small
// file-type table and an empty default skin when the copy lacks them), so that a test may
// repeat first runs or remove resources without touching the source tree.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();

    // locateFolders() with the resource folder pointed at the copy.
    Folders folders() const;
    // TQLApp::create, failing the test when it fails.
    std::unique_ptr<TQLApp> makeApp(const Folders& where);
    std::unique_ptr<TQLApp> makeApp() { return makeApp(folders()); }

    TempHome m_home;
    TempDir m_resources;
};

// One application made and set up as after its first run, its reports recorded.
class SetUpAppFixture : public AppFixture {
protected:
    void SetUp() override;

    RecordingUiHooks hooks; // outlives the application that reports to it
    std::unique_ptr<TQLApp> app;
};

} // namespace quarlo::test

#pragma once

#include "model/TQLApp.h"
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

} // namespace quarlo::test

#pragma once

#include <string>

namespace quarlo::test {

// A fresh, empty folder under the build tree that the test owns; removed again when the
// object goes out of scope unless QUARLO_KEEP_TEST_HOMES is set.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with "/".
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A TempDir that is also the program's data folder: QUARLO_HOME points at it for the
// lifetime of the object (and is restored afterwards).
class TempHome : public TempDir {
public:
    TempHome();
    ~TempHome();

private:
    std::string m_previous;
    bool m_hadPrevious = false;
};

// Whole file content, or an empty string when the file cannot be read.
std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& content);

} // namespace quarlo::test

// The suites' precompiled header is built with this file (see tests/CMakeLists.txt).

// Sources shared by the decoder tests: the committed fixture sources.
#pragma once

#include <string>

#include "tests/zip_legacy/encoders.h"
#include "tests/zip_legacy/fixtures.h"

namespace legacytest {

inline Bytes Source(const std::string& name) { return ReadFile(FixtureDir() + "/" + name); }

}  // namespace legacytest

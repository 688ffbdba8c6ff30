// Every test runs with the rooms connected as the engine connects them at start-up: the search
// takes input lines and console keys through the front ends, and quit releases what it should.
#include <gtest/gtest.h>

#include "shell/startup.h"

namespace {

class EngineHooks : public testing::Environment {
  public:
    void SetUp() override { install_engine_hooks(); }
};

[[maybe_unused]] testing::Environment* const engine_hooks =
    testing::AddGlobalTestEnvironment(new EngineHooks);

} // namespace
